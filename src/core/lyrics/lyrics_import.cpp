// Turning an opened song's text events into the lyric list: choosing the chunk that carries the
// lyrics and normalising its raw texts into syllables and line breaks.
#include "core/lyrics/lyrics_model.h"

#include "core/song/midi_reader.h"

#include <algorithm>

namespace cantelo {

namespace {

constexpr std::size_t kLongSyllable = 20; // a syllable this long is a phrase: it gets a line
constexpr std::size_t kPhraseText = 8;    // texts longer than this are words or phrases
constexpr std::size_t kSoftLength = static_cast<std::size_t>(kSoftLineLength);

std::size_t stripLeadingSpaces(std::string& s) {
    const std::size_t n = std::min(s.find_first_not_of(' '), s.size());
    s.erase(0, n);
    return n;
}

void dropTrailingSpace(std::string& s) {
    if (!s.empty() && s.back() == ' ') s.pop_back();
}

// One pass over the lyric list. `k` is the item being looked at; inserting a break before or
// after it moves `k` past the break. `length` is the number of characters on the line so far,
// counted in the song's encoding: a line of accented UTF-8 words wraps where the same line of
// single-byte text does.
class Normaliser {
public:
    Normaliser(TItemLyr& list, const TextEncoding& encoding) : m_list(list), m_encoding(encoding) {}

    void run() {
        for (m_k = 0; m_k < m_list.count(); ++m_k) {
            LyrItem* it = at(m_k);
            if (it->lineBreak) {
                m_length = 0;
                continue;
            }
            item(it);
        }
    }

private:
    LyrItem* at(int i) { return &lyricItem(m_list, i); }
    std::size_t chars(const std::string& s) const { return m_encoding.charCount(s); }
    bool breakAt(int i) { return at(i)->lineBreak != 0; }

    void trimPrevious() {
        if (m_k >= 1 && !breakAt(m_k - 1)) dropTrailingSpace(at(m_k - 1)->text);
    }
    // A syllable that ends a line loses one trailing space, as it does when the break is read
    // from a file: a saved and reopened song then has the same syllables. The ticks are
    // provisional: PlaceLineBreaks gives every break its final one.
    void breakBefore(int i) {
        if (i >= 1 && !breakAt(i - 1)) dropTrailingSpace(at(i - 1)->text);
        const double tick = at(i)->tick - 10;
        m_list.insert(i, "", 1, tick);
        if (i <= m_k) ++m_k;
    }
    void breakAfter(int i) {
        dropTrailingSpace(at(i)->text);
        const double tick = at(i)->tick + 10;
        m_list.insert(i + 1, "", 1, tick);
        if (i <= m_k) ++m_k;
    }

    void item(LyrItem* it) {
        std::string& t = it->text;
        if (!t.empty() && m_length == 0) stripLeadingSpaces(t);
        if (!t.empty()) ConvertLyricMarkers(t, false, m_encoding);
        if (t.empty()) {
            // A syllable without text could not be saved: it would vanish at the next opening.
            m_list.remove(m_k--);
            return;
        }

        // A line mark at either end of a text means what a break item beside it means, so a
        // saved song, whose breaks are events of their own, opens to the same list.
        const std::size_t lead = std::min(t.find_first_not_of('\r'), t.size());
        const bool leadingMark = lead > 0;
        t.erase(0, lead);
        bool trailingMark = false;
        while (!t.empty() && t.back() == '\r') {
            t.pop_back();
            trailingMark = true;
        }
        if (leadingMark) stripLeadingSpaces(t);

        if (t.empty()) {
            if (m_k >= 1 && breakAt(m_k - 1)) {
                m_list.remove(m_k--);
                return;
            }
            trimPrevious();
            it->lineBreak = 1;
            m_length = 0;
            return;
        }
        if (leadingMark) {
            if (m_k >= 1 && !breakAt(m_k - 1)) breakBefore(m_k);
            m_length = 0;
        }
        const bool lineEnded = syllable(it);
        if (trailingMark && !lineEnded) {
            breakAfter(m_k);
            m_length = 0;
        }
    }

    // The rules for a syllable; returns true when a break now follows it.
    bool syllable(LyrItem* it) {
        std::string& t = it->text;
        const std::size_t len = chars(t);
        if (len > kLongSyllable && m_length + len > kSoftLength && m_length > 0) {
            breakBefore(m_k);
            stripLeadingSpaces(t);
            breakAfter(m_k);
            m_length = 0;
            return true;
        }
        // Files that carry a phrase per event: two long texts in a row end the line.
        if (m_k >= 1 && len > kPhraseText && chars(at(m_k - 1)->text) > kPhraseText) {
            stripLeadingSpaces(t);
            breakAfter(m_k);
            m_length = 0;
            return true;
        }
        if (len > kPhraseText && t.back() != ' ') t += ' ';
        m_length += chars(t);
        if (m_length <= kSoftLength) return false;
        return wrap(t);
    }

