#pragma once
// New record codes for the files keyed by a fixed-width code (1 salespeople, 2 business sectors,
// 3 clients, 4 products): the highest code in use is found through key 0, numeric codes first,
// and the next one is checked against the file; as a last resort the user types a code.
#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* DetermineNouveauCode = "Lib_Data_BTrieve_2:DetermineNouveauCode";
inline constexpr const char* DetermineNouveauCodePlusA = "Lib_Data_BTrieve_2:DetermineNouveauCodePlusA";
inline constexpr const char* DetermineNouveauCodePlusUn = "Lib_Data_BTrieve_2:DetermineNouveauCodePlusUn";
}  // namespace Cle

// A free code between first and last on key 0 of the file (1..4), or empty when none was found
// and the user typed none. The prefix is empty for every caller. The file's record buffer holds
// the last record read. Empty at once while the program is closing.
QString DetermineNouveauCode(int16_t base, int16_t station, const QString& prefix, const QString& first,
                             const QString& last, int16_t file);

// The next code over digits and letters (0..9, A..Z, then 0 with a carry; lower-case letters
// count a..z), blanks counting as "0", followed by the suffix. A character other than a digit or
// a letter stops the count; the code never grows.
QString DetermineNouveauCodePlusA(const QString& code, const QString& suffix);

// The code of the record last read from file 1..4, plus one, zero-padded to the code's width;
// empty for another file.
QString DetermineNouveauCodePlusUn(int16_t file);

// A text that reads as a number as a whole (blanks around it allowed).
bool EstNumerique(const QString& text);
