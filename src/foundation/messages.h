#pragma once
// Application messages (an error code's text in a message box) and day names. French is the only
// language: each entry point forwards to its French table.
#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* GestErr_Fra = "Lib_Public:GestErr_Fra";
inline constexpr const char* Libelle_Fra = "Lib_Public:Libelle_Fra";
}  // namespace Cle

// The text of an application error code, the value placed in it ("Err: <code> inconnue" for a
// code without a text).
QString TexteErreurApplication(int32_t code, const QString& value);

// Shows the message of code under the title (a "(Source:...)" title moves into the message under
// "Erreur"; a blank one becomes "Erreur"), with a "(Sub: ...)" line when subProc is not blank.
// noBox: nothing is shown.
void GestErr_Fra(int32_t code, const QString& value, const QString& title, bool noBox, const QString& subProc);
inline void GestErrLangue(int32_t code, const QString& value, const QString& title, const bool& noBox,
                          const QString& subProc) {
    GestErr_Fra(code, value, title, noBox, subProc);
}

// Category "Jour", index 1 (Monday) to 7: the French day name, cut to three letters when length
// is 3. Anything else: "???:<category>:<index>:???".
QString Libelle_Fra(const QString& category, int32_t index, int16_t length);
inline QString LibelleLangue(const QString& category, int32_t index, int16_t length) {
    return Libelle_Fra(category, index, length);
}
