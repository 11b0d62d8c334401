#include "core/language/language.h"

#include "core/files/regular_file.h"
#include "core/song/midi_song.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace cantelo {

namespace {

struct Slot {
    std::string_view name;
    std::string_view italian;
};

constexpr Slot kSlots[] = {
#define CANTELO_TEXT_SLOT(name, italian) {#name, italian},
    CANTELO_LANGUAGE_TEXTS(CANTELO_TEXT_SLOT)
#undef CANTELO_TEXT_SLOT
};

static_assert(std::size(kSlots) == kLanguageTextCount);
// The file order fixes these indices; a slot added or lost in the list moves them.
static_assert(static_cast<int>(TextId::reserved36) == 36);
static_assert(static_cast<int>(TextId::tbApri) == 56);
static_assert(static_cast<int>(TextId::EditorTitle) == 92);
static_assert(static_cast<int>(TextId::FilterAllSongs) == 119);
static_assert(static_cast<int>(TextId::AgganciaallaNota1) == 136);
static_assert(static_cast<int>(TextId::PopupMenu2Banner) == 146);
static_assert(static_cast<int>(TextId::SongCredit) == 158);
static_assert(static_cast<int>(TextId::DeviceErrorLine2) == 162);

// The context-menu twins that share the text of their main-menu item.
constexpr std::pair<TextId, std::string_view> kTwins[] = {
    {TextId::mnuPulisci, "mnuPulisciP"},         {TextId::mnuImporta, "mnuImportaP"},
    {TextId::mnuSillaba, "mnuSillabaP"},         {TextId::mnuTextOption, "mnuTextOptionP"},
    {TextId::mnuAdatta, "mnuAdattaP"},           {TextId::mnuAggancia, "AgganciaSillabe"},
    {TextId::mnuUnisciSil, "mnuUnisciSillabe"},  {TextId::mnuTextToUpperM, "mnuTextToUpper"},
    {TextId::mnuTextToLowerM, "mnuTextToLower"}, {TextId::mnuCharToUpperM, "mnuCharToUpper"},
    {TextId::mnuCharToLowerM, "mnuCharToLower"}, {TextId::mnuEsportaTestoM, "mnuEsportaTesto"},
};

constexpr std::uint8_t kScrambleMask = 0xE3;
constexpr char kFilterSeparator = '\xA6';
constexpr char kCarriageReturnMark = '\xB3';
constexpr char kLineFeedMark = '\xB2';

bool validIndex(int index) {
    return index >= 0 && index < kLanguageTextCount;
}

// Turns a text from its file form into the form the interface uses.
std::string loadedForm(int index, std::string text) {
    const auto id = static_cast<TextId>(index);
    if (id >= TextId::FilterAllSongs && id <= TextId::FilterText) {
        std::replace(text.begin(), text.end(), kFilterSeparator, '\0');
    } else if (id >= TextId::ExportTrailer1 && id <= TextId::SongCredit) {
        std::replace(text.begin(), text.end(), kCarriageReturnMark, '\r');
        std::replace(text.begin(), text.end(), kLineFeedMark, '\n');
    }
    return text;
}

void appendSecondFilter(std::array<std::string, kLanguageTextCount>& texts) {
    texts[static_cast<std::size_t>(TextId::FilterAllSongs)] +=
        texts[static_cast<std::size_t>(TextId::FilterSongTypes)];
}

bool italianLocale(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.starts_with("italian")) return true; // "Italian_Italy.1252"
    // "it", or "it" followed by a territory, code set or modifier.
    return lower.starts_with("it") &&
           (lower.size() == 2 || std::string_view("_-.@").find(lower[2]) != std::string_view::npos);
}

// Codes compare without regard to case; `upper` is written in capitals.
bool sameCode(std::string_view code, std::string_view upper) {
    return std::equal(code.begin(), code.end(), upper.begin(), upper.end(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) == b;
    });
}

int languageWithCode(const std::vector<LanguageEntry>& languages, std::string_view code) {
    for (const LanguageEntry& l : languages)
        if (sameCode(l.code, code)) return l.index;
    return -1;
}

} // namespace

std::string_view slotName(int index) {
    if (!validIndex(index)) return {};
    // The twins' joined names are built once; the table itself stays constexpr.
    static const std::array<std::string, kLanguageTextCount> names = [] {
        std::array<std::string, kLanguageTextCount> n;
        for (int i = 0; i < kLanguageTextCount; ++i)
            n[static_cast<std::size_t>(i)] = kSlots[i].name;
        for (const auto& [id, twin] : kTwins) (n[static_cast<std::size_t>(id)] += '/') += twin;
        return n;
    }();
    return names[static_cast<std::size_t>(index)];
}

std::string builtInText(int index) {
    if (!validIndex(index)) return {};
    // Saved songs carry the song model's own credit; one text, so the two can never differ.
    if (static_cast<TextId>(index) == TextId::SongCredit) return defaultCreditText();
    return loadedForm(index, std::string(kSlots[index].italian));
}

