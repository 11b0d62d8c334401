#include "core/document/song_file.h"

#include "core/files/regular_file.h"
#include "core/song/midi_reader.h"
#include "core/song/midi_writer.h"
#include "core/timing/time_map.h"

#include <algorithm>
#include <cctype>

namespace cantelo {

namespace {

constexpr std::int32_t kInstrumentTick = 2000;

std::string_view extensionOf(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return path.substr(dot + 1);
}

std::string_view withoutDot(std::string_view ext) {
    return !ext.empty() && ext.front() == '.' ? ext.substr(1) : ext;
}

// The reset puts the credit text at the head of the text list; a file saved by this editor
// already holds it, and keeping both would add one more credit with every save.
void dropRepeatedCredit(CMidiSong& song, const CObjectMetaEventText* resetCredit) {
    if (!resetCredit) return;
    auto& texts = song.data().texts;
    for (const auto& e : texts) {
        if (&e != resetCredit && e.type == resetCredit->type && e.data == resetCredit->data) {
            texts.erase(const_cast<CObjectMetaEventText*>(resetCredit));
            return;
        }
    }
}

} // namespace

TextEncoding detectSongEncoding(CMidiSong& song) {
    std::vector<std::string_view> texts;
    for (const auto& e : song.data().texts)
        texts.emplace_back(reinterpret_cast<const char*>(e.data.data()), e.data.size());
    return detectTextEncoding(texts);
}

namespace {

std::string_view bytesOf(const CObjectMetaEventText& e) {
    return {reinterpret_cast<const char*>(e.data.data()), e.data.size()};
}

// Every text the song would write: its text events, its track names and the lyric list.
template <typename Visit>
bool everySongText(SongDocument& doc, const Visit& visit) {
    for (auto& e : doc.song.data().texts) {
        std::string text(bytesOf(e));
        if (!visit(text)) return false;
        e.data.assign(text.begin(), text.end());
    }
    for (auto& t : doc.song.data().tracks)
        if (!visit(t.name)) return false;
    for (LyrItem* it = doc.lyrics.lyrics().head(); it; it = it->next)
        if (!visit(it->text)) return false;
    return true;
}

} // namespace

Utf8Conversion utf8ConversionOf(SongDocument& doc) {
    const TextEncoding encoding = doc.lyrics.textEncoding();
    if (encoding.isUtf8()) return Utf8Conversion::NothingToConvert;
    // Only looks: each text is handed over unchanged.
    bool beyondAscii = false;
    const bool readable = everySongText(doc, [&](const std::string& text) {
        beyondAscii = beyondAscii || !isAscii(text);
        return encoding.decode(text).find(U'\uFFFD') == std::u32string::npos;
    });
    if (!readable) return Utf8Conversion::Unreadable;
    return beyondAscii ? Utf8Conversion::Converts : Utf8Conversion::NothingToConvert;
}

bool convertTextsToUtf8(SongDocument& doc) {
    if (!textsConvertToUtf8(doc)) return false;
    const TextEncoding encoding = doc.lyrics.textEncoding();
    everySongText(doc, [&](std::string& text) {
        text = toUtf8(text, encoding);
        return true;
    });
    doc.lyrics.setTextEncoding(TextEncoding::utf8());
    return true;
}

bool hasExtension(std::string_view path, std::string_view ext) {
    if (path.find_last_of('.') == std::string_view::npos) return false;
    const std::string_view have = extensionOf(path);
    const std::string_view want = withoutDot(ext);
    return have.size() == want.size() &&
           std::equal(have.begin(), have.end(), want.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

std::string songSavePath(std::string_view chosen, std::string_view currentName,
                         bool readScrambled) {
    std::string path(chosen);
    if ((readScrambled || hasExtension(currentName, "nvk")) && !hasExtension(path, "nvk"))
        path += ".nvk";
    return path;
}

std::string withExtension(std::string_view chosen, std::string_view ext) {
    std::string path(chosen);
    if (!hasExtension(path, ext)) {
        path += '.';
        path += withoutDot(ext);
    }
    return path;
}

void resetToEmptySong(SongDocument& doc) {
    CMidiSong& song = doc.song;
    doc.lyrics.reset();
    song.reset();
    doc.lyrics.chooseLyricTrack(song);
    doc.currentFileName.clear();
    doc.saveEnabled = false;
    doc.melodyNotes.clear();
    doc.instrumentName.clear();
    doc.songEnd = 1;
    doc.positionLabel = song.timeMap().positionText(0);
    doc.endLabel = doc.positionLabel;
    doc.lengthLabel = clockText(0);
}

OpenResult openSongFile(SongDocument& doc, const std::string& path, int melodyChannel) {
    CMidiSong& song = doc.song;
    LyricsDocument& lyrics = doc.lyrics;
    doc.currentFileName = path;
    lyrics.reset();
    song.reset();
    doc.positionLabel = song.timeMap().positionText(0);

    const CObjectMetaEventText* resetCredit = song.data().texts.head();
    const Result read = readSongFile(song, path);
    if (!read) {
        // The half-read file and the old song's notes and labels must not pass for the new song.
        resetToEmptySong(doc);
        return {false, read.reason};
    }
    dropRepeatedCredit(song, resetCredit);
    doc.saveEnabled = true;
    doc.songLoaded = true;

    lyrics.setTextEncoding(detectSongEncoding(song));
    extractLyrics(song, lyrics.trackTextLists(), characterLengthOf(lyrics.textEncoding()));
    lyrics.chooseLyricTrack(song);

    const int melody = std::clamp(melodyChannel, 0, kChannels - 1);
    doc.instrumentName.clear();
    song.programNameAt(melody, kInstrumentTick, &doc.instrumentName);
    doc.melodyNotes.clear();
    song.noteTable(doc.melodyNotes, melody);

    doc.songEnd = song.songLength == 0 ? 1 : song.songLength;
    doc.endLabel = song.timeMap().positionText(song.songLength);
    doc.lengthLabel = clockText(song.timeMap().tickToMs(song.songLength));

    // The mixer shows the values in force at the start: one pass over the chase list, which
    // for a large song holds hundreds of thousands of entries.
    static constexpr int kMixerControllers[] = {7, 10, 91, 93};
    static constexpr DisplayController kMixerSlots[] = {
        DisplayController::Volume, DisplayController::Pan, DisplayController::Reverb,
        DisplayController::Chorus};
    const std::vector<std::int32_t> mixer = song.controllersAt(kMixerControllers, 0);
    constexpr std::size_t n = std::size(kMixerControllers);
    for (int ch = 0; ch < kChannels; ++ch) {
        for (std::size_t i = 0; i < n; ++i)
            song.setDisplayValue(ch, kMixerSlots[i], mixer[static_cast<std::size_t>(ch) * n + i]);
        song.setMuted(ch, false);
    }
    return {true};
}

SaveResult saveSongFile(SongDocument& doc, const std::string& path, int formatChoice) {
    SaveResult result;
    result.path = songSavePath(path, doc.currentFileName, doc.song.scrambled);
    doc.lyrics.TidyLyrics();
    result.longLineWarning = doc.lyrics.handOverLyrics(doc.song);
    const int format = formatChoice == kFormatChoice1 ? 1 : 0;
    int err = 0;
    result.ok = writeSongFile(doc.song, result.path, format, hasExtension(result.path, "nvk"),
                              &result.error, &err);
    if (result.ok)
        doc.currentFileName = result.path;
    else
        result.reason = reasonOfErrno(err);
    return result;
}

} // namespace cantelo
