#pragma once

#include "core/lyrics/lyrics_model.h"

namespace cantelo {

// What changed in the editor document, for the windows that show it. A window redraws from
// these alone; it never polls the document for changes.
enum class DocumentChangeKind {
    FileOpened,    // a song was opened, or an open failed: everything is new, redraw it all
    FileSaved,     // the song was written; the file name may have changed
    Lyrics,        // the lyric list changed or the editor moved: see the LyricsChange payload
    MelodyNotes,   // the melody note list was refilled or shortened
    MelodyChannel, // another melody channel; the instrument name changed with it
    Tempo,         // song edits, published by the tool that made them through the document
    Signatures,
    Programs,
    Controllers,
    SysEx,
    Velocities, // the velocities of a channel's notes
    Position,   // the song position moved
    Reference,  // the binding reference pointer was set or cleared
    Options,    // "Mantieni Agganciate Sillabe - Note" or "Posizionamento Manuale" changed
    Modified,   // modified() changed its value
};

struct DocumentChange {
    DocumentChangeKind kind = DocumentChangeKind::FileOpened;
    LyricsChange lyrics; // what to redraw, for a Lyrics change only
};

} // namespace cantelo
