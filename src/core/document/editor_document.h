#pragma once

#include "core/document/binding.h"
#include "core/document/document_change.h"
#include "core/document/song_edit.h"
#include "core/document/song_file.h"
#include "core/files/result.h"
#include "core/lyrics/lyrics_editor.h"
#include "core/lyrics/lyrics_history.h"
#include "core/lyrics/text_tools.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cantelo {

using DocumentListener = std::function<void(const DocumentChange&)>;

inline constexpr int kDefaultMelodyChannel = 3; // MIDI channel 4

// The outcome of a command that writes a file.
struct WriteOutcome {
    Result result;
    std::string path;             // the file written, or the one that could not be written
    bool longLineWarning = false; // song saves: a line is over 33 characters (warn once)
    bool needsName = false;       // saveSameFormat without a current name: ask one, then save()
};

struct MelodyChannelOutcome {
    Result result;
    // The program in force on the new channel, for the caller to show and send (-1: send none).
    MelodyProgram program;
};

// What the user works on: the song with everything the views derive from it, the lyrics and
// their editor with the undo history, the binding reference pointer, the melody channel, the
// binding options and whether there are unsaved changes. Every command of the windows is one
// call here and returns success or the reason of its failure; every change is published to the
// subscribers, from which the windows redraw.
//
// Rules that hold for every operation:
// - no exception leaves it: running out of memory (or any std::exception) gives reason Other and
//   leaves the lyric list as it was before the operation;
// - a command that finds nothing to change returns NothingToDo, records no undo step and
//   publishes nothing;
// - each lyrics command is one undo step;
// - Modified is published after it whenever modified() has flipped.
//
// GUI thread only. Playback must be stopped before open() (the song is reset and read in place);
// the key-by-key editing goes straight to editor(), whose notifications are published as Lyrics
// changes like those of the commands.
class EditorDocument {
public:
    EditorDocument();
    ~EditorDocument();
    EditorDocument(const EditorDocument&) = delete;
    EditorDocument& operator=(const EditorDocument&) = delete;

    // ---- State, for the windows to draw -----------------------------------------------------

    SongDocument& songDocument() { return m_doc; }
    CMidiSong& song() { return m_doc.song; }
    LyricsDocument& lyrics() { return m_doc.lyrics; }
    LyricsEditor& editor() { return m_editor; }
    const BindReference& reference() const { return m_reference; }
    int melodyChannel() const { return m_melodyChannel; }
    bool keepBound() const { return m_keepBound; }                 // "Mantieni Agganciate ..."
    bool manualPositioning() const { return m_manualPositioning; } // "Posizionamento Manuale"
    const std::string& fileName() const { return m_doc.currentFileName; }

    // Whether the lyrics (or the choice of their track) differ from those of the last open or
    // save, or the song was edited since. Derived afresh on every call: undoing back to the
    // saved text makes the document unmodified again.
    bool modified();

    // ---- Notifications ----------------------------------------------------------------------

    // Listeners run synchronously, in the order they subscribed, after the change is complete.
    // A listener may subscribe or unsubscribe (itself included) while it runs.
    int subscribe(DocumentListener listener);
    void unsubscribe(int id);

    // A change of the song made outside the history (none of the tools'): published, and the
    // document is modified from now until the next open or save.
    void songEdited(DocumentChangeKind kind);
    // The song position moved (the transport, a click on the grid): published, nothing else.
    void positionMoved();

    // ---- Files ------------------------------------------------------------------------------

    // Opens a song with the current melody channel; the editor starts afresh (cursor, history),
    // the reference pointer is cleared and the opened state counts as saved. On failure the
    // document is that of an empty song (see resetToEmptySong): Unrecognised for a file that is
    // not a song, NotFound, NotAFile, Empty, TooLarge, Denied or Other when it cannot be read.
    // Publishes FileOpened either way.
    Result open(const std::string& path);
    // Tidies the lyrics, hands them to the song and writes it with `formatChoice`
    // (kFormatChoice0/1); the .nvk rules of songSavePath apply. A failure keeps any earlier file
    // and gives the writer's reason. Publishes FileSaved on success.
    WriteOutcome save(const std::string& path, int formatChoice);
    // "Salva": the current name in the song's own format. With no name, or before a song was
    // opened, nothing happens: NothingToDo with needsName set.
    WriteOutcome saveSameFormat();

    // Loads a syllable file over the lyric list as one undo step. `confirmDivisionMismatch` is
    // asked when the file was timed at another division (Refused when it says no or is empty).
    // Unrecognised when the file is not a syllable file; reading as readFileImage.
    Result loadSyllables(const std::string& path,
                         const std::function<bool()>& confirmDivisionMismatch);
    // Writes the lyric list as a syllable file; ".nvs" is added when missing.
    WriteOutcome saveSyllables(const std::string& path);
    // Imports a text file (a regular file of at most 1 MiB: NotAFile, TooLarge, Empty ...).
    Result importText(const std::string& path);
    // Writes the lines and `trailer` as text, in the song's encoding or, with `asUtf8`, converted
    // to UTF-8; ".txt" is added when missing.
    WriteOutcome exportText(const std::string& path, const ExportTrailer& trailer,
                            bool asUtf8 = false);

    // ---- Text encoding ------------------------------------------------------------------------

