#include "core/document/binding.h"

#include "core/timing/time_map.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace cantelo {

namespace {

std::int32_t wholeTick(double tick) {
    return static_cast<std::int32_t>(tick);
}

// Where an automatic binding begins: the first item and the first note it uses.
struct BindPlan {
    int first = -1;
    const ChannelItem* note = nullptr;
    explicit operator bool() const { return note != nullptr; }
};

BindPlan planBinding(const TItemLyr& list, const TChannelItem& notes, BindStart start) {
    const int first = firstItemOfLine(list, start.line);
    if (first < 0 || first >= list.count()) return {};
    const ChannelItem* note = notes.head();
    while (note && wholeTick(note->tick) < start.referenceTick) note = note->next;
    return note ? BindPlan{first, note} : BindPlan{};
}

void applyBinding(TItemLyr& list, int noteCount, const BindPlan& plan) {
    LyrItem* it = list.get(plan.first);
    int index = plan.first;
    const ChannelItem* note = plan.note;
    const LyrItem* lastBound = nullptr;
    while (note && it) {
        for (; it && it->lineBreak; it = it->next, ++index)
            it->tick = std::max(0.0, note->tick - kBreakBeforeNote);
        if (!it) break;
        it->tick = note->tick;
        lastBound = it;
        it = it->next;
        ++index;
        note = note->next;
    }
    // The rest of the text keeps its order after the melody's end, ready for a later binding.
    if (noteCount < list.count() && it && lastBound) {
        const std::int32_t last = wholeTick(lastBound->tick);
        for (; it; it = it->next, ++index)
            it->tick = last + static_cast<double>(kLeftoverStep) * index;
    }
}

// The largest leftward shift that keeps item `from` and every later one at or after tick 0.
std::int32_t clampShift(const TItemLyr& list, int from, std::int32_t shift) {
    if (shift >= 0) return shift;
    const LyrItem* it = list.head();
    for (int i = 0; it && i < from; ++i) it = it->next;
    double lowest = std::numeric_limits<double>::max();
    for (; it; it = it->next) lowest = std::min(lowest, it->tick);
    if (lowest == std::numeric_limits<double>::max()) return shift;
    const double floorLowest = std::floor(std::max(0.0, lowest));
    return std::max(shift, -static_cast<std::int32_t>(floorLowest));
}

// The shift the whole-text drag applies at `x`, kept inside the song.
std::int32_t wholeTextShift(SongDocument& doc, const GridDrag& drag, int x, int zoom) {
    return clampShift(doc.lyrics.lyrics(), drag.item,
                      dragShift(drag, x, doc.song.division(), zoom));
}

bool isLoneSpace(const std::string& s) {
    return s == " ";
}

} // namespace

int firstItemOfLine(const TItemLyr& list, int line) {
    if (line < 0 || list.count() == 0) return -1;
    if (line == 0) return 0;
    int breaks = 0;
    int index = 0;
    for (const LyrItem* it = list.head(); it; it = it->next, ++index) {
        if (it->lineBreak && ++breaks == line) return index + 1;
    }
    return -1;
}

bool bindToMelody(SongDocument& doc, BindStart start, UndoTarget undo) {
    TItemLyr& list = doc.lyrics.lyrics();
    const BindPlan plan = planBinding(list, doc.melodyNotes, start);
    if (!plan) return false;
    undo.record(list);
    applyBinding(list, doc.melodyNotes.count(), plan);
    doc.lyrics.refresh(0, 0, false);
    return true;
}

bool shiftToFirstNote(SongDocument& doc, int startLine, UndoTarget undo) {
    TItemLyr& list = doc.lyrics.lyrics();
    const ChannelItem* firstNote = doc.melodyNotes.head();
    const int first = firstItemOfLine(list, startLine);
    if (!firstNote || first < 0 || first >= list.count()) return false;
    LyrItem* from = list.get(first);
    const std::int32_t shift = wholeTick(firstNote->tick - from->tick);
    if (shift == 0) return false;
    // Checked before anything moves: a shift stopped half way would tear the text apart.
    for (const LyrItem* it = from; it; it = it->next)
        if (it->tick + shift < 0) return false;
    undo.record(list);
    for (LyrItem* it = from; it; it = it->next) it->tick += shift;
    doc.lyrics.refresh(-1, 0);
    return true;
}

bool attachToNote(SongDocument& doc, int item, double noteTick, UndoTarget undo) {
    TItemLyr& list = doc.lyrics.lyrics();
    LyrItem* it = list.get(item);
    if (!it || noteTick < 0) return false;
    undo.record(list);
    const std::int32_t oldTick = wholeTick(it->tick);
    it->tick = noteTick;
    doc.song.moveTextEventTick(oldTick, wholeTick(noteTick), doc.lyrics.lyricMetaType());
    doc.lyrics.refresh(-1, 0, false);
    return true;
}

double dragDistance(const GridDrag& drag, int x, std::int32_t division, int zoom) {
    if (zoom <= 0) return 0;
    const double pixels = static_cast<double>(x) - drag.grabOffset - drag.boxLeft;
    return static_cast<double>(division) * pixels / zoom;
}

