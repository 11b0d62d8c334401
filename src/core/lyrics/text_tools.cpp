#include "core/lyrics/text_tools.h"

#include "core/files/atomic_file.h"
#include "core/files/regular_file.h"
#include "core/lyrics/cp1252.h"
#include "core/lyrics/lyrics_model.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <span>

namespace cantelo {

namespace {

constexpr std::size_t kWrapLength = kSoftLineLength + 1;
constexpr double kImportTicksPerStep = 30;
constexpr double kProvisionalBreakOffset = 10;
// Far more than any song's lyrics; it also keeps the provisional ticks (30 per byte and word)
// inside the 32-bit tick range.
constexpr std::size_t kMaxImportBytes = kMaxTextFileBytes;

// The words of one imported line, each cut after a space, then the line's break item.
void addImportedLine(TItemLyr& lyrics, std::string_view line, std::int64_t& n) {
    while (!line.empty()) {
        const std::size_t space = line.find(' ');
        const std::size_t end = space == std::string_view::npos ? line.size() : space + 1;
        lyrics.add(line.substr(0, end), 0, kImportTicksPerStep * static_cast<double>(n));
        ++n;
        line.remove_prefix(end);
    }
    lyrics.add({}, 1, kImportTicksPerStep * static_cast<double>(n) + kProvisionalBreakOffset);
}

std::size_t leadingSpaces(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? text.size() : first;
}

} // namespace

void clearText(TItemLyr& lyrics) {
    lyrics.clear();
    for (int k = 0; k < kMinLines; ++k) lyrics.add({}, 1, kFirstEmptyLineTick + kEmptyLineStep * k);
}

bool importTextBytes(TItemLyr& lyrics, std::string_view bytes, const TextEncoding& encoding) {
    if (bytes.empty()) return false;
    lyrics.clear();
    // n counts every byte walked and every word added; the line feed of a CR LF pair is not
    // walked, so CR LF and bare LF files give the same ticks.
    std::int64_t n = 0;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char b = bytes[i];
        if (b == '\r' || b == '\n') {
            addImportedLine(lyrics, line, n);
            line.clear();
            if (b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else if (b != '\0') { // a song text cannot hold a NUL
            line += b;
        }
        ++n;
    }
    if (!line.empty()) addImportedLine(lyrics, line, n);
    AdaptTextToWindow(lyrics, encoding);
    return true;
}

bool importTextFile(TItemLyr& lyrics, const std::string& path) {
    std::vector<std::uint8_t> image;
    if (!readFileImage(path, kMaxImportBytes, image)) return false;
    return importTextBytes(lyrics, {reinterpret_cast<const char*>(image.data()), image.size()});
}

std::optional<std::string> textFileInEncoding(std::string_view bytes,
                                              const TextEncoding& encoding) {
    if (isAscii(bytes)) return std::string(bytes);
    if (isValidUtf8(bytes)) {
        constexpr std::string_view bom = "\xEF\xBB\xBF";
        if (bytes.starts_with(bom)) bytes.remove_prefix(bom.size());
        return fromUtf8(bytes, encoding);
    }
    if (!encoding.isUtf8()) return std::string(bytes);
    return toUtf8(bytes, detectTextEncoding({bytes}));
}

ExportTrailer trailerInEncoding(const ExportTrailer& trailer, const TextEncoding& encoding) {
    if (encoding.isWindows1252()) return trailer;
    const TextEncoding interface;
    const auto convert = [&](const std::string& text) {
        std::string out;
        for (const char32_t c : interface.decode(text)) out += encoding.encode(c).value_or("?");
        return out;
    };
    ExportTrailer out{convert(trailer.title), {}};
    for (const std::string& credit : trailer.credits) out.credits.push_back(convert(credit));
    return out;
}

int AdaptTextToWindow(TItemLyr& lyrics, const TextEncoding& encoding) {
    const auto chars = [&](const std::string& s) { return encoding.charCount(s); };
    int inserted = 0;
    std::size_t lineLength = 0;
    int lineFirst = 0;
    for (int k = 0; k < lyrics.count(); ++k) {
        const LyrItem& item = lyricItem(lyrics, k);
        if (item.lineBreak) {
            lineLength = 0;
            lineFirst = k + 1;
            continue;
        }
        lineLength += chars(item.text);
        if (lineLength < kWrapLength) continue;
        // Walk back over the line for the word boundary nearest before syllable k. The walk
        // stays on this line: a break before its first item would add an empty line and wrap
        // nothing.
        const std::size_t kLength = chars(item.text);
        std::size_t joined = kLength;
        for (int j = k - 1; j >= lineFirst; --j) {
            LyrItem* at = &lyricItem(lyrics, j);
            joined += chars(at->text);
            const double breakTick = at->tick + kProvisionalBreakOffset;
            if (j > lineFirst && !at->text.empty() && at->text.front() == ' ') {
                const std::size_t spaces = leadingSpaces(at->text);
                at->text.erase(0, spaces);
                lyrics.insert(j, {}, 1, breakTick);
                lineLength = joined - spaces;
                lineFirst = j + 1;
            } else if (!at->text.empty() && at->text.back() == ' ') {
                lineLength = joined - chars(at->text);
                at->text.pop_back();
                lyrics.insert(j + 1, {}, 1, breakTick);
                lineFirst = j + 2;
            } else if (joined >= lineLength) {
                // One word fills the line: it is cut before the syllable that crossed the limit.
                lyrics.insert(k, {}, 1, breakTick);
                lineLength = kLength;
                lineFirst = k + 1;
            } else {
                continue;
            }
            ++k;
            ++inserted;
            break;
        }
    }
    return inserted;
}

bool changeTextCase(TItemLyr& lyrics, LetterCase to, const TextEncoding& encoding) {
    bool changed = false;
    for (LyrItem* it = lyrics.head(); it; it = it->next) {
        if (it->lineBreak) continue;
        std::string converted = textInCase(it->text, to, encoding);
        if (converted == it->text) continue;
        it->text = std::move(converted);
        changed = true;
    }
    return changed;
}

int syllableUnderCursor(TItemLyr& lyrics, int k, int o) {
    const LyrItem* item = lyrics.get(k);
    if (!item || item->lineBreak) return -1; // an empty line holds no syllable
    // A cursor on a boundary belongs to the syllable before it but stands on the next one's
    // first character.
    const int target = o >= static_cast<int>(item->text.size()) ? k + 1 : k;
    const LyrItem* t = lyrics.get(target);
    return t && !t->lineBreak ? target : -1;
}

bool changeSyllableStartCase(TItemLyr& lyrics, int k, int o, LetterCase to,
                             const TextEncoding& encoding) {
    const int t = syllableUnderCursor(lyrics, k, o);
    if (t < 0) return false;
    std::string& text = lyricItem(lyrics, t).text;
    // The start mark of a syllable that begins a word is the letter after its leading space.
    const std::size_t mark = leadingSpaces(text);
    if (mark >= text.size()) return false;
    const std::size_t length = encoding.charLength(text, mark);
    const std::string converted = characterInCase(text, mark, to, encoding);
    if (text.compare(mark, length, converted) == 0) return false;
    text.replace(mark, length, converted);
    return true;
}

bool joinSyllables(TItemLyr& lyrics, int k, int o) {
    const int t = syllableUnderCursor(lyrics, k, o);
    if (t < 0 || t + 1 >= lyrics.count()) return false;
    LyrItem& item = lyricItem(lyrics, t);
    item.text += lyricItem(lyrics, t + 1).text;
    lyrics.remove(t + 1);
    return true;
}

std::string textExportPath(std::string_view name) {
    std::string path(name);
    constexpr std::string_view ext = ".txt";
    const bool hasExt =
        path.size() >= ext.size() && std::equal(ext.begin(), ext.end(), path.end() - ext.size(),
                                                [](char a, char b) { return a == lowerCp1252(b); });
    if (!hasExt) path += ext;
    return path;
}

bool exportText(const TItemKL& lines, const std::string& path, const ExportTrailer& trailer,
                int* errnoValue, const TextEncoding* linesIn) {
    constexpr std::string_view crlf = "\r\n";
    std::string out;
    for (const KLItem* line = lines.head(); line; line = line->next) {
        out += linesIn ? toUtf8(line->text, *linesIn) : line->text;
        out += crlf;
    }
    out += crlf;
    out += crlf;
    out += trailer.title;
    out += crlf;
    out += crlf;
    for (const std::string& credit : trailer.credits) {
        out += credit;
        out += crlf;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(out.data());
    return writeFileReplacing(path, std::span(data, out.size()), nullptr, errnoValue);
}

} // namespace cantelo
