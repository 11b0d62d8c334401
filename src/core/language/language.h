#pragma once

#include "core/files/result.h"
#include "core/language/language_extension.h"

#include "core/lyrics/text_tools.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cantelo {

// Every localisable text of the editor, in the order the language file stores them: one entry
// per slot, X(name, built-in Italian text). Texts are Windows-1252 bytes in the file's own form:
// "\xA6" separates the parts of a file-dialog filter and "\xB3" / "\xB2" stand for carriage
// return / line feed. A slot named after two components (main menu and context-menu twin) sets
// both captions. The built-in credit text of saved songs is the song model's own (see
// builtInText).
#define CANTELO_LANGUAGE_TEXTS(X)                                                                  \
    /* Captions of the menu items. */                                                              \
    X(mnuFile, "&File")                                                                            \
    X(mnuComandi, "Comandi")                                                                       \
    X(mnuStrumenti, "Strumenti")                                                                   \
    X(mnuOpzioni, "Opzioni")                                                                       \
    X(mnuInfo, "Informazioni")                                                                     \
    X(mnuApri, "Apri")                                                                             \
    X(mnuSalva, "Salva")                                                                           \
    X(mnuSaveAs, "Salva con Nome")                                                                 \
    X(mnuLoadSillabe, "Apri Sillabe")                                                              \
    X(mnuSaveSillabe, "Salva Sillabe")                                                             \
    X(mnuEsci, "Esci")                                                                             \
    X(mnuPlay, "Play")                                                                             \
    X(mnuStop, "Stop")                                                                             \
    X(mnuRec, "Sincronizza")                                                                       \
    X(mnuGoInit, "Vai all'inizio")                                                                 \
    X(mnuGoEnd, "Vai alla fine")                                                                   \
    X(mnuGoBack, "1 Misura Indietro")                                                              \
    X(mnuGoNext, "1 Misura Avanti")                                                                \
    X(mnuMidiParam, "Parametri Midi")                                                              \
    X(mnuTesto, "Finestra Testo")                                                                  \
    X(mnuGridEventi, "Finestra Eventi")                                                            \
    X(mnuSysEx, "Visualizza Sys Ex")                                                               \
    X(mnuTempo, "Tempo")                                                                           \
    X(mnuMisure, "Misure")                                                                         \
    X(mnuPatch, "Patch Strumenti")                                                                 \
    X(mnuMixer, "Mixer")                                                                           \
    X(mnuBackGround, "Monitor Karaoke")                                                            \
    X(mnuClearBank, "Azzera tutti i Banchi")                                                       \
    X(mnuMidiOutReset, "Riavvia Periferica Midi")                                                  \
    X(mnuDeviceMidi, "Uscita Midi")                                                                \
    /* Also the text the close-port and SysEx toggles compare their captions with. */              \
    X(mnuChiudiPortaMidi, "&Chiudi Porta Midi")                                                    \
    X(mnuUseSysEx, "&Non Utilizzare Sys Ex")                                                       \
    X(mnuLingua, "Lingua")                                                                         \
    X(mnuInfoExe, "Informazioni su Cantelo Edit")                                                  \
    X(mnuHelp, "Guida")                                                                            \
    X(mnuWebSite, "Sito Web")                                                                      \
    X(reserved36, "")                                                                              \
    X(mnuPulisci, "Pulisci Testo Karaoke")                                                         \
    X(mnuImporta, "Importa Testo")                                                                 \
    X(mnuSillaba, "Sillaba")                                                                       \
    X(mnuTextOption, "Opzioni Testo")                                                              \
    X(mnuAdatta, "Adatta testo a Finestra")                                                        \
    X(mnuAggancia, "Aggancia sillabe alla Melodia")                                                \
    X(mnuUnisciSil, "Unisci Sillabe")                                                              \
    X(mnuTextToUpperM, "Tutto in Maiuscolo")                                                       \
    X(mnuTextToLowerM, "Tutto in Minuscolo")                                                       \
    X(mnuCharToUpperM, "Inizio Sillaba sotto Cursore in Maiuscolo")                                \
    X(mnuCharToLowerM, "Inizio Sillaba sotto Cursore in Minuscolo")                                \
    X(mnuEsportaTestoM, "Esporta Testo")                                                           \
    X(mnuTrascina, "Posizionamento Manuale")                                                       \
    X(mnuAgganciaPrimaNota, "Aggangia sulla 1\xB0 Nota Melodica")                                  \
    X(mnuMantieniAggSN, "Mantieni Agganciate Sillabe - Note")                                      \
    X(mnuImpostaPosAgg, "Imposta Posizionatore di Aggancio")                                       \
    X(mnuClearPosPointer, "Azzera Posizionatore di Aggancio")                                      \
    X(mnuZoomIn, "Espandi la griglia")                                                             \
    X(mnuZoomOut, "Restringi la griglia")                                                          \
    /* Hints of the tool buttons and read-outs, and three label captions. */                       \
    X(tbApri, "Apre un midi file")                                                                 \
    X(tbSalva, "Salva un midi file")                                                               \
    X(tbSysEx, "Visualizza i \"Sistemi Esclusivi\" contenuti nel midi file")                       \
    X(tbMidiParam, "Permette di modificare alcuni parametri del midi file")                        \
    X(tbPatch, "Apre la finestra del Patch e del controllo Banchi")                                \
    X(tbMixer, "Apre la console del Mixer")                                                        \
    X(tbGoInit, "Porta la sequenza all'inizio del midi file")                                      \
    X(tbGoBack, "Retrocede la posizione corrente di 1 misura")                                     \
    X(tbPlay, "Esegue il \"Play\" del midi file")                                                  \
    X(tbStop, "Ferma l'esecuzione del midi file")                                                  \
    X(tbReg, "Inzia la sequenza di sincronizazione del \"Testo Karaoke\"")                         \
    X(tbGoNext, "Avanza la posizione corrente di 1 misura")                                        \
    X(tbGoEnd, "Porta la sequenza alla fine del midi file")                                        \
    X(LblszPointer, "Posizione corrente (misura.battuta.tick)")                                    \
    X(LblszPointer2, "Tempo trascorso (ore:minuti:secondi:frame)")                                 \
    X(tbTempo, "Apre la finestra degli eventi \"Tempo\"")                                          \
    X(LblszTempo, "Tempo corrente in battiti al minuto")                                           \
    X(tbMisure, "Apre la finestra degli eventi \"Misure\"")                                        \
    X(LblszSignature, "Indicazione di tempo corrente")                                             \
    X(Label8, "Posizione Nota")                                                                    \
    X(Label9, "Posizione Sillaba")                                                                 \
    X(Label10, "Canale Melodia")                                                                   \
    X(lblPosNota, "Posizione della nota sotto il mouse")                                           \
    X(lblPosSillaba, "Posizione della sillaba sotto il mouse")                                     \
    X(cBox1, "Canale midi che porta la melodia")                                                   \
    X(lblIName, "Strumento del canale della melodia")                                              \
    X(tbBarraS, "Attiva/Disattiva la barra sonora")                                                \
    X(tbAggPN, "Aggancia il testo sulla 1\xB0 nota melodica")                                      \
    X(tbTrascina, "Posizionamento manuale: trascina la sillaba con tutto il testo che segue")      \
    X(tbAggSM, "Mantiene agganciate sillabe e note quando si uniscono o si dividono le sillabe")   \
    X(lblPReferer, "Posizionatore di aggancio: doppio click per fissarlo alla posizione corrente") \
    X(btnAzzera, "Azzera il posizionatore di aggancio")                                            \
    X(BtnMinus, "Contrae la griglia eventi")                                                       \
    X(BtnPlus, "Espande la griglia eventi")                                                        \
    X(LblszLastLocator, "Lunghezza del brano (misura.battuta.tick)")                               \
    X(lblTimeSLength, "Durata del brano (ore:minuti:secondi:frame)")                               \
    /* Window titles, dialog texts, file-dialog filters and messages. */                           \
    X(EditorTitle, "Editor Testo Karaoke")                                                         \
    X(EventPanelTitle, "Pannello Eventi Testo")                                                    \
    X(MonitorTitle, "Monitor Karaoke")                                                             \
    X(SysExTitle, "SysEx Data")                                                                    \
    X(BackgroundTitle, "Selezione Sfondo e Colore Testo")                                          \
    X(reserved97, "")                                                                              \
    X(AboutTitle, "Informazioni su Cantelo Edit")                                                  \
    X(PatchCaption, "Patch Strumento")                                                             \
    X(BackgroundListHint, "Doppio Click per applicare lo sfondo scelto al Monitor Karaoke")        \
    X(ApplySwatchHint, "Doppio Click per applicare il colore scelto al testo del Karaoke")         \
    X(RestoreSwatchHint, "Doppio Click per ripristinare il colore nel riquadro sotto il mouse")    \
    X(NoBackground, "Nessun Sfondo")                                                               \
    X(TextColourCaption, "Colore Testo")                                                           \
    X(SyllableColourCaption, "Colore Sillabe")                                                     \
    X(reserved106, "")                                                                             \
    X(reserved107, "")                                                                             \
    X(VersionCaption, "versione 1.13")                                                             \
    X(AboutCreditLine, "Editor di testi karaoke per file midi")                                    \
    X(CancelCaption, "Annulla")                                                                    \
    X(ApplyCaption, "Applica")                                                                     \
    X(ChannelCaption, "Canale")                                                                    \
    X(ChannelNotInUse, "Il canale midi che hai scelto non \xE8 attivo...")                         \
    X(NoInstrumentChosen, "Prima di applicare il patch seleziona uno strumento dalla lista...")    \
    X(NoProgramChangeLine1,                                                                        \
      "Il controllo dello strumento che desideri applicare non esiste nella sequenza")             \
    X(NoProgramChangeLine2, "Vuoi che venga inserito insieme ai controlli del banco dei suoni?")   \
    X(OpenDialogTitle, "Apertura file...")                                                         \
    X(SaveDialogTitle, "Salvataggio file...")                                                      \
    /* The first filter ends in one separator: the second is appended to it on loading. */         \
    X(FilterAllSongs, "Tutti i File (*.nvk, *.mid, *.kar)\xA6*.nvk;*.mid;*.kar\xA6")               \
    X(FilterSongTypes, "File Cantelo (*.nvk)\xA6*.nvk\xA6"                                         \
                       "File Midi (*.mid)\xA6*.mid\xA6"                                            \
                       "File Karaoke (*.kar)\xA6*.kar\xA6\xA6")                                    \
    X(FilterCanteloSongs, "File Cantelo (*.nvk)\xA6*.nvk\xA6\xA6")                                 \
    X(FilterSyllables, "File Sillabe (*.nvs)\xA6*.nvs\xA6\xA6")                                    \
    X(FilterText, "File Testo (*.txt)\xA6*.txt\xA6\xA6")                                           \
    X(OpenErrorLine1, "Non posso aprire il file a causa di un errore")                             \
    X(OpenErrorLine2, "riscontrato durante l'analisi dello stesso...")                             \
    X(BadExtensionLine1,                                                                           \
      "Il file che stai cercando di aprire non corrisponde alle specifiche richieste")             \
    X(BadExtensionLine2,                                                                           \
      "da Cantelo Edit. Il programma accetta solo file \".nvk\", \".mid\" e \".kar\"")             \
    X(SaveFormatQuestion, "Scegli il formato con cui deve essere salvato il file karaoke...")      \
    X(LongLinesLine1, "Sono state rilevate righe di lunghezza superiore ai 33 caratteri.")         \
    X(LongLinesLine2,                                                                              \
      "Alla prossima apertura del file le righe verranno adattate automaticamente...")             \
    X(UnknownSyllableFileLine1,                                                                    \
      "Il file che stai tentando di aprire non e' stato riconosciuto da Cantelo Edit")             \
    X(UnknownSyllableFileLine2, "come \"file sillabe\", oppure e' corrotto...")                    \
    X(DivisionMismatchLine1,                                                                       \
      "La risoluzione attuale non corrisponde con quella del \"file sillabe\" che si sta")         \
    X(DivisionMismatchLine2,                                                                       \
      "caricando. Verra' falsata la posizione originale del testo. Devo continuare?")              \
    X(SyncCompleted, "Procedura di Sincronizzazione completata correttamente")                     \
    /* Captions of the grid and percentage context-menu items. */                                  \
    X(AgganciaallaNota1, "Aggancia alla Nota")                                                     \
    X(EliminaNota, "Elimina Nota")                                                                 \
    X(Aumenta1, "Aumenta 1%")                                                                      \
    X(Aumenta5, "Aumenta 5%")                                                                      \
    X(Aumenta10, "Aumenta 10%")                                                                    \
    X(Aumenta50, "Aumenta 50%")                                                                    \
    X(Diminuisci1, "Diminuisci 1%")                                                                \
    X(Diminuisci5, "Diminuisci 5%")                                                                \
    X(Diminuisci10, "Diminuisci 10%")                                                              \
    X(Diminuisci50, "Diminuisci 50%")                                                              \
    /* The velocity menu's banner stays empty until a language file supplies one. */               \
    X(PopupMenu2Banner, "")                                                                        \
    X(ReopenPortCaption, "Riapri Porta Midi")                                                      \
    X(UseSysExCaption, "Utilizza SysEx")                                                           \
    X(InfoTitle, "Informazioni")                                                                   \
    X(ErrorTitle, "Errore")                                                                        \
    X(ContinueCaption, "Continua")                                                                 \
    X(YesCaption, "Si")                                                                            \
    X(NoCaption, "No")                                                                             \
    /* The text export's trailer, written as it stands (line ends included). */                    \
    X(ExportTrailer1, "\xB3\xB2\xB3\xB2TESTO ESTRATTO CON CANTELO EDITOR 1.09\xB3\xB2\xB3\xB2")    \
    X(ExportTrailer2, "Testo karaoke preparato con Cantelo Edit\xB3\xB2")                          \
    X(ExportTrailer3, "")                                                                          \
    X(ExportTrailer4, "")                                                                          \
    X(SongCredit, "")                                                                              \
    X(reserved159, "")                                                                             \
    X(reserved160, "")                                                                             \
    X(DeviceErrorLine1, "Non posso aprire la periferica midi selezionata.")                        \
    X(DeviceErrorLine2, "Probabilmente la periferica e' gia' in uso...")