std::int32_t dragShift(const GridDrag& drag, int x, std::int32_t division, int zoom) {
    if (zoom <= 0) return 0;
    const std::int64_t pixels = static_cast<std::int64_t>(x) - drag.grabOffset - drag.boxLeft;
    const std::int64_t ticks = static_cast<std::int64_t>(division) * pixels / zoom;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        ticks, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::int32_t dragLabelTick(const GridDrag& drag, int x, int scroll, std::int32_t division,
                           int zoom) {
    if (zoom <= 0) return 0;
    const std::int64_t pixels = static_cast<std::int64_t>(x) - drag.grabOffset + scroll;
    const std::int64_t ticks = static_cast<std::int64_t>(division) * pixels / zoom;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(ticks, 0, std::numeric_limits<std::int32_t>::max()));
}

std::vector<PreviewItem> manualPositionPreview(SongDocument& doc, const GridDrag& drag, int x,
                                               int zoom) {
    std::vector<PreviewItem> preview;
    TItemLyr& list = doc.lyrics.lyrics();
    LyrItem* it = list.get(drag.item);
    if (!it) return preview;
    const std::int32_t shift = wholeTextShift(doc, drag, x, zoom);
    int index = drag.item;
    for (; it; it = it->next, ++index)
        preview.push_back({index, it->text, it->tick + shift, it->lineBreak != 0});
    return preview;
}

bool dropDrag(SongDocument& doc, const GridDrag& drag, int x, int zoom, UndoTarget undo) {
    TItemLyr& list = doc.lyrics.lyrics();
    LyrItem* dragged = list.get(drag.item);
    if (!dragged) return false;
    if (drag.wholeText) {
        const std::int32_t shift = wholeTextShift(doc, drag, x, zoom);
        if (shift == 0) return false;
        undo.record(list);
        for (LyrItem* it = dragged; it; it = it->next) it->tick += shift;
    } else {
        const double tick =
            std::max(0.0, dragged->tick + dragDistance(drag, x, doc.song.division(), zoom));
        if (tick == dragged->tick) return false;
        undo.record(list);
        dragged->tick = tick;
    }
    doc.lyrics.refresh(-1, 0, false);
    return true;
}

SplitJoin splitOrJoin(SongDocument& doc, int item, int grabOffset, const TextWidth& width,
                      const BindStart* rebind, UndoTarget undo) {
    TItemLyr& list = doc.lyrics.lyrics();
    LyrItem* it = list.get(item);
    if (!it || it->lineBreak || it->text.empty() || !width) return SplitJoin::None;
    const std::string_view text = it->text;

    SplitJoin done = SplitJoin::None;
    if (item > 0 && grabOffset <= width(text.substr(0, 1))) {
        LyrItem* before = it->prev;
        if (before->lineBreak) return SplitJoin::None;
        undo.record(list);
        before->text += it->text;
        list.remove(item);
        done = SplitJoin::Joined;
    } else {
        std::size_t cut = 0;
        while (cut < text.size() && width(text.substr(0, cut + 1)) < grabOffset) ++cut;
        const std::string head(text.substr(0, cut));
        const std::string tail(text.substr(cut));
        // An empty side would be an invisible syllable holding a note of its own.
        if (head.empty() || tail.empty() || isLoneSpace(head) || isLoneSpace(tail))
            return SplitJoin::None;
        undo.record(list);
        const double tick = it->tick;
        it->text = head;
        list.insert(item + 1, tail, 0, tick + kSplitStep);
        done = SplitJoin::Split;
    }

    // The line list is not consulted: the start line's first item is found from the list itself,
    // which already holds the split or join.
    const BindPlan plan = rebind ? planBinding(list, doc.melodyNotes, *rebind) : BindPlan{};
    if (plan) {
        applyBinding(list, doc.melodyNotes.count(), plan);
        doc.lyrics.refresh(0, 0, false);
    } else {
        doc.lyrics.refresh(-1, 0, false);
    }
    return done;
}

bool deleteMelodyNote(SongDocument& doc, int index) {
    if (index < 0 || index >= doc.melodyNotes.count()) return false;
    doc.melodyNotes.remove(index);
    return true;
}

MelodyProgram changeMelodyChannel(SongDocument& doc, int channel, std::int32_t position) {
    MelodyProgram result;
    doc.melodyNotes.clear();
    if (channel < 0 || channel >= kChannels) return result;
    result.program = doc.song.programNameAt(channel, position, &result.name);
    doc.song.noteTable(doc.melodyNotes, channel);
    return result;
}

void BindReference::set(const CMidiSong& song, std::int32_t position) {
    tick = std::max<std::int32_t>(0, position);
    label = song.timeMap().positionText(tick);
    colour = tick != 0 ? kReferenceSetColour : kReferenceUnsetColour;
}

void BindReference::clear() {
    tick = 0;
    label = "0001.01.000";
    colour = kReferenceUnsetColour;
}

} // namespace cantelo
