#pragma once
// The small conversions every part of the program shares: fixed-width numbers, "YYYYMMDD" dates,
// date patterns, durations, widths, path endings and parts, name cleaning, tags of a message text,
// and the 32-bit integer stored as four base-255 digits.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* N2S = "Lib_Public:N2S";
inline constexpr const char* D2S = "Lib_Public:D2S";
inline constexpr const char* S2D = "Lib_Public:S2D";
inline constexpr const char* Date2StringEx = "Lib_Public:Date2StringEx";
inline constexpr const char* Tps2MinSec = "Lib_Public:Tps2MinSec";
inline constexpr const char* Calibre = "Lib_Public:Calibre";
inline constexpr const char* CheckSlash = "Lib_Public:CheckSlash";
inline constexpr const char* CheckRep = "Lib_Public:CheckRep";
inline constexpr const char* EclateRepFicExt = "Lib_Public:EclateRepFicExt";
inline constexpr const char* NettoieNomDeDossier = "Lib_Public:NettoieNomDeDossier";
inline constexpr const char* NomFichierCorrect = "Lib_Public:NomFichierCorrect";
inline constexpr const char* ClearChaine = "Lib_Public:ClearChaine";
inline constexpr const char* CheckValiditeValeurMin = "Lib_Public:CheckValiditeValeurMin";
inline constexpr const char* ExtraireBalise = "Lib_Public:ExtraireBalise";
inline constexpr const char* CVL = "Lib_Systeme:CVL";
inline constexpr const char* MKL = "Lib_Systeme:MKL";
inline constexpr const char* FormatNoTel = "Lib_Kirvo:FormatNoTel";
}  // namespace Cle

// The date value 0 (30 December 1899): what a failed S2D gives.
inline QDate DateNulle() { return QDate(1899, 12, 30); }

// The leading number of a text: blanks skipped wherever they stand, then digits with at most one
// point, up to the first other character; 0 without a digit ("  0.50" 0.5, "*12" 0). A number
// beyond every double is infinite (never 0); one below the smallest is 0.
double NombreEnTete(QStringView text);
// The same with a leading sign ("-3" -3, " +2" 2): settings values that may be negative.
double NombreSigne(QStringView text);
// The numeric value of a text of an answer: its number as NombreSigne reads it, rounded to the
// nearest integer on its exact decimal value, halves to the even one; 0 when it begins with none.
// Raises Overflow (6) beyond 32 bits.
int32_t ValeurNumeriqueReponse(QStringView texte);
// The whole text (blanks around it aside) as a 32-bit integer: a decimal number, with an exponent
// or not, rounded as ValeurNumeriqueReponse does. Raises Type mismatch (13) when the text is no
// number (empty included), Overflow (6) beyond 32 bits.
int32_t ValeurEntiereStricte(QStringView texte);
// Removes blanks (space characters only) at both ends.
QString TrimBlancs(const QString& text);

// value in exactly width characters, filled on the left with the fill's first character (a blank
// when the fill is empty); 0.005 is added before scaling and halves go to the even neighbour;
// a number with more digits than the width keeps its rightmost ones.
QString N2S(double value, int16_t width, int16_t decimals = 0, const QString& fill = QString());
// N2S(value, width, 0, "0") for a whole number: the same text, without N2S's scope and floating
// point for the numbers that fit the width (the record calls format several on every call).
QString ChiffresZero(int value, int16_t width);

// "YYYYMMDD"; today's date after a failure (a date outside years 100..9999).
QString D2S(const QDate& date);
inline QString D2S(const QDateTime& date) { return D2S(date.date()); }
// The date of "YYYYMMDD"; a month or day out of range carries over; DateNulle() after a failure.
QDate S2D(const QString& text);

// Date and time through a pattern (letters not case-sensitive; empty or blank means
// "HH:MM:SS"; "Long Date" is the French long date "mardi 5 mars 2024"). Names are French
// whatever the system's settings.
QString Date2StringEx(const QDateTime& date, const QString& pattern);
inline QString Date2StringEx(const QDate& date, const QString& pattern) {
    return Date2StringEx(QDateTime(date, QTime(0, 0)), pattern);
}

// Seconds as "mm:ss" (the minutes widen as needed) or, with the hours flag, "hh:mm:ss" with the
// hours padded with blanks. The automatic flag, when set, is cleared and chooses the hours flag
// (true from one hour on).
QString Tps2MinSec(int32_t seconds, int16_t width, const QString& fill, const QString& callerKey, bool& hours,
                   bool& automatic);

// The first count characters of the text padded with the fill's first character. An empty fill
// becomes " ", in the caller's variable too.
QString Calibre(const QString& text, QString& fill, int32_t count);
inline QString Calibre(const QString& text, const QString& fill, int32_t count) {
    QString f = fill;
    return Calibre(text, f, count);
}

// A web path made to end with "/" (the empty text stays empty).
QString CheckSlash(const QString& text);
// A folder made to end with "/" (the empty text stays empty; a "/" or "\" ending is kept).
QString CheckRep(const QString& text);

// The parts of the last path given to EclateRepFicExt.
struct RepFicExtInfo {
    QString Rep;  // folder up to and including its last "/" (or "\")
    QString Fic;  // name without extension
    QString Ext;  // from the last "." of the name, the "." included
};
extern RepFicExtInfo RepFicExt;
void EclateRepFicExt(const QString& path);

// A folder name cleaned of the characters a folder cannot have, of "..", "..." and "%", of ":"
// after the first two characters, and of blanks before a separator.
QString NettoieNomDeDossier(const QString& folder);
// False when the name holds "*", "?", a double quote or "|".
bool NomFichierCorrect(const QString& name);
// Control characters (and the codes above 250 but the French letters) become blanks, in the
// caller's variable too; returns the changed text.
QString ClearChaine(QString& text);
inline QString ClearChaine(const QString& text) {
    QString t = text;
    return ClearChaine(t);
}
// value takes the minimum when below it.
void CheckValiditeValeurMin(int32_t& value, int32_t minimum);
// The text between the tag (letter case ignored) and the next ">", or the default.
QString ExtraireBalise(const QString& text, const QString& tag, const QString& defaut = QString());

// The integer of four base-255 digits, lowest first (character codes in Windows-1252).
int32_t CVL(const QString& text);
// Four characters whose Windows-1252 codes are the base-255 digits of value (a negative value
// stores 0).
QString MKL(int32_t value);
// The same over the 4 bytes of a record field.
int32_t CVLOctets(const char* bytes);
void MKLOctets(int32_t value, char* bytes);

// The display form of a telephone number: five pairs of digits joined by "-" (14 characters), the
// digits of the trimmed text, cut to ten or completed with blanks.
QString FormatNoTel(const QString& s);
