#include "core/lyrics/text_encoding.h"

#include "core/lyrics/cp1252.h"

#include <uchardet.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <iconv.h>
#include <memory>
#include <mutex>
#include <utility>

namespace cantelo {

namespace {

constexpr std::array<EncodingChoice, 16> kChoices{{
    {"WINDOWS-1252", "Windows-1252", true},
    {"UTF-8", "UTF-8", false},
    {"ISO-8859-1", "ISO-8859-1", true},
    {"ISO-8859-15", "ISO-8859-15", true},
    {"ISO-8859-2", "ISO-8859-2", true},
    {"WINDOWS-1250", "Windows-1250", true},
    {"WINDOWS-1251", "Windows-1251", true},
    {"KOI8-R", "KOI8-R", true},
    {"WINDOWS-1253", "Windows-1253", true},
    {"WINDOWS-1254", "Windows-1254", true},
    {"WINDOWS-1258", "Windows-1258", true},
    {"VISCII", "VISCII", true},
    {"GB18030", "GBK", false},
    {"BIG5", "Big5", false},
    {"SHIFT_JIS", "Shift_JIS", false},
    {"CP949", "CP949 (Korean)", false},
}};

// The detector's answers that are taken, with the choice each one means.
constexpr std::pair<std::string_view, std::string_view> kTrustedPicks[] = {
    {"WINDOWS-1251", "WINDOWS-1251"},
    {"KOI8-R", "KOI8-R"},
    {"WINDOWS-1253", "WINDOWS-1253"},
    {"WINDOWS-1258", "WINDOWS-1258"},
    {"VISCII", "VISCII"},
    {"GB18030", "GB18030"},
    {"GB2312", "GB18030"},
    {"GBK", "GB18030"},
    {"BIG5", "BIG5"},
    {"SHIFT_JIS", "SHIFT_JIS"},
    {"EUC-KR", "CP949"},
    {"UHC", "CP949"}};

constexpr char32_t kReplacement = 0xFFFD;

std::size_t indexOf(const EncodingChoice& c) {
    return static_cast<std::size_t>(&c - kChoices.data());
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// One converter per direction and encoding, opened on first use and kept for the thread.
struct Converter {
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    Converter() = default;
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() {
        if (ok()) iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

iconv_t converter(const EncodingChoice& choice, bool toUnicode) {
    thread_local std::array<std::array<Converter, 2>, kChoices.size()> open;
    Converter& c = open[indexOf(choice)][toUnicode ? 1 : 0];
    if (!c.ok()) {
        const std::string name(choice.name);
        c.cd =
            toUnicode ? iconv_open("UTF-32LE", name.c_str()) : iconv_open(name.c_str(), "UTF-32LE");
    }
    iconv(c.cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
    return c.cd;
}

char32_t fromUtf32le(const unsigned char* b) {
    return char32_t(b[0]) | char32_t(b[1]) << 8 | char32_t(b[2]) << 16 | char32_t(b[3]) << 24;
}

// One character read from the start of `bytes`: its length and Unicode value, or length 0.
struct Read {
    std::size_t length = 0;
    char32_t c = kReplacement;
};

Read readWithIconv(const EncodingChoice& choice, std::string_view bytes) {
    iconv_t cd = converter(choice, true);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::array<unsigned char, 8> out{};
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = std::min<std::size_t>(bytes.size(), 4);
    char* o = reinterpret_cast<char*>(out.data());
    std::size_t outLeft = 4; // room for exactly one character
    const std::size_t before = inLeft;
    iconv(cd, &in, &inLeft, &o, &outLeft);
    // Code pages that combine accents hold a character back until they see the next one.
    if (outLeft == 4) iconv(cd, nullptr, nullptr, &o, &outLeft);
    if (outLeft != 0 || inLeft == before) return {};
    return {before - inLeft, fromUtf32le(out.data())};
}

Read readUtf8(std::string_view s) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    if (lead < 0x80) return {1, lead};
    std::size_t n = 0;
    char32_t c = 0;
    char32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        n = 2, c = lead & 0x1F, min = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF)
        n = 3, c = lead & 0x0F, min = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4)
        n = 4, c = lead & 0x07, min = 0x10000;
    else
        return {};
    if (s.size() < n) return {};
    for (std::size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xC0) != 0x80) return {};
        c = c << 6 | (b(i) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {};
    return {n, c};
}

using ByteTable = std::array<char32_t, 256>;

// The character of every byte of a single-byte code page, asked of the converter once.
const ByteTable& byteTable(const EncodingChoice& choice) {
    static std::array<std::unique_ptr<ByteTable>, kChoices.size()> tables;
    static std::mutex guard;
    const std::lock_guard lock(guard);
    auto& t = tables[indexOf(choice)];
    if (!t) {
        t = std::make_unique<ByteTable>();
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            const Read r = readWithIconv(choice, {&byte, 1});
            (*t)[static_cast<std::size_t>(b)] = r.length == 1 ? r.c : kReplacement;
        }
    }
    return *t;
}

} // namespace

std::span<const EncodingChoice> encodingChoices() {
    return kChoices;
}

TextEncoding::TextEncoding() : m_choice(&kChoices[0]) {}
TextEncoding::TextEncoding(const EncodingChoice& choice) : m_choice(&choice) {}

std::optional<TextEncoding> TextEncoding::named(std::string_view name) {
    for (const EncodingChoice& c : kChoices)
        if (sameName(c.name, name) || sameName(c.label, name)) return TextEncoding(c);
    return std::nullopt;
}

TextEncoding TextEncoding::utf8() {
    return TextEncoding(kChoices[1]);
}

bool TextEncoding::isUtf8() const {
    return m_choice == &kChoices[1];
}
bool TextEncoding::isWindows1252() const {
    return m_choice == &kChoices[0];
}

std::size_t TextEncoding::charLength(std::string_view text, std::size_t pos) const {
    if (singleByte() || pos >= text.size()) return 1;
    const std::string_view rest = text.substr(pos);
    const Read r = isUtf8() ? readUtf8(rest) : readWithIconv(*m_choice, rest);
    return r.length ? r.length : 1;
}

std::size_t TextEncoding::charLengthBefore(std::string_view text, std::size_t pos) const {
    if (singleByte() || pos <= 1) return 1;
    // Walk from the start: multi-byte code pages cannot be read backwards reliably.
    std::size_t at = 0;
    std::size_t last = 1;
    while (at < pos) {
        last = charLength(text, at);
        at += last;
    }
    return last - (at - pos);
}

std::size_t TextEncoding::charCount(std::string_view text) const {
    if (singleByte()) return text.size();
    std::size_t n = 0;
    for (std::size_t at = 0; at < text.size(); at += charLength(text, at)) ++n;
    return n;
}

std::size_t TextEncoding::byteOffset(std::string_view text, std::size_t index) const {
    if (singleByte()) return std::min(index, text.size());
    std::size_t at = 0;
    for (; index > 0 && at < text.size(); --index) at += charLength(text, at);
    return std::min(at, text.size());
}

std::size_t TextEncoding::charIndex(std::string_view text, std::size_t pos) const {
    if (singleByte()) return pos;
    std::size_t n = 0;
    for (std::size_t at = 0; at < text.size() && at + charLength(text, at) <= pos;
         at += charLength(text, at))
        ++n;
    return n;
}

char32_t TextEncoding::decodeAt(std::string_view text, std::size_t pos) const {
    if (isWindows1252()) return unicodeFromCp1252(text[pos]);
    if (singleByte()) return byteTable(*m_choice)[static_cast<unsigned char>(text[pos])];
    const std::string_view rest = text.substr(pos);
    return (isUtf8() ? readUtf8(rest) : readWithIconv(*m_choice, rest)).c;
}

std::u32string TextEncoding::decode(std::string_view text) const {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); at += charLength(text, at))
        out.push_back(decodeAt(text, at));
    return out;
}

