#include "core/document/editor_document.h"

#include "core/files/atomic_file.h"
#include "core/files/regular_file.h"
#include "core/song/syllable_file.h"
#include "core/timing/time_map.h"

#include <algorithm>
#include <exception>
#include <new>
#include <string_view>
#include <type_traits>

namespace cantelo {

namespace {

Result changedOrNothing(bool changed) {
    return changed ? Result::success() : Result::failure(FailureReason::NothingToDo);
}

Result writeResult(bool ok, int errnoValue, const std::string& path) {
    return ok ? Result::success() : Result::failure(reasonOfErrno(errnoValue), path);
}

// Sets a flag for the length of a scope, whichever way the scope is left.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~FlagScope() { m_flag = m_was; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
    bool m_was;
};

class DepthScope {
public:
    explicit DepthScope(int& depth) : m_depth(depth) { ++m_depth; }
    ~DepthScope() { --m_depth; }
    DepthScope(const DepthScope&) = delete;
    DepthScope& operator=(const DepthScope&) = delete;

private:
    int& m_depth;
};

void putBack(TItemLyr& list, const std::vector<LyricsHistory::Item>& items) {
    list.clear();
    for (const LyricsHistory::Item& it : items) list.add(it.text, it.lineBreak, it.tick);
}

} // namespace

EditorDocument::EditorDocument() : m_editor(m_doc.lyrics) {
    // The empty song's 36 empty lines; the editor follows them on its own.
    resetToEmptySong(m_doc);
    m_lyricsListenerId =
        m_doc.lyrics.subscribe([this](const LyricsChange& change) { onLyricsChange(change); });
    markSaved();
}

EditorDocument::~EditorDocument() {
    m_doc.lyrics.unsubscribe(m_lyricsListenerId);
}

// ---- Operation frame ------------------------------------------------------------------------

template <class Op>
auto EditorDocument::run(Guard guard, Op&& op) -> decltype(op()) {
    using Out = decltype(op());
    Out out{};
    {
        DepthScope depth(m_depth);
        std::vector<LyricsHistory::Item> before;
        try {
            if (guard == Guard::Lyrics) before = LyricsHistory::itemsOf(m_doc.lyrics.lyrics());
            out = op();
        } catch (const std::exception&) {
            // std::bad_alloc included: the command did not happen, so the text must look as if
            // it had not been tried. The history may hold a step for it; undo skips a step that
            // changes nothing.
            if constexpr (std::is_same_v<Out, Result>)
                out = Result::failure(FailureReason::Other);
            else
                out.result = Result::failure(FailureReason::Other);
            if (guard == Guard::Lyrics) {
                try {
                    putBack(m_doc.lyrics.lyrics(), before);
                    m_doc.lyrics.refresh(-1, 0, false);
                } catch (const std::exception&) {
                    // Out of memory again: the list keeps what the command left of it, which
                    // is still a valid list.
                }
            }
        }
    }
    try {
        if (m_depth == 0) checkModified();
    } catch (const std::exception&) {
        // A listener failed to take the Modified notice; the next check publishes it again.
    }
    return out;
}

Result EditorDocument::editLyrics(const std::function<void(TItemLyr&)>& change) {
    TItemLyr& list = m_doc.lyrics.lyrics();
    const std::vector<LyricsHistory::Item> before = LyricsHistory::itemsOf(list);
    change(list);
    if (LyricsHistory::holds(list, before)) return Result::failure(FailureReason::NothingToDo);
    // The history records lists, so the state before goes back into one for the record.
    TItemLyr previous;
    putBack(previous, before);
    m_editor.history().record(previous, m_editor.cursor());
    m_doc.lyrics.refresh(0, 0, false);
    return Result::success();
}

BindStart EditorDocument::bindStart() const {
    return {m_editor.bindStartLine(), m_reference.tick};
}

UndoTarget EditorDocument::undoTarget() {
    return {&m_editor.history(), m_editor.cursor()};
}

// ---- Notifications and the modified state ---------------------------------------------------