enum class TextId : std::uint8_t {
#define CANTELO_TEXT_ID(name, italian) name,
    CANTELO_LANGUAGE_TEXTS(CANTELO_TEXT_ID)
#undef CANTELO_TEXT_ID
};

// The language file, in its plain form (as stored, every byte other than 0x00 and 0xE3 is XOR-ed
// with 0xE3, the extension included):
//
//   0              10 bytes  "CNELANG113"
//   10             3 x n     the language codes; a code starting with 0, or offset 50, ends them
//   50 + 5300 x k  5300      block of language k: the 163 texts in slot order, each ended by a
//                            carriage return, the rest of the block zero
//   50 + 5300 x n            optionally, the extension section (see language_extension.h)
inline constexpr int kLanguageTextCount = 163;
inline constexpr int kMaxLanguages = 13;
inline constexpr std::size_t kMaxLanguageTextLength = 355;
inline constexpr std::size_t kLanguageHeaderSize = 50;
inline constexpr std::size_t kLanguageBlockSize = 5300;
inline constexpr std::string_view kLanguageMagic = "CNELANG113";
inline constexpr std::string_view kLanguageFileName = "reg.cne";
// The first picture of the language menu's items in the editor's image list.
inline constexpr int kFirstLanguageImage = 53;

using LanguageBlock = std::array<std::string, kLanguageTextCount>;