std::optional<std::string> TextEncoding::encode(char32_t c) const {
    if (isWindows1252()) {
        const std::optional<char> b = cp1252FromUnicode(c);
        return b ? std::optional<std::string>(std::string(1, *b)) : std::nullopt;
    }
    if (singleByte()) {
        if (c == kReplacement) return std::nullopt;
        const ByteTable& t = byteTable(*m_choice);
        const auto it = std::find(t.begin(), t.end(), c);
        if (it == t.end()) return std::nullopt;
        return std::string(1, static_cast<char>(it - t.begin()));
    }
    if (isUtf8()) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
        std::string out;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        return out;
    }
    iconv_t cd = converter(*m_choice, false);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::array<char, 4> in{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8 & 0xFF),
                           static_cast<char>(c >> 16 & 0xFF), static_cast<char>(c >> 24)};
    std::array<char, 16> out{};
    char* i = in.data();
    std::size_t inLeft = in.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd, &i, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    iconv(cd, nullptr, nullptr, &o, &outLeft);
    return std::string(out.data(), out.size() - outLeft);
}

std::optional<std::string> TextEncoding::encode(std::u32string_view text) const {
    std::string out;
    for (const char32_t c : text) {
        const std::optional<std::string> bytes = encode(c);
        if (!bytes) return std::nullopt;
        out += *bytes;
    }
    return out;
}

CharacterLength characterLengthOf(const TextEncoding& encoding) {
    if (encoding.singleByte()) return {};
    return [encoding](std::string_view text, std::size_t pos) {
        return encoding.charLength(text, pos);
    };
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const Read r = readUtf8(text.substr(at));
        if (r.length == 0) return false;
        at += r.length;
    }
    return true;
}

TextEncoding detectTextEncoding(const std::vector<std::string_view>& texts) {
    bool high = false;
    bool utf8 = true;
    for (const std::string_view t : texts) {
        high = high || !isAscii(t);
        utf8 = utf8 && isValidUtf8(t);
    }
    if (!high) return {};
    if (utf8) return TextEncoding::utf8();

    std::string joined;
    for (const std::string_view t : texts) {
        joined += t;
        joined += '\n';
    }
    uchardet_t detector = uchardet_new();
    if (!detector) return {};
    std::string picked;
    if (uchardet_handle_data(detector, joined.data(), joined.size()) == 0) {
        uchardet_data_end(detector);
        if (const char* name = uchardet_get_charset(detector)) picked = name;
    }
    uchardet_delete(detector);
    // The detector tells scripts apart well, but on a few accented words of lyrics it cannot tell
    // the Latin code pages apart (a lone "\xA9" comes out as ISO-8859-13, stray binary bytes as
    // ISO-8859-2): only a pick of another script, or of a multi-byte code page, is trusted.
    for (const auto& [detected, ours] : kTrustedPicks)
        if (sameName(picked, detected)) return *TextEncoding::named(ours);
    return {};
}

std::string toUtf8(std::string_view text, const TextEncoding& encoding) {
    const TextEncoding utf8 = TextEncoding::utf8();
    std::string out;
    for (const char32_t c : encoding.decode(text)) out += *utf8.encode(c);
    return out;
}

std::optional<std::string> fromUtf8(std::string_view utf8, const TextEncoding& encoding) {
    if (!isValidUtf8(utf8)) return std::nullopt;
    return encoding.encode(TextEncoding::utf8().decode(utf8));
}

} // namespace cantelo
