#pragma once
// How the program ends. Every way out goes through the main window's unload: "Quitter" (menu,
// close box, the restart paths, a fatal database report), the end of the session, or the
// process being told to end. The unload raises bFermetureEnCours first, stops the window's
// timers, lets pending events settle, saves the window's size and state, unloads the options
// window (which writes the pending log lines), releases the database files, unloads every other
// window and releases whatever the record manager still holds.
//
// Frm_Main's Quitter, MnuQuitter_Click, Form_QueryUnload, Form_Unload and Decharger are defined
// in shutdown.cpp.
#include <QString>

namespace Cle {
inline constexpr const char* Quitter = "Frm_Main:Quitter";
inline constexpr const char* MnuQuitter_Click = "Frm_Main:MnuQuitter_Click";
inline constexpr const char* Form_QueryUnload = "Frm_Main:Form_QueryUnload";
inline constexpr const char* Form_Unload = "Frm_Main:Form_Unload";
}  // namespace Cle

// The framed line of a confirmed "Quitter", and of a forced one (no question asked).
inline constexpr const char* TexteQuitterConfirme = "Application closed by human action (Menu action)";
inline constexpr const char* TexteQuitterForce = "Application closed by code action (Forced exit)";

// The texts of the closing reasons other than the user's close box (Form_QueryUnload).
QString TexteRaisonFermeture(int raison);

// The end of the session and the termination signals (SIGTERM, SIGINT: "task manager"; SIGHUP:
// the session) unload the main window with their reason. Installed once per process.
void InstallerFinsExterieures();