// The component (or buffer) name of a slot, as the readable language source lists it; a slot of
// a main-menu item and its context-menu twin gives both names joined by '/'. Empty outside
// 0..162.
std::string_view slotName(int index);

// The built-in Italian text of a slot in its loaded form (filters NUL-separated, line ends real).
// Empty outside 0..162.
std::string builtInText(int index);

// Scrambles or unscrambles the bytes of a language file in place: the rule is its own inverse.
void toggleLanguageScramble(std::span<std::uint8_t> bytes);

// One entry of the "Lingua" menu.
struct LanguageEntry {
    std::string code; // as stored: three bytes, cut at a NUL
    int index = 0;    // the language block it selects
    int image = 0;    // picture of the menu item
};

// A language file read into memory and unscrambled. Plain data: any thread, no file access after
// loading.
class LanguageFile {
public:
    // The unscrambled file, or nothing when the header is not "CNELANG113".
    static std::optional<LanguageFile> fromStored(std::vector<std::uint8_t> stored);
    // Reads and unscrambles the file; nothing when it cannot be read or its header is wrong.
    static std::optional<LanguageFile> load(const std::filesystem::path& path);

    // The languages of the header, in file order; at most 13.
    const std::vector<LanguageEntry>& languages() const { return m_languages; }

    // The 163 texts of language k as stored (Windows-1252, file form), or nothing when k is not
    // one of languages(). A text longer than 355 bytes keeps its first 355. A block cut short by
    // the end of the file leaves the texts it does not reach empty and reports how many it read
    // in `found` (when given).
    std::optional<LanguageBlock> block(int k, int* found = nullptr) const;
    // The extra texts of language k from the extension section after the last block; nothing
    // when k is not one of languages() or the file has no extension.
    std::optional<ExtraBlock> extraBlock(int k) const;

private:
    explicit LanguageFile(std::vector<std::uint8_t> plain);
    std::vector<std::uint8_t> m_plain;
    std::vector<LanguageEntry> m_languages;
};

