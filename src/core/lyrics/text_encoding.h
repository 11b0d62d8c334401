#pragma once

#include "core/song/character_length.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cantelo {

// One of the character sets a song's texts may be written in. `name` is the converter's name
// (iconv), `label` what the user reads.
struct EncodingChoice {
    std::string_view name;
    std::string_view label;
    bool singleByte;
};

// The encodings the user can choose from, Windows-1252 (the default) first.
std::span<const EncodingChoice> encodingChoices();

// The character set of the open song's texts: how its bytes group into characters and which
// Unicode character each group is. The bytes themselves are never changed by choosing another
// encoding; only their reading is. Windows-1252 reads exactly as the single-byte code page always
// has (one byte, one character, the five undefined bytes kept as their control characters).
//
// A byte sequence the encoding cannot read is one character of one byte, shown as U+FFFD, so
// every text can be walked and every cursor stands between whole characters.
class TextEncoding {
public:
    TextEncoding(); // Windows-1252
    // One of encodingChoices() by name or label, case ignored; nothing for any other.
    static std::optional<TextEncoding> named(std::string_view name);
    static TextEncoding utf8();

    const EncodingChoice& choice() const { return *m_choice; }
    std::string_view name() const { return m_choice->name; }
    std::string_view label() const { return m_choice->label; }
    bool singleByte() const { return m_choice->singleByte; }
    bool isUtf8() const;
    bool isWindows1252() const;
    bool operator==(const TextEncoding& other) const { return m_choice == other.m_choice; }

    // Bytes of the character that starts at `pos` (< text.size()); at least 1.
    std::size_t charLength(std::string_view text, std::size_t pos) const;
    // Bytes of the character that ends at `pos` (> 0).
    std::size_t charLengthBefore(std::string_view text, std::size_t pos) const;
    std::size_t charCount(std::string_view text) const;
    // Byte offset of character `index`, text.size() when the text is shorter.
    std::size_t byteOffset(std::string_view text, std::size_t index) const;
    // Character index of byte offset `pos` (a position inside a character counts as its start).
    std::size_t charIndex(std::string_view text, std::size_t pos) const;

    // The Unicode character of the character at `pos`, whose length is charLength(text, pos).
    char32_t decodeAt(std::string_view text, std::size_t pos) const;
    std::u32string decode(std::string_view text) const;
    // The bytes of `c`, or nothing when the encoding has no bytes for it.
    std::optional<std::string> encode(char32_t c) const;
    // The whole text, or nothing when one of its characters has no bytes in this encoding.
    std::optional<std::string> encode(std::u32string_view text) const;

private:
    explicit TextEncoding(const EncodingChoice& choice);
    const EncodingChoice* m_choice;
};

// The walk of `encoding`'s characters for the song layer, which does not know the encodings:
// empty for a single-byte encoding, where every byte is a character.
CharacterLength characterLengthOf(const TextEncoding& encoding);

// Whether every byte of `text` is below 128 (the same text in every encoding we offer).
bool isAscii(std::string_view text);

// Whether `text` is well-formed UTF-8 (shortest forms, no surrogates, nothing past U+10FFFF).
bool isValidUtf8(std::string_view text);

// The encoding of a song's texts decided from the texts themselves: UTF-8 when every text is
// valid UTF-8 and one of them has a byte above 127; otherwise the detector's pick among the
// legacy code pages, and Windows-1252 when it is unsure, names something not offered, or the
// texts are ASCII.
TextEncoding detectTextEncoding(const std::vector<std::string_view>& texts);

// UTF-8 text of `text` read in `encoding` (unreadable bytes become U+FFFD).
std::string toUtf8(std::string_view text, const TextEncoding& encoding);
// `utf8` in `encoding`; nothing when a character has no bytes there or the input is not UTF-8.
std::optional<std::string> fromUtf8(std::string_view utf8, const TextEncoding& encoding);

} // namespace cantelo