    // The line has grown past the soft limit with syllable k: break it at a word boundary.
    // The line left behind must fit: one still too long would be wrapped again at the next
    // opening, and a saved song would never open to the list it was saved from.
    bool wrap(std::string& t) {
        const bool fitsWithoutSpace = m_length - 1 <= kSoftLength || m_length == chars(t);
        if (t.back() == ' ' && fitsWithoutSpace) {
            breakAfter(m_k);
            m_length = 0;
            return true;
        }
        if (t.front() == ' ') {
            stripLeadingSpaces(t);
            breakBefore(m_k);
            m_length = chars(t);
            return false;
        }
        // Carry the word that syllable k ends in over to a new line.
        std::size_t sum = chars(t);
        for (int j = m_k - 1;; --j) {
            if (j < 0 || breakAt(j)) {
                // The line is one word: syllable k alone goes on.
                if (j < m_k - 1) breakBefore(m_k);
                m_length = chars(t);
                return false;
            }
            std::string& u = at(j)->text;
            if (!u.empty() && u.back() == ' ') {
                breakAfter(j);
                m_length = sum;
                return false;
            }
            sum += chars(u);
            if (!u.empty() && u.front() == ' ') {
                sum -= stripLeadingSpaces(u);
                breakBefore(j);
                m_length = sum;
                return false;
            }
        }
    }

    TItemLyr& m_list;
    const TextEncoding& m_encoding;
    int m_k = 0;
    std::size_t m_length = 0;
};

} // namespace

void ConvertLyricMarkers(std::string& text, bool dropFinalUnderscore,
                         const TextEncoding& encoding) {
    // The reader's cleaning drops a final "_"; kept, it is the space it stands for.
    if (!dropFinalUnderscore && !text.empty() && text.back() == '_' &&
        encoding.charLengthBefore(text, text.size()) == 1)
        text.back() = ' ';
    text = cleanLyricText(std::move(text), characterLengthOf(encoding));
}

int spacesInFirstTen(TItemLyr& list) {
    int spaces = 0;
    const int n = std::min(list.count(), 10);
    for (int i = 0; i < n; ++i)
        spaces += static_cast<int>(std::ranges::count(lyricItem(list, i).text, ' '));
    return spaces;
}

void LyricsDocument::NormaliseImportedLyrics() {
    Normaliser(lyrics(), m_encoding).run();
}

void LyricsDocument::chooseLyricTrack(const CMidiSong& song) {
    const int last = std::clamp(song.trackCount, 0, kSlots - 1);
    m_lyricTrack = -1;
    int currentSpaces = 0;
    for (int k = 0; k < kSlots; ++k) {
        TItemLyr& candidate = m_lists[static_cast<std::size_t>(k)];
        if (k > last || candidate.count() < 10) {
            candidate.clear();
            continue;
        }
        if (m_lyricTrack < 0) {
            m_lyricTrack = k;
            currentSpaces = spacesInFirstTen(candidate);
            continue;
        }
        TItemLyr& current = m_lists[static_cast<std::size_t>(m_lyricTrack)];
        const int spaces = spacesInFirstTen(candidate);
        // A list with words beats one without; otherwise the longer list wins, the first a tie.
        if (spaces < currentSpaces && spaces < 3)
            candidate.clear();
        else if (currentSpaces < spaces && currentSpaces < 3)
            current.clear();
        if (candidate.count() <= current.count()) {
            candidate.clear();
        } else {
            current.clear();
            m_lyricTrack = k;
            currentSpaces = spaces;
        }
    }

    const int chunk = m_lyricTrack < 0 ? 0 : m_lyricTrack;
    m_lyricMetaType =
        song.lyricSource[static_cast<std::size_t>(chunk)] == LyricSource::Text ? 1 : 5;
    if (m_lyricTrack >= 0) {
        NormaliseImportedLyrics();
        PlaceLineBreaks();
        BuildLineList();
        padLinesQuiet();
    } else {
        m_lyricTrack = 0;
        fillEmptyLines();
        BuildLineList();
    }
    notify({.editor = true, .scrollToTop = true});
}

} // namespace cantelo