void toggleLanguageScramble(std::span<std::uint8_t> bytes) {
    for (std::uint8_t& b : bytes)
        if (b != 0 && b != kScrambleMask) b ^= kScrambleMask;
}

LanguageFile::LanguageFile(std::vector<std::uint8_t> plain) : m_plain(std::move(plain)) {
    for (std::size_t at = kLanguageMagic.size(); at + 3 <= kLanguageHeaderSize; at += 3) {
        if (at + 3 > m_plain.size() || m_plain[at] == 0) break;
        std::string code(reinterpret_cast<const char*>(&m_plain[at]), 3);
        code.resize(code.find('\0') == std::string::npos ? 3 : code.find('\0'));
        const int k = static_cast<int>(m_languages.size());
        m_languages.push_back({std::move(code), k, kFirstLanguageImage + k});
    }
}

std::optional<LanguageFile> LanguageFile::fromStored(std::vector<std::uint8_t> stored) {
    toggleLanguageScramble(stored);
    if (stored.size() < kLanguageMagic.size() ||
        !std::equal(kLanguageMagic.begin(), kLanguageMagic.end(), stored.begin()))
        return std::nullopt;
    return LanguageFile(std::move(stored));
}

std::optional<LanguageFile> LanguageFile::load(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    if (!readFileImage(path.string(), kMaxLanguageFileBytes, bytes)) return std::nullopt;
    return fromStored(std::move(bytes));
}

std::optional<LanguageBlock> LanguageFile::block(int k, int* found) const {
    if (k < 0 || k >= static_cast<int>(m_languages.size())) return std::nullopt;
    LanguageBlock texts;
    std::size_t pos = kLanguageHeaderSize + kLanguageBlockSize * static_cast<std::size_t>(k);
    int read = 0;
    for (; read < kLanguageTextCount && pos < m_plain.size(); ++read) {
        const auto begin = m_plain.begin() + static_cast<std::ptrdiff_t>(pos);
        const auto cr = std::find(begin, m_plain.end(), std::uint8_t{'\r'});
        // A NUL ends the text as it ends the C string it once was; block padding reads as empty.
        const auto limit = begin + std::min<std::ptrdiff_t>(cr - begin, kMaxLanguageTextLength);
        const auto end = std::find(begin, limit, std::uint8_t{0});
        texts[static_cast<std::size_t>(read)].assign(begin, end);
        pos = static_cast<std::size_t>(cr - m_plain.begin()) + 1;
    }
    if (found) *found = read;
    return texts;
}

std::optional<ExtraBlock> LanguageFile::extraBlock(int k) const {
    if (k < 0 || k >= static_cast<int>(m_languages.size())) return std::nullopt;
    return readLanguageExtension(m_plain,
                                 kLanguageHeaderSize + kLanguageBlockSize * m_languages.size(), k);
}

std::optional<std::vector<std::uint8_t>> buildLanguageFile(const std::vector<std::string>& codes,
                                                           const std::vector<LanguageBlock>& blocks,
                                                           std::string* error) {
    return buildLanguageFile(codes, blocks, {}, error);
}

std::optional<std::vector<std::uint8_t>> buildLanguageFile(const std::vector<std::string>& codes,
                                                           const std::vector<LanguageBlock>& blocks,
                                                           const std::vector<ExtraBlock>& extras,
                                                           std::string* error) {
    auto fail = [error](std::string why) -> std::optional<std::vector<std::uint8_t>> {
        if (error) *error = std::move(why);
        return std::nullopt;
    };
    if (codes.empty() || codes.size() > kMaxLanguages)
        return fail("a language file holds 1 to 13 languages, not " + std::to_string(codes.size()));
    if (blocks.size() != codes.size() || (!extras.empty() && extras.size() != codes.size()))
        return fail("each language code needs its texts");

    std::vector<std::uint8_t> out(kLanguageHeaderSize + kLanguageBlockSize * codes.size(), 0);
    std::copy(kLanguageMagic.begin(), kLanguageMagic.end(), out.begin());
    for (std::size_t k = 0; k < codes.size(); ++k) {
        const std::string& code = codes[k];
        if (code.size() != 3 || code.find('\0') != std::string::npos)
            return fail("language code \"" + code + "\" is not three characters");
        std::copy(code.begin(), code.end(), out.begin() + 10 + 3 * static_cast<std::ptrdiff_t>(k));

        std::size_t pos = kLanguageHeaderSize + kLanguageBlockSize * k;
        const std::size_t blockEnd = pos + kLanguageBlockSize;
        for (int i = 0; i < kLanguageTextCount; ++i) {
            const std::string& text = blocks[k][static_cast<std::size_t>(i)];
            const std::string where = "text " + std::to_string(i) + " of " + code;
            if (text.find_first_of(std::string_view("\r\0", 2)) != std::string::npos)
                return fail(where + " holds a carriage return or a NUL");
            if (text.size() > kMaxLanguageTextLength)
                return fail(where + " is longer than 355 bytes");
            if (pos + text.size() + 1 > blockEnd)
                return fail("the texts of " + code + " do not fit the 5300 bytes of a block");
            std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(pos));
            pos += text.size();
            out[pos++] = '\r';
        }
    }
    if (!extras.empty() && !appendLanguageExtension(out, extras, error)) return std::nullopt;
    toggleLanguageScramble(out);
    return out;
}

