#pragma once

#include "core/document/song_file.h"
#include "core/language/language.h"

#include <cstdio>
#include <memory>

namespace cantelo {

// Opens a song as the editor's Open does (melody channel 1); on failure prints the editor's
// message to stderr and returns null.
inline std::unique_ptr<SongDocument> openDocumentForTool(const char* path) {
    auto doc = std::make_unique<SongDocument>();
    const OpenResult opened = openSongFile(*doc, path, 0);
    if (opened.ok) return doc;
    const LanguageTexts italian;
    std::fprintf(stderr, "cantelo-tool: %s: %s %s\n", path, italian[TextId::OpenErrorLine1].c_str(),
                 italian[TextId::OpenErrorLine2].c_str());
    return nullptr;
}

} // namespace cantelo
