#pragma once

#include "core/lyrics/text_encoding.h"
#include "core/song/indexed_lists.h"

#include <string>
#include <string_view>

namespace cantelo {

// True for the seven letters that the splitter counts as vowels: A, E, I, O, U, J and W (upper
// case; the splitter only sees upper-case copies). Everything else is a non-vowel.
bool IsSyllableVowel(char c);

// Italian hyphenation of an upper-case 8-bit word (spaces and punctuation allowed): the word with
// "-" at every syllable boundary. A final one-letter syllable stays with the one before it (its
// separator becomes a space: "MA I"), and a word ending in a consonant after a vowel may end with
// "-" ("PER-"). Every character of `word` appears in the result in order, so the result can be
// walked in step with the text it was made from.
std::string SyllabifyWord(std::string_view word);

// The copy of a syllable text that SyllabifyWord is given: accented letters folded to their base
// letter, then upper case. Same length as `text`.
std::string syllabifyAnalysisCopy(std::string_view text);

// The "Sillaba" command: every syllable item that holds more than one syllable is replaced by one
// item per syllable, cut from its own text (so case and accents survive) and placed at the item's
// tick + 2 per character of the hyphenated copy walked so far. Texts are read in `encoding`, each
// character folded and upper-cased as the Windows-1252 copy above is, so a word splits the same
// in every encoding that holds it. Break items, empty syllables and
// one-syllable items stay as they are. The new list is assembled in `scratch` (the lyric slot
// after the lyric track), which is empty again afterwards. Returns the number of items added; the
// caller then runs the common refresh with the cursor column 0. GUI thread.
int syllabifyLyrics(TItemLyr& lyrics, TItemLyr& scratch, const TextEncoding& encoding = {});

} // namespace cantelo