int EditorDocument::subscribe(DocumentListener listener) {
    const int id = m_nextListenerId++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void EditorDocument::unsubscribe(int id) {
    std::erase_if(m_listeners, [id](const auto& l) { return l.first == id; });
}

void EditorDocument::publish(const DocumentChange& change) {
    // The song's duration is read in milliseconds, which the tempos decide.
    if (change.kind == DocumentChangeKind::Tempo)
        m_doc.lengthLabel = clockText(m_doc.song.timeMap().tickToMs(m_doc.song.songLength));
    // A copy: a listener may subscribe or unsubscribe while the list is walked.
    const auto listeners = m_listeners;
    for (const auto& [id, listener] : listeners) {
        const bool stillSubscribed =
            std::any_of(m_listeners.begin(), m_listeners.end(),
                        [id = id](const auto& l) { return l.first == id; });
        if (stillSubscribed && listener) listener(change);
    }
}

void EditorDocument::onLyricsChange(const LyricsChange& change) {
    if (m_opening) return;
    publish({DocumentChangeKind::Lyrics, change});
    // Inside an operation the check waits for its end, when the list is complete.
    if (m_depth == 0) checkModified();
}

void EditorDocument::songEdited(DocumentChangeKind kind) {
    m_songGeneration = m_nextGeneration++;
    publish({kind, {}});
    if (m_depth == 0) checkModified();
}

void EditorDocument::positionMoved() {
    publish({DocumentChangeKind::Position, {}});
}

bool EditorDocument::modified() {
    return m_songGeneration != m_savedGeneration ||
           m_doc.lyrics.lyricTrack() != m_savedLyricTrack ||
           !LyricsHistory::holds(m_doc.lyrics.lyrics(), m_savedLyrics);
}

void EditorDocument::markSaved() {
    m_savedLyrics = LyricsHistory::itemsOf(m_doc.lyrics.lyrics());
    m_savedLyricTrack = m_doc.lyrics.lyricTrack();
    m_savedGeneration = m_songGeneration;
}

void EditorDocument::checkModified() {
    const bool now = modified();
    if (now == m_publishedModified) return;
    m_publishedModified = now;
    publish({DocumentChangeKind::Modified, {}});
}

// ---- Files ----------------------------------------------------------------------------------

Result EditorDocument::open(const std::string& path) {
    return run(Guard::None, [&] {
        Result result;
        {
            FlagScope quiet(m_opening);
            try {
                const OpenResult opened = openSongFile(m_doc, path, m_melodyChannel);
                if (!opened.ok)
                    result = Result::failure(opened.reason, path);
                else
                    removeStaleSaveTemporaries(path);
            } catch (const std::exception& e) {
                // Whatever was read so far is no song; the empty one is.
                resetToEmptySong(m_doc);
                const bool memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
                result =
                    Result::failure(memory ? FailureReason::TooLarge : FailureReason::Other, path);
            }
            m_editor.resetForNewSong();
            m_gesture.reset();
        }
        m_reference.clear();
        // The old song is gone either way: the user agreed to leave it before asking to open.
        markSaved();
        publish({DocumentChangeKind::FileOpened, {}});
        return result;
    });
}

WriteOutcome EditorDocument::save(const std::string& path, int formatChoice) {
    return run(Guard::Lyrics, [&] {
        const SaveResult saved = saveSongFile(m_doc, path, formatChoice);
        WriteOutcome out;
        out.path = saved.path;
        out.longLineWarning = saved.longLineWarning;
        if (!saved.ok) {
            out.result = Result::failure(saved.reason, saved.path);
            return out;
        }
        markSaved();
        publish({DocumentChangeKind::FileSaved, {}});
        return out;
    });
}

WriteOutcome EditorDocument::saveSameFormat() {
    if (!m_doc.saveEnabled || m_doc.currentFileName.empty()) {
        WriteOutcome out;
        out.result = Result::failure(FailureReason::NothingToDo);
        out.needsName = true;
        return out;
    }
    // A copy: the save sets the current name while it runs.
    const std::string path = m_doc.currentFileName;
    return save(path, sameFormatChoice(m_doc.song));
}

Result EditorDocument::loadSyllables(const std::string& path,
                                     const std::function<bool()>& confirmDivisionMismatch) {
    return run(Guard::Lyrics, [&] {
        std::vector<std::uint8_t> image;
        if (Result read = readFileImage(path, kMaxSyllableFileBytes, image); !read) return read;
        SyllableFile file;
        if (parseSyllableImage(image, file) != SyllableLoad::Loaded)
            return Result::failure(FailureReason::Unrecognised, path);
        if (file.division != m_doc.song.division() &&
            !(confirmDivisionMismatch && confirmDivisionMismatch()))
            return Result::failure(FailureReason::Refused, path);
        return editLyrics([&](TItemLyr& list) { applySyllables(file, list); });
    });
}

WriteOutcome EditorDocument::saveSyllables(const std::string& path) {
    return run(Guard::None, [&] {
        WriteOutcome out;
        out.path = withExtension(path, "nvs");
        int err = 0;
        const TextEncoding& encoding = m_doc.lyrics.textEncoding();
        const bool ok =
            saveSyllableFile(out.path, m_doc.lyrics.lyrics(), m_doc.song.division(), nullptr, &err,
                             [&encoding](std::string_view text, std::size_t pos) {
                                 return encoding.charLength(text, pos);
                             });
        out.result = writeResult(ok, err, out.path);
        return out;
    });
}

Result EditorDocument::importText(const std::string& path) {
    return run(Guard::Lyrics, [&] {
        std::vector<std::uint8_t> image;
        if (Result read = readFileImage(path, kMaxTextFileBytes, image); !read) return read;
        const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
        const std::optional<std::string> text =
            textFileInEncoding(bytes, m_doc.lyrics.textEncoding());
        if (!text) return Result::failure(FailureReason::NotInEncoding, path);
        return changedOrNothing(m_editor.importText(*text));
    });
}

WriteOutcome EditorDocument::exportText(const std::string& path, const ExportTrailer& trailer,
                                        bool asUtf8) {
    return run(Guard::None, [&] {
        WriteOutcome out;
        out.path = textExportPath(path);
        m_doc.lyrics.BuildLineList();
        const TextEncoding& encoding = m_doc.lyrics.textEncoding();
        const bool convert = asUtf8 && !encoding.isUtf8();
        int err = 0;
        const bool ok = ::cantelo::exportText(
            m_doc.lyrics.lineList(), out.path,
            trailerInEncoding(trailer, convert ? TextEncoding::utf8() : encoding), &err,
            convert ? &encoding : nullptr);
        out.result = writeResult(ok, err, out.path);
        return out;
    });
}

// ---- Lyrics commands ------------------------------------------------------------------------

// ---- Text encoding --------------------------------------------------------------------------

Result EditorDocument::setTextEncoding(const TextEncoding& encoding) {
    return run(Guard::None, [&] {
        if (encoding == m_doc.lyrics.textEncoding())
            return Result::failure(FailureReason::NothingToDo);
        m_doc.lyrics.setTextEncoding(encoding);
        // The editor follows the refresh, putting its cursor on a character of the new reading.
        m_doc.lyrics.refresh(m_editor.cursorColumn(), 0, false);
        return Result::success();
    });
}

Result EditorDocument::convertTextsToUtf8() {
    return run(Guard::None, [&] {
        if (!::cantelo::convertTextsToUtf8(m_doc))
            return Result::failure(FailureReason::NothingToDo);
        m_editor.history().clear();
        m_doc.lyrics.refresh(m_editor.cursorColumn(), 0, false);
        songEdited(DocumentChangeKind::SysEx); // the text events changed with the lyrics
        return Result::success();
    });
}

Result EditorDocument::clearText() {
    return run(Guard::Lyrics, [&] { return changedOrNothing(m_editor.clearText()); });
}

Result EditorDocument::syllabify() {
    return run(Guard::Lyrics, [&] { return changedOrNothing(m_editor.syllabify()); });
}

Result EditorDocument::textCase(LetterCase to) {
    return run(Guard::Lyrics, [&] { return changedOrNothing(m_editor.changeTextCase(to)); });
}

Result EditorDocument::syllableStartCase(LetterCase to) {
    return run(Guard::Lyrics,
               [&] { return changedOrNothing(m_editor.changeSyllableStartCase(to)); });
}

Result EditorDocument::adaptText() {
    return run(Guard::Lyrics, [&] { return changedOrNothing(m_editor.adaptTextToWindow()); });
}

Result EditorDocument::joinSyllables() {
    return run(Guard::Lyrics, [&] { return changedOrNothing(m_editor.joinSyllables()); });
}

Result EditorDocument::bindToMelody() {
    return run(Guard::Lyrics, [&] {
        return changedOrNothing(::cantelo::bindToMelody(m_doc, bindStart(), undoTarget()));
    });
}

Result EditorDocument::shiftToFirstNote() {
    return run(Guard::Lyrics, [&] {
        return changedOrNothing(
            ::cantelo::shiftToFirstNote(m_doc, m_editor.bindStartLine(), undoTarget()));
    });
}

Result EditorDocument::attachToNote(int item, double noteTick) {
    return run(Guard::Lyrics, [&] {
        return changedOrNothing(::cantelo::attachToNote(m_doc, item, noteTick, undoTarget()));
    });
}

Result EditorDocument::dropDrag(const GridDrag& drag, int x, int zoom) {
    if (m_keepBound) return Result::failure(FailureReason::NothingToDo);
    return run(Guard::Lyrics, [&] {
        return changedOrNothing(::cantelo::dropDrag(m_doc, drag, x, zoom, undoTarget()));
    });
}

Result EditorDocument::splitOrJoin(int item, int grabOffset, const TextWidth& width) {
    return run(Guard::Lyrics, [&] {
        const BindStart start = bindStart();
        const SplitJoin done = ::cantelo::splitOrJoin(m_doc, item, grabOffset, width,
                                                      m_keepBound ? &start : nullptr, undoTarget());
        return changedOrNothing(done != SplitJoin::None);
    });
}

Result EditorDocument::undo() {
    return historyStep(true);
}

Result EditorDocument::redo() {
    return historyStep(false);
}

Result EditorDocument::historyStep(bool undo) {
    return run(Guard::Lyrics, [&] {
        // Pressed in the middle of a gesture (a fader still dragged), the step taken back is the
        // gesture's moves so far; the gesture goes on as a step of its own, not one per move.
        std::optional<std::pair<DocumentChangeKind, SongScope>> open;
        if (m_gesture) open.emplace(m_gesture->kind, m_gesture->scope);
        endSongGesture();
        const HistoryAction* a = undo ? m_editor.history().undoAction(m_doc.lyrics.lyrics())
                                      : m_editor.history().redoAction(m_doc.lyrics.lyrics());
        Result result = Result::success();
        if (a)
            songStepApplied(a, undo);
        else
            result = changedOrNothing(undo ? m_editor.undo() : m_editor.redo());
        if (open) beginSongGesture(open->first, open->second);
        return result;
    });
}

// ---- Melody, reference, options -------------------------------------------------------------

Result EditorDocument::setReference(std::int32_t positionTick) {
    return run(Guard::None, [&] {
        BindReference next = m_reference;
        next.set(m_doc.song, positionTick);
        if (next.tick == m_reference.tick && next.label == m_reference.label)
            return Result::failure(FailureReason::NothingToDo);
        m_reference = std::move(next);
        publish({DocumentChangeKind::Reference, {}});
        return Result::success();
    });
}

Result EditorDocument::clearReference() {
    return run(Guard::None, [&] {
        BindReference next;
        if (next.tick == m_reference.tick && next.label == m_reference.label)
            return Result::failure(FailureReason::NothingToDo);
        m_reference.clear();
        publish({DocumentChangeKind::Reference, {}});
        return Result::success();
    });
}

MelodyChannelOutcome EditorDocument::setMelodyChannel(int channel, std::int32_t positionTick) {
    return run(Guard::None, [&] {
        MelodyChannelOutcome out;
        if (channel < 0 || channel >= kChannels) {
            out.result = Result::failure(FailureReason::Other);
            return out;
        }
        m_melodyChannel = channel;
        out.program = changeMelodyChannel(m_doc, channel, positionTick);
        m_doc.instrumentName = out.program.name;
        publish({DocumentChangeKind::MelodyNotes, {}});
        publish({DocumentChangeKind::MelodyChannel, {}});
        return out;
    });
}

Result EditorDocument::deleteMelodyNote(int index) {
    return run(Guard::None, [&] {
        if (!::cantelo::deleteMelodyNote(m_doc, index))
            return Result::failure(FailureReason::NothingToDo);
        publish({DocumentChangeKind::MelodyNotes, {}});
        return Result::success();
    });
}

Result EditorDocument::setKeepBound(bool on) {
    return run(Guard::None, [&] {
        if (m_keepBound == on) return Result::failure(FailureReason::NothingToDo);
        m_keepBound = on;
        publish({DocumentChangeKind::Options, {}});
        return Result::success();
    });
}

Result EditorDocument::setManualPositioning(bool on) {
    return run(Guard::None, [&] {
        if (m_manualPositioning == on) return Result::failure(FailureReason::NothingToDo);
        m_manualPositioning = on;
        publish({DocumentChangeKind::Options, {}});
        return Result::success();
    });
}

// ---- Song commands --------------------------------------------------------------------------

Result EditorDocument::clearAllBanks() {
    return editSong(DocumentChangeKind::Controllers, SongScope::allControls(), [](CMidiSong& s) {
        // Removing events frees memory only: it cannot fail half-way.
        return s.removeControllers(0) + s.removeControllers(32) > 0;
    });
}

Result EditorDocument::editSong(DocumentChangeKind kind, const SongScope& scope,
                                const std::function<bool(CMidiSong&)>& edit) {
    return run(Guard::None, [&] {
        endSongGesture();
        SongState before = SongState::capture(m_doc.song, scope);
        const std::uint64_t beforeId = m_songGeneration;
        if (!edit(m_doc.song)) return Result::failure(FailureReason::NothingToDo);
        SongState after = SongState::capture(m_doc.song, scope);
        if (after == before) return Result::failure(FailureReason::NothingToDo);
        recordSongStep(kind, std::move(before), std::move(after), beforeId);
        publish({kind, {}});
        return Result::success();
    });
}

void EditorDocument::beginSongGesture(DocumentChangeKind kind, const SongScope& scope) {
    endSongGesture();
    m_gesture = Gesture{kind, scope, SongState::capture(m_doc.song, scope), m_songGeneration};
}

void EditorDocument::gestureEdit(const std::function<void(CMidiSong&)>& edit) {
    if (!m_gesture) return;
    run(Guard::None, [&] {
        edit(m_doc.song);
        songEdited(m_gesture->kind);
        return Result::success();
    });
}

Result EditorDocument::endSongGesture() {
    if (!m_gesture) return Result::failure(FailureReason::NothingToDo);
    Gesture g = std::move(*m_gesture);
    m_gesture.reset();
    return run(Guard::None, [&] {
        SongState after = SongState::capture(m_doc.song, g.scope);
        if (after == g.before) {
            // Dragged and brought back: no step, and the song is the one it was.
            if (m_songGeneration != g.beforeId) {
                m_songGeneration = g.beforeId;
                publish({g.kind, {}});
            }
            return Result::failure(FailureReason::NothingToDo);
        }
        recordSongStep(g.kind, std::move(g.before), std::move(after), g.beforeId);
        return Result::success();
    });
}

void EditorDocument::recordSongStep(DocumentChangeKind kind, SongState before, SongState after,
                                    std::uint64_t beforeId) {
    // The state after the edit gets its number now, so a gesture's many moves are one state.
    if (m_songGeneration == beforeId) m_songGeneration = m_nextGeneration++;
    m_editor.history().recordAction(std::make_shared<SongStep>(
        m_doc.song, kind, std::move(before), std::move(after), beforeId, m_songGeneration));
}

void EditorDocument::songStepApplied(const HistoryAction* action, bool undone) {
    const auto* step = dynamic_cast<const SongStep*>(action);
    if (!step) return;
    m_songGeneration = undone ? step->beforeId() : step->afterId();
    publish({step->kind(), {}});
}

} // namespace cantelo
