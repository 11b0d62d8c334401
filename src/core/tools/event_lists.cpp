#include "core/tools/event_lists.h"

#include "core/timing/time_map.h"

namespace cantelo {

std::vector<EventRow> tempoRows(const CMidiSong& song) {
    TChannelItem table;
    song.tempoTable(table);
    std::vector<EventRow> rows;
    for (const auto* it = table.head(); it; it = it->next) {
        const auto tick = static_cast<std::int32_t>(it->tick);
        rows.push_back({tick, song.timeMap().positionText(tick), std::to_string(it->value)});
    }
    return rows;
}

std::vector<EventRow> signatureRows(const CMidiSong& song) {
    TChannelItem table;
    song.signatureTable(table);
    std::vector<EventRow> rows;
    for (const auto* it = table.head(); it; it = it->next) {
        const auto tick = static_cast<std::int32_t>(it->tick);
        // A power beyond 2^30 would overflow the shift; such a file is nonsense, shown as 0.
        const int power = it->extra;
        const long long denominator = power >= 0 && power <= 30 ? 1LL << power : 0;
        rows.push_back(
            {tick, song.timeMap().positionText(tick),
             std::to_string(static_cast<int>(it->amount)) + '/' + std::to_string(denominator)});
    }
    return rows;
}

int eventListScrollMaximum(int rows) {
    return rows < kEventRowsVisible ? 0 : rows - kEventRowsVisible;
}

int eventRowAt(int y, int first, int rows) {
    if (y < 0) return -1;
    const int row = first + y / kEventRowHeight;
    return row < rows ? row : -1;
}

std::string sysExLine(std::span<const std::uint8_t> data) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string line = "F0 ";
    for (const std::uint8_t b : data) {
        if (line.size() + 3 > kSysExLineLimit) break;
        line += kHex[b >> 4];
        line += kHex[b & 15];
        line += ' ';
    }
    return line;
}

std::vector<std::string> sysExLines(const CMidiSong& song) {
    std::vector<std::string> lines;
    for (const auto& e : song.data().sysEx) lines.push_back(sysExLine(e.data));
    return lines;
}

} // namespace cantelo