// Builds a stored (scrambled) language file from the codes and the texts (file form) of each
// language. Returns nothing and names the reason in `error` when a code is not three non-NUL
// bytes, there are no or more than 13 languages, a text holds a carriage return or a NUL or is
// longer than 355 bytes, or a block does not fit its 5300 bytes.
std::optional<std::vector<std::uint8_t>> buildLanguageFile(const std::vector<std::string>& codes,
                                                           const std::vector<LanguageBlock>& blocks,
                                                           std::string* error);
// The same with an extension section holding `extras` (one per language, or none at all for a
// file without the section); refused also when an extra text cannot be stored.
std::optional<std::vector<std::uint8_t>> buildLanguageFile(const std::vector<std::string>& codes,
                                                           const std::vector<LanguageBlock>& blocks,
                                                           const std::vector<ExtraBlock>& extras,
                                                           std::string* error);

// The texts the interface shows: the built-in Italian ones until a language is applied. Plain
// data, owned by the user-interface thread.
class LanguageTexts {
public:
    LanguageTexts();

    const std::string& operator[](TextId id) const { return m_texts[static_cast<std::size_t>(id)]; }
    // A text beyond the slots: the applied language's own when its file has one, else the
    // built-in Italian for the Italian language ("ITA") and the built-in English for any other.
    const std::string& operator[](ExtraTextId id) const {
        return m_extra[static_cast<std::size_t>(id)];
    }
    // The text of slot `index`; an empty text outside 0..162.
    const std::string& at(int index) const;

