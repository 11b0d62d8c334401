#include "core/tools/patch_tool.h"

#include <algorithm>

namespace cantelo {

namespace {

// The bank select's tick when it belongs to the program change in force (or there is none).
std::int32_t bankTick(const CMidiSong& song, int ch, std::int32_t tick, int controller) {
    const std::int32_t bank = song.latestControllerTick(ch, tick, controller);
    const std::int32_t program = song.latestProgramTick(ch, tick);
    if (bank >= 0 && program >= 0 && program - bank > kBankReach) return -1;
    return bank;
}

// Clears insertAtPosition however the edit is left.
class InsertAtPosition {
public:
    explicit InsertAtPosition(CMidiSong& song) : m_song(song) { m_song.insertAtPosition = true; }
    ~InsertAtPosition() { m_song.insertAtPosition = false; }
    InsertAtPosition(const InsertAtPosition&) = delete;
    InsertAtPosition& operator=(const InsertAtPosition&) = delete;

private:
    CMidiSong& m_song;
};

} // namespace

PatchView loadPatch(const CMidiSong& song, int ch, std::int32_t tick) {
    // Events at the very start belong to the song's set-up: they are looked at from tick 5.
    tick = std::max(tick, 5);
    PatchView view;
    const std::int32_t program = song.programAt(ch, tick);
    view.instrument = program >= 0 && program < 128 ? program + 1 : 0;
    if (bankTick(song, ch, tick, 0) >= 0) view.msb = song.controllerAt(0, ch, tick);
    if (bankTick(song, ch, tick, 32) >= 0) view.lsb = song.controllerAt(32, ch, tick);
    return view;
}

std::vector<std::string> instrumentItems(const CMidiSong& song) {
    std::vector<std::string> items;
    items.reserve(song.programNames.size() + 1);
    items.emplace_back(18, '=');
    for (std::size_t p = 0; p < song.programNames.size(); ++p) {
        std::string number = std::to_string(p);
        number.insert(0, number.size() < 3 ? 3 - number.size() : 0, '0');
        items.push_back(number + " - " + song.programNames[p]);
    }
    return items;
}

bool bankTextAllowed(const std::string& text) {
    if (text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    return text.empty() || std::stoi(text) <= 127;
}

int bankFieldValue(const std::string& text) {
    if (text.empty() || !bankTextAllowed(text)) return -1;
    return std::stoi(text);
}

std::string bankFieldText(int value) {
    return value < 0 ? std::string() : std::to_string(std::min(value, 127));
}

PatchOutcome applyPatch(EditorDocument& doc, int ch, int instrument, int msb, int lsb,
                        std::int32_t tick, const std::function<bool()>& confirmInsert) {
    PatchOutcome out;
    if (ch < 0 || ch >= kChannels || !doc.song().findTrack(ch)) {
        out.result = Result::failure(FailureReason::Refused);
        out.refusal = PatchRefusal::ChannelNotInUse;
        return out;
    }
    if (instrument <= 0 || instrument > 128) {
        out.result = Result::failure(FailureReason::Refused);
        out.refusal = PatchRefusal::NoInstrument;
        return out;
    }
    // Bank edits never add or remove a program change, so the question's answer is the same
    // before the edit as halfway through it.
    const bool insertProgram =
        doc.song().latestProgramTick(ch, tick) >= 0 || (confirmInsert && confirmInsert());
    out.result =
        doc.editSong(DocumentChangeKind::Programs, SongScope::controls(ch), [&](CMidiSong& song) {
            InsertAtPosition inserting(song);
            song.insertPosition = tick;
            std::int32_t msbTick = bankTick(song, ch, tick, 0);
            std::int32_t lsbTick = bankTick(song, ch, tick, 32);

            if (msb >= 0 && msbTick >= 0) {
                song.setControllerValue(ch, msbTick, msb, 0);
            } else if (lsbTick >= 0 && msbTick < 0 && msb > 0) {
                // A bank select near the start still gets its partner at a real tick.
                song.insertPosition = std::max(lsbTick - 5, 0);
                song.addControlChange(ch, song.insertPosition, msb, 0);
                msbTick = lsbTick;
            }
            if (lsb >= 0 && lsbTick >= 0) {
                song.setControllerValue(ch, lsbTick, lsb, 32);
            } else if (msbTick >= 0 && lsbTick < 0 && lsb > 0) {
                song.insertPosition = msbTick + 5;
                song.addControlChange(ch, song.insertPosition, lsb, 32);
                lsbTick = msbTick;
            }

            const std::int32_t program = song.programAt(ch, tick);
            if (!insertProgram) return true; // the bank values set above stay
            if (instrument != program + 1) {
                song.insertPosition = tick;
                song.applyProgram(ch, tick, instrument - 1);
                out.sendProgram = instrument - 1;
            }
            if (msbTick < 0 && lsbTick < 0) {
                std::int32_t b = song.latestProgramTick(ch, tick);
                if (b > 1) b -= 2;
                if (b == 0) song.moveProgram(ch, tick, 2);
                song.insertPosition = std::max(b, 0);
                if (msb > 0) song.addControlChange(ch, song.insertPosition, msb, 0);
                song.insertPosition = std::max(b, 0) + 1;
                if (lsb > 0) song.addControlChange(ch, song.insertPosition, lsb, 32);
            }
            if (msb <= 0 && msbTick >= 0) song.deleteController(ch, msbTick, 0);
            if (lsb <= 0 && lsbTick >= 0) song.deleteController(ch, lsbTick, 32);
            return true;
        });
    return out;
}

} // namespace cantelo
