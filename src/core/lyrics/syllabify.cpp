#include "core/lyrics/syllabify.h"

#include "core/lyrics/cp1252.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace cantelo {

namespace {

constexpr char kSeparator = '-';

// One character of the analysis copy or of the hyphenated word: a Windows-1252 byte (0..255),
// kForeign plus the Unicode value of a character that code page lacks, or a boundary. Keeping
// boundaries apart from the characters lets a text that holds a "-" of its own be cut without
// losing characters; reading every encoding into Windows-1252 cells first makes "perché" split
// the same whichever encoding its song is in.
using Cell = std::int32_t;
constexpr Cell kBoundary = -1;
constexpr Cell kForeign = 0x100;
using Cells = std::vector<Cell>;

enum class Boundary { None, After, Before };

bool isVowelCell(Cell c) {
    return c >= 0 && c < kForeign && IsSyllableVowel(static_cast<char>(c));
}
Cell cell(char c) {
    return static_cast<unsigned char>(c);
}

Cells cellsOf(std::string_view bytes) {
    Cells out;
    out.reserve(bytes.size());
    for (const char b : bytes) out.push_back(cell(b));
    return out;
}

// The analysis copy of a text in `encoding`, one cell per character.
Cells analysisCells(std::string_view text, const TextEncoding& encoding) {
    Cells out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); at += encoding.charLength(text, at)) {
        const char32_t c = encoding.decodeAt(text, at);
        const std::optional<char> byte = cp1252FromUnicode(c);
        out.push_back(byte ? cell(upperCp1252(foldAccentCp1252(*byte)))
                           : kForeign + static_cast<Cell>(c));
    }
    return out;
}

// The word the exception table is matched against: its prefixes are plain letters, so a
// character beyond the code page only has to stay one character that matches none of them.
std::string exceptionWord(const Cells& word) {
    std::string out;
    out.reserve(word.size());
    for (const Cell c : word) out += c < kForeign ? static_cast<char>(c) : '\x7F';
    return out;
}

bool startsWith(std::string_view word, std::string_view prefix) {
    return word.substr(0, prefix.size()) == prefix;
}

// The exception words: a boundary that the general rules would put elsewhere (or nowhere) is
// forced before the character that `step` appends. They match only at the start of the whole
// word, so a word behind a leading space is split by the general rules.
bool forcedBoundary(std::string_view word, std::size_t step) {
    switch (step) {
    case 4: // after RI or BI
        if (startsWith(word, "RI"))
            return word != "RIALE" && !startsWith(word, "RION") && !startsWith(word, "RIOTTOS");
        return word == "BIAVO" || word == "BIOSSIDO" || startsWith(word, "BIENN") ||
               startsWith(word, "BIUNIV");
    case 5:
        return startsWith(word, "TRI");
    case 8:
        return startsWith(word, "QUADRIENN");
    default:
        return false;
    }
}

// Where the boundary goes around p, the character this step appends; q is the last cell already
// emitted and c the character after p (NUL past the end).
Boundary decide(std::string_view word, std::size_t step, const Cells& out, Cell p, Cell c) {
    if (forcedBoundary(word, step)) return Boundary::Before;
    const Cell q = out.back();
    if (q == kBoundary) return Boundary::None;
    const bool qVowel = isVowelCell(q);
    const bool pVowel = isVowelCell(p);
    if (qVowel && pVowel) {
        // I and U glide into the vowel after them (PIA-NO, QUIE-TE); other vowel pairs split.
        if (word.size() > 2 && q == 'I') return Boundary::None;
        if (word.size() > 2 && q == 'U') {
            if (out.size() >= 2 && out[out.size() - 2] == 'Q') return Boundary::None;
            return step == 4 && p == 'I' ? Boundary::Before : Boundary::None;
        }
        return Boundary::Before;
    }
    if (qVowel) {
        if (isVowelCell(c)) return Boundary::Before;
        if ((p == 'L' && c == 'L') || (p == 'R' && (c == 'R' || c == 'L'))) return Boundary::After;
        if (c == 'H' || c == 'R') return Boundary::Before;
        if (((p == 'G' || p == 'P') && c == 'N') || (p == 'P' && (c == 'S' || c == 'T')))
            return Boundary::Before;
        if (p == 'S') return c == 'S' ? Boundary::After : Boundary::Before;
        return Boundary::After;
    }
    if (step <= 4 || pVowel) return Boundary::None;
    return p == q ? Boundary::Before : Boundary::None;
}

