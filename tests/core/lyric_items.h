#pragma once

// Lyric lists written as text: "text@tick" for a syllable, "|@tick" for a break, items joined
// with ',' ("ca@100,sa@110,|@120"). A tick may have a fraction when it is set ("la@10.5").

#include "core/song/indexed_lists.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

inline std::vector<std::string> itemsOf(const cantelo::TItemLyr& list) {
    std::vector<std::string> out;
    for (const cantelo::LyrItem* it = list.head(); it; it = it->next)
        out.push_back((it->lineBreak ? std::string("|") : it->text) + "@" +
                      std::to_string(static_cast<long>(it->tick)));
    return out;
}

inline std::string joinedItems(const cantelo::TItemLyr& list) {
    std::string out;
    for (const std::string& s : itemsOf(list)) out += (out.empty() ? "" : ",") + s;
    return out;
}

inline void setItems(cantelo::TItemLyr& list, std::string_view items) {
    list.clear();
    while (!items.empty()) {
        const std::string_view item = items.substr(0, items.find(','));
        items.remove_prefix(std::min(item.size() + 1, items.size()));
        const std::size_t at = item.rfind('@');
        const std::string text(item.substr(0, at));
        const double tick = std::stod(std::string(item.substr(at + 1)));
        if (text == "|")
            list.add({}, 1, tick);
        else
            list.add(text, 0, tick);
    }
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
