#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace cantelo {

// The bytes of the character that starts at `pos` of `text` (at least 1), in the song's text
// encoding. The song layer walks texts with it without knowing the encodings; an empty function
// takes every byte for a character, as a single-byte song is.
using CharacterLength = std::function<std::size_t(std::string_view text, std::size_t pos)>;

} // namespace cantelo
