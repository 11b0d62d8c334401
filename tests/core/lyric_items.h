#pragma once

#include "core/song/indexed_lists.h"

#include <string>
#include <vector>

// The lyric list as one string per item: "text@tick" for a syllable, "|@tick" for a break.
inline std::vector<std::string> itemsOf(const cantelo::TItemLyr& list) {
    std::vector<std::string> out;
    for (const cantelo::LyrItem* it = list.head(); it; it = it->next)
        out.push_back((it->lineBreak ? std::string("|") : it->text) + "@" +
                      std::to_string(static_cast<long>(it->tick)));
    return out;
}

// The texts of the list's lines (a list ending with a break has an empty last line).
inline std::vector<std::string> lineTextsOf(const cantelo::TItemLyr& list) {
    std::vector<std::string> out(1);
    for (const cantelo::LyrItem* it = list.head(); it; it = it->next) {
        if (it->lineBreak)
            out.emplace_back();
        else
            out.back() += it->text;
    }
    return out;
}
