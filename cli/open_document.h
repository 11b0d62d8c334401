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

// For an --encoding NAME that is none of the offered encodings: the names there are, as a usage
// line does.
inline int unknownEncoding(const char* name) {
    std::fprintf(stderr, "cantelo-tool: unknown encoding \"%s\"; one of:", name);
    for (const EncodingChoice& c : encodingChoices())
        std::fprintf(stderr, " %.*s", static_cast<int>(c.name.size()), c.name.data());
    std::fputc('\n', stderr);
    return 1;
}

} // namespace cantelo