    // "Codifica testo": the same bytes read in `encoding` from now on. No byte of the song
    // changes, so it is no undo step and no modification; every view redraws. NothingToDo for
    // the encoding already in use.
    Result setTextEncoding(const TextEncoding& encoding);
    // "Salva con Nome"'s offer to write the texts as UTF-8 (see convertTextsToUtf8 of
    // song_file.h). It cannot be undone: the undo history starts again, because its steps hold
    // texts in the old code page, which undone into the UTF-8 song would mix two encodings in
    // one file. The song counts as modified until it is saved. NothingToDo when the song is
    // UTF-8 already or a text does not convert.
    bool canConvertTextsToUtf8() { return textsConvertToUtf8(m_doc); }
    Result convertTextsToUtf8();

    // ---- Lyrics commands (one undo step each) -------------------------------------------------

    Result clearText();
    Result syllabify();
    Result textCase(LetterCase to);
    Result syllableStartCase(LetterCase to); // the syllable under the editor's cursor
    Result adaptText();
    Result joinSyllables(); // the syllable under the editor's cursor and the item after it
    // From the editor's bindStartLine, onto the melody notes at or after the reference tick.
    Result bindToMelody();
    Result shiftToFirstNote();
    // The grid's commands: see binding.h. dropDrag is refused while keepBound() is on (the
    // syllables stay on their notes); splitOrJoin binds again from the start line when it is.
    Result attachToNote(int item, double noteTick);
    Result dropDrag(const GridDrag& drag, int x, int zoom);
    Result splitOrJoin(int item, int grabOffset, const TextWidth& width);

    Result undo();
    Result redo();
    bool canUndo() const { return m_editor.canUndo(); }
    bool canRedo() const { return m_editor.canRedo(); }

    // ---- Melody, reference, options ----------------------------------------------------------

    // Publishes Reference.
    Result setReference(std::int32_t positionTick);
    Result clearReference();
    // The melody notes are refilled for `channel` (0..15, else Other) and the instrument name
    // becomes that of the program in force at `positionTick`. Publishes MelodyNotes and
    // MelodyChannel.
    MelodyChannelOutcome setMelodyChannel(int channel, std::int32_t positionTick);
    // "Elimina Nota": the note leaves the melody list only. Publishes MelodyNotes.
    Result deleteMelodyNote(int index);
    // Publish Options.
    Result setKeepBound(bool on);
    Result setManualPositioning(bool on);

    // ---- Song commands -----------------------------------------------------------------------

    // A tool's edit of the song, as one undo step in the history of the lyrics: `edit` changes
    // only the parts named by `scope` and returns whether it did anything. The change `kind`
    // is published (after undo and redo as well). NothingToDo when the scope is as before.
    Result editSong(DocumentChangeKind kind, const SongScope& scope,
                    const std::function<bool(CMidiSong&)>& edit);
    // A gesture (a fader dragged) that changes the song many times and is one undo step: begin
    // keeps the scope's state, each move edits and publishes `kind`, end records the step when
    // the scope changed. Beginning again ends a gesture left open. An undo or redo in the middle
    // closes the gesture's step and goes on with a new one.
    void beginSongGesture(DocumentChangeKind kind, const SongScope& scope);
    void gestureEdit(const std::function<void(CMidiSong&)>& edit);
    Result endSongGesture();
    bool inSongGesture() const { return m_gesture.has_value(); }

    // "Azzera tutti i Banchi": every bank select (controllers 0 and 32) of every channel goes.
    // One undo step; publishes Controllers.
    Result clearAllBanks();

    // Where an edit made outside the document's commands (a key-tap take) records its undo step:
    // the lyrics history, with the editor's cursor.
    UndoTarget undoTarget();

private:
    enum class Guard { None, Lyrics };

    // Runs one operation: the modified state is checked once at its end, and an exception is
    // turned into reason Other with the lyric list put back (for Guard::Lyrics).
    template <class Op>
    auto run(Guard guard, Op&& op) -> decltype(op());
    // A change of the lyric list made here rather than by the editor, as one undo step.
    Result editLyrics(const std::function<void(TItemLyr&)>& change);
    BindStart bindStart() const;

    void onLyricsChange(const LyricsChange& change);
    void recordSongStep(DocumentChangeKind kind, SongState before, SongState after,
                        std::uint64_t beforeId);
    void songStepApplied(const HistoryAction* action, bool undone);
    void publish(const DocumentChange& change);
    void markSaved();
    void checkModified();

    SongDocument m_doc;
    LyricsEditor m_editor;
    BindReference m_reference;
    int m_melodyChannel = kDefaultMelodyChannel;
    bool m_keepBound = false;
    bool m_manualPositioning = false;

    std::vector<LyricsHistory::Item> m_savedLyrics;
    int m_savedLyricTrack = -1;
    // Names the song's state: each edit gives a new number, undo and redo give back the number
    // of the state they restore, so undoing back to the saved song is not a change.
    std::uint64_t m_songGeneration = 0;
    std::uint64_t m_nextGeneration = 1;
    std::uint64_t m_savedGeneration = 0;
    struct Gesture {
        DocumentChangeKind kind;
        SongScope scope;
        SongState before;
        std::uint64_t beforeId;
    };
    std::optional<Gesture> m_gesture;
    Result historyStep(bool undo);
    bool m_publishedModified = false;

    std::vector<std::pair<int, DocumentListener>> m_listeners;
    int m_nextListenerId = 1;
    int m_lyricsListenerId = 0;
    int m_depth = 0;        // operations under way (they nest)
    bool m_opening = false; // the lyric notifications of an open are covered by FileOpened
};

} // namespace cantelo