    // Takes the texts of language k of `file`. When k is not one of its languages nothing
    // changes and the result is false. Texts that a block cut short does not reach keep their
    // built-in Italian.
    bool apply(const LanguageFile& file, int k);
    // The built-in Italian texts, the extra ones included.
    void useBuiltIn();

private:
    std::array<std::string, kLanguageTextCount> m_texts;
    std::array<std::string, kExtraTextCount> m_extra;
};

// The reason of a failed file operation as the user is told it, in `texts`' language.
const std::string& reasonText(const LanguageTexts& texts, FailureReason reason);

// The lines "Esporta Testo" writes after the text, in `texts`' language: the title, then the
// credit lines that are not empty. A language that leaves the title empty gets the built-in one.
ExportTrailer exportTrailer(const LanguageTexts& texts);

// One entry of a file-dialog filter list.
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns; // "*.nvk;*.mid" gives "*.nvk" and "*.mid"
};

// The entries of a loaded filter text (description NUL pattern NUL ..., ended by an empty
// description or the end of the text); nothing after the ending entry is read.
std::vector<FileFilter> fileFilters(std::string_view loaded);

// The language an editor without a configuration starts in: the Italian one for an Italian
// locale name ("it", "it_IT.UTF-8", "it-CH"), else the English one; 0 (the first language, or
// the built-in Italian texts without a language file) when the file lacks the one wanted.
int firstStartLanguage(std::string_view localeName, const std::vector<LanguageEntry>& languages);

} // namespace cantelo
