#pragma once

#include <cstdint>

namespace cantelo {

// Texts of the editor that the 163 slots of the language file have no place for: the questions
// and reasons that keep the user's work safe, the undo and redo commands and the audio message.
// X(name, built-in Italian, built-in English); Windows-1252 bytes, like the slot texts. A
// language file may translate them in its extension section; a language without one falls back
// to the built-in English, the built-in texts and the Italian language to the Italian.
#define CANTELO_EXTRA_TEXTS(X)                                                                     \
    X(UnsavedLine1, "Il testo o la sequenza sono stati modificati dall'ultimo salvataggio.",       \
      "The lyrics or the song have changed since they were last saved.")                           \
    X(UnsavedLine2, "Vuoi salvare le modifiche prima di continuare?",                              \
      "Do you want to save the changes before going on?")                                          \
    X(UnsavedSave, "Salva", "Save")                                                                \
    X(UnsavedDiscard, "Non salvare", "Don't save")                                                 \
    X(SaveFailed, "Il file non e' stato salvato:", "The file was not saved:")                      \
    X(SyllablesSaveFailed, "Le sillabe non sono state salvate:", "The syllables were not saved:")  \
    X(ExportFailed, "Il testo non e' stato esportato:", "The text was not exported:")              \
    X(ImportFailed, "Il file di testo non si puo' leggere:", "The text file cannot be read:")      \
    X(SyllablesLoadFailed,                                                                         \
      "Il file delle sillabe non si puo' leggere:", "The syllable file cannot be read:")           \
    X(ReasonNotFound, "il file o la cartella non esiste", "the file or folder does not exist")     \
    X(ReasonDenied, "accesso negato", "permission denied")                                         \
    X(ReasonDiskFull, "il disco e' pieno", "the disk is full")                                     \
    X(ReasonNotAFile, "non e' un file normale", "it is not a regular file")                        \
    X(ReasonTooLarge, "il file e' troppo grande", "the file is too large")                         \
    X(ReasonEmpty, "il file e' vuoto", "the file is empty")                                        \
    X(ReasonOther, "errore di scrittura o lettura", "read or write error")                         \
    X(mnuUndo, "Annulla modifica", "Undo")                                                         \
    X(mnuRedo, "Ripeti modifica", "Redo")                                                          \
    X(NoAudioLine1, "Nessuna uscita audio si e' potuta avviare.",                                  \
      "No audio output could be started.")                                                         \
    X(NoAudioLine2, "Il brano si puo' modificare e salvare, ma non ascoltare:",                    \
      "The song can be edited and saved, but not heard:")                                          \
    X(StatusNoSong, "Nessun brano aperto", "No song open")                                         \
    X(OpenFailed, "Il file non si puo' aprire:", "The file cannot be opened:")                     \
    X(PreviewLine1, "Nel blu, dipinto di blu,", "Twinkle, twinkle, little")                        \
    X(PreviewLine2, "felice di stare lassu'.", "star, how I wonder what you")                      \
    X(mnuTapLatency, "Ritardo dei tocchi...", "Tap latency...")                                    \
    X(TapLatencyPrompt, "Millisecondi tolti a ogni tocco della barra spaziatrice:",                \
      "Milliseconds taken off every tap of the space bar:")                                        \
    X(StatusEncoding, "Codifica testo:", "Text encoding:")                                         \
    X(TempoRaiseHint, "Aumenta di 1 unita' tutti gli eventi Tempo presenti nella lista",           \
      "Raises every tempo event in the list by one beat per minute")                               \
    X(TempoLowerHint, "Diminuisce di 1 unita' tutti gli eventi Tempo presenti nella lista",        \
      "Lowers every tempo event in the list by one beat per minute")                               \
    X(CharacterRefused, "Carattere non disponibile nella codifica", "Character not available in")  \
    X(PatchTitle, "Strumenti e banchi di suoni", "Instruments and sound banks")                    \
    X(BankMsbCaption, "Control 0", "Control 0")                                                    \
    X(BankLsbCaption, "Control 32", "Control 32")                                                  \
    X(MixerChorus, "Chr", "Chr")                                                                   \
    X(MixerReverb, "Rev", "Rev")                                                                   \
    X(MixerPan, "Pan", "Pan")                                                                      \
    X(MixerVolume, "Vol", "Vol")                                                                   \
    X(MixerMute, "m", "m")                                                                         \
    X(MixerSolo, "s", "s")                                                                         \
    X(OverviewChannel, "Chn", "Chn")                                                               \
    X(OverviewVolume, "Vol", "Vol")                                                                \
    X(OverviewPan, "Pan", "Pan")                                                                   \
    X(ReasonNotInEncoding, "contiene caratteri che la codifica testo del brano non ha",            \
      "it holds characters that the song's text encoding does not have")                           \
    X(mnuTextEncoding, "Codifica testo", "Text encoding")                                          \
    X(Utf8Line1, "Salvare i testi del brano in UTF-8?", "Save the song's texts as UTF-8?")         \
    X(Utf8Line2, "I programmi recenti li leggono meglio. La conversione non si puo' annullare.",   \
      "Newer programs read them better. The conversion cannot be undone.")                         \
    X(ReasonUnreadableText, "contiene byte che la codifica testo del brano non sa leggere",        \
      "it holds bytes that the song's text encoding cannot read")                                  \
    X(ExportUtf8Line1, "Esportare il testo in UTF-8?", "Export the text as UTF-8?")                \
    X(ExportUtf8Line2, "Con No il testo resta nella codifica del brano.",                          \
      "With No the text keeps the song's encoding.")

enum class ExtraTextId : std::uint8_t {
#define CANTELO_EXTRA_TEXT_ID(name, italian, english) name,
    CANTELO_EXTRA_TEXTS(CANTELO_EXTRA_TEXT_ID)
#undef CANTELO_EXTRA_TEXT_ID
        Count
};

inline constexpr int kExtraTextCount = static_cast<int>(ExtraTextId::Count);

} // namespace cantelo