LanguageTexts::LanguageTexts() {
    useBuiltIn();
}

const std::string& LanguageTexts::at(int index) const {
    static const std::string none;
    return validIndex(index) ? m_texts[static_cast<std::size_t>(index)] : none;
}

void LanguageTexts::useBuiltIn() {
    for (int i = 0; i < kLanguageTextCount; ++i)
        m_texts[static_cast<std::size_t>(i)] = builtInText(i);
    appendSecondFilter(m_texts);
    for (int i = 0; i < kExtraTextCount; ++i)
        m_extra[static_cast<std::size_t>(i)] = builtInExtraText(i, false);
}

bool LanguageTexts::apply(const LanguageFile& file, int k) {
    int found = 0;
    std::optional<LanguageBlock> block = file.block(k, &found);
    if (!block) return false;
    for (int i = 0; i < kLanguageTextCount; ++i) {
        auto& text = m_texts[static_cast<std::size_t>(i)];
        text = i < found ? loadedForm(i, std::move((*block)[static_cast<std::size_t>(i)]))
                         : builtInText(i);
    }
    appendSecondFilter(m_texts);

    // A language that does not translate a text beyond the slots is better served by English
    // than by Italian, unless it is the Italian itself.
    ExtraBlock own = file.extraBlock(k).value_or(ExtraBlock{});
    const bool english = !sameCode(file.languages()[static_cast<std::size_t>(k)].code, "ITA");
    for (int i = 0; i < kExtraTextCount; ++i) {
        auto& text = own[static_cast<std::size_t>(i)];
        m_extra[static_cast<std::size_t>(i)] =
            text ? std::move(*text) : std::string(builtInExtraText(i, english));
    }
    return true;
}

std::vector<FileFilter> fileFilters(std::string_view loaded) {
    std::vector<FileFilter> filters;
    auto next = [&loaded]() {
        const std::size_t nul = loaded.find('\0');
        const std::string_view part = loaded.substr(0, nul);
        loaded.remove_prefix(nul == std::string_view::npos ? loaded.size() : nul + 1);
        return part;
    };
    while (!loaded.empty()) {
        const std::string_view description = next();
        if (description.empty()) break;
        FileFilter f{std::string(description), {}};
        std::string_view patterns = next();
        while (!patterns.empty()) {
            const std::size_t semi = patterns.find(';');
            if (semi != 0) f.patterns.emplace_back(patterns.substr(0, semi));
            patterns.remove_prefix(semi == std::string_view::npos ? patterns.size() : semi + 1);
        }
        filters.push_back(std::move(f));
    }
    return filters;
}

int firstStartLanguage(std::string_view localeName, const std::vector<LanguageEntry>& languages) {
    const int k = languageWithCode(languages, italianLocale(localeName) ? "ITA" : "ENG");
    return k < 0 ? 0 : k;
}

namespace {

// A loaded trailer text without the line ends the export adds itself.
std::string trimLineEnds(std::string text) {
    while (!text.empty() && (text.front() == '\r' || text.front() == '\n')) text.erase(0, 1);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

} // namespace

ExportTrailer exportTrailer(const LanguageTexts& texts) {
    ExportTrailer trailer;
    trailer.title = trimLineEnds(texts[TextId::ExportTrailer1]);
    if (trailer.title.empty())
        trailer.title = trimLineEnds(builtInText(static_cast<int>(TextId::ExportTrailer1)));
    for (TextId id : {TextId::ExportTrailer2, TextId::ExportTrailer3, TextId::ExportTrailer4}) {
        std::string line = trimLineEnds(texts[id]);
        if (!line.empty()) trailer.credits.push_back(std::move(line));
    }
    return trailer;
}

const std::string& reasonText(const LanguageTexts& texts, FailureReason reason) {
    switch (reason) {
    case FailureReason::NotFound:
        return texts[ExtraTextId::ReasonNotFound];
    case FailureReason::Denied:
        return texts[ExtraTextId::ReasonDenied];
    case FailureReason::DiskFull:
        return texts[ExtraTextId::ReasonDiskFull];
    case FailureReason::NotAFile:
        return texts[ExtraTextId::ReasonNotAFile];
    case FailureReason::TooLarge:
        return texts[ExtraTextId::ReasonTooLarge];
    case FailureReason::Empty:
        return texts[ExtraTextId::ReasonEmpty];
    case FailureReason::Unrecognised:
        return texts[TextId::OpenErrorLine2];
    case FailureReason::NotInEncoding:
        return texts[ExtraTextId::ReasonNotInEncoding];
    default:
        return texts[ExtraTextId::ReasonOther];
    }
}

} // namespace cantelo