Cells hyphenate(const Cells& cells) {
    Cells out;
    if (cells.empty()) return out;
    const std::string word = exceptionWord(cells);
    out.reserve(2 * word.size());
    out.push_back(cells[0]);
    // Steps 1 and 2 only take in the first two characters; from step 3 on, each step appends
    // the character before its own, p, deciding the boundary around it.
    for (std::size_t step = 3; step <= word.size() + 1; ++step) {
        const Cell p = cells[step - 2];
        const Cell c = step - 1 < cells.size() ? cells[step - 1] : 0;
        switch (decide(word, step, out, p, c)) {
        case Boundary::None:
            out.push_back(p);
            break;
        case Boundary::After:
            out.push_back(p);
            if (p != '\'') out.push_back(kBoundary);
            break;
        case Boundary::Before:
            out.push_back(kBoundary);
            out.push_back(p);
            break;
        }
    }
    // A final one-letter syllable stays with the syllable before it.
    if (out.size() >= 2 && out[out.size() - 2] == kBoundary) out[out.size() - 2] = ' ';
    return out;
}

struct Piece {
    std::string text;
    std::size_t offset; // where the piece ends in the hyphenated copy
};

// Cuts `text` along its hyphenated analysis copy. Every cell other than a boundary stands for
// one character of the text (of `encoding`), the space that replaced a final boundary included,
// so the two are walked in step; the walk ends when the text is used up, which drops the empty
// piece a trailing boundary would give.
void cutAlong(std::string_view text, const Cells& hyphenated, const TextEncoding& encoding,
              std::vector<Piece>& pieces) {
    pieces.clear();
    std::string piece;
    std::size_t used = 0;
    for (std::size_t r = 0; r <= hyphenated.size(); ++r) {
        if (r == hyphenated.size() || hyphenated[r] == kBoundary) {
            if (!piece.empty()) pieces.push_back({std::move(piece), r});
            piece.clear();
            if (used >= text.size()) break;
        } else if (used < text.size()) {
            const std::size_t length = encoding.charLength(text, used);
            piece += text.substr(used, length);
            used += length;
        }
    }
}

} // namespace

bool IsSyllableVowel(char c) {
    switch (c) {
    case 'A':
    case 'E':
    case 'I':
    case 'O':
    case 'U':
    case 'J':
    case 'W':
        return true;
    default:
        return false;
    }
}

std::string SyllabifyWord(std::string_view word) {
    std::string out;
    for (const Cell c : hyphenate(cellsOf(word)))
        out += c == kBoundary ? kSeparator : static_cast<char>(c);
    return out;
}

std::string syllabifyAnalysisCopy(std::string_view text) {
    std::string copy(text);
    for (char& c : copy) c = upperCp1252(foldAccentCp1252(c));
    return copy;
}

int syllabifyLyrics(TItemLyr& lyrics, TItemLyr& scratch, const TextEncoding& encoding) {
    if (&lyrics == &scratch) return 0;
    scratch.clear();
    std::vector<Piece> pieces;
    for (const LyrItem* it = lyrics.head(); it; it = it->next) {
        if (!it->lineBreak && !it->text.empty()) {
            cutAlong(it->text, hyphenate(analysisCells(it->text, encoding)), encoding, pieces);
            // A one-syllable item keeps its tick: moving it would unbind a syllable that is
            // already on its note.
            if (pieces.size() > 1) {
                for (const Piece& p : pieces)
                    scratch.add(p.text, 0, it->tick + 2.0 * static_cast<double>(p.offset));
                continue;
            }
        }
        scratch.add(it->text, it->lineBreak, it->tick);
    }
    const int added = scratch.count() - lyrics.count();
    lyrics.clear();
    for (const LyrItem* it = scratch.head(); it; it = it->next)
        lyrics.add(it->text, it->lineBreak, it->tick);
    scratch.clear();
    return added;
}

} // namespace cantelo
