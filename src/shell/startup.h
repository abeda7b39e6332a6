#pragma once
// Bringing the program up. Creating the main window does not start anything: DemarrerProgramme
// wires the lower layers to the shell's windows, then runs the window's initialisation and load
// (Form_Initialize, Form_Load, defined in startup.cpp), which run the general initialisation:
// system settings, site and base, folders, time slots, options window (zones), current base and
// station, database files, search and status lists, tab strip, answer folder. Every step is
// written into the wait window and, for most, logged as "----- " step " -----".
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class Frm_Main;

namespace Cle {
inline constexpr const char* Form_Initialize = "Frm_Main:Form_Initialize";
inline constexpr const char* Form_Load = "Frm_Main:Form_Load";
inline constexpr const char* InitGeneralMain = "Frm_Main:InitGeneral";
inline constexpr const char* InitGeneralSysteme = "Frm_Main:InitGeneralSysteme";
}  // namespace Cle

// A component the program needs was missing when the window was created: the load gives up.
extern bool bComposantsAbsents;
// 1 when the desktop's visual theme is on, 0 when off (registry "ThemeActive").
extern int32_t bThemeActif;
// Height allowance of the note and picture windows, twips: 550 themed, 450 classic.
extern int32_t DecalageTheme;

// The components checked when the main window is created, in this order; at most the first
// missing one is reported.
enum class Composant {
    GrilleEtOnglets,  // the grid and tab controls (built into the program)
    ClientHttpTls,    // the web client's secure connections
};
// Whether a component is there. Tests may pretend one is missing; empty puts the real check back.
bool ComposantPresent(Composant c);
void SetControleComposants(std::function<bool(Composant)> controle);
// Starts finding out, on a thread of its own, what is slow to learn (the secure connections load
// their library to answer), so that the main window is built meanwhile; ComposantPresent waits for
// the answer. Asking again does nothing.
void PreparerControleComposants();
// Waits for that thread to end. It reads the application's plugin paths, so it must be over before
// the application object goes: the main window, whose construction starts it, waits at its end.
void AttendreControleComposants();

// Where the installation of the components is offered.
inline constexpr const char* AdresseInstallationComposants = "http://localhost/Ondrune/Composants/";

// The program folder: $KIRVO_APP_DIR when set, else the executable's folder; ends with "/".
QString DossierProgramme();

// The command line the start-up reads: the process's arguments unless a test gave one
// (nullopt goes back to the process's).
QString LigneCommandeDemarrage();
void SetLigneCommandeDemarrage(std::optional<QString> ligne);

// Step announcement: the text into the wait window's label, pending events once (refresh), and
// the log line "----- " + the label's text + " -----" (journal). Nothing outside the start-up's
// progression.
void EtapeDemarrage(const QString& texte, bool refresh, bool journal);

// The longest side, in pixels, the window system takes for a window.
inline constexpr int CoteFenetreMax = 32767;
// A window size stored in the positions file (twips, 15 to a pixel) in pixels; none when no window
// can have it (negative, longer than CoteFenetreMax, not finite: a damaged file), which the reader
// takes as missing.
std::optional<int> PixelsDeTwips(double twips);

// Wires the lower layers to the shell (wait window, options window's links, the error
// routine's restart), then runs Form_Initialize and Form_Load. False when the start-up gave up
// and the window has been unloaded.
bool DemarrerProgramme(Frm_Main& frm);

// The program's run in its main window: the start-up, then the event loop until the window's
// unload. Its result is the process's exit status: CodeFinSurErreur when the start-up gave up,
// else the event loop's.
int ExecuterProgramme(Frm_Main& frm);

// Tests: the flags of the start-up back to their start-of-run values, real components check,
// the process's command line.
void ReinitialiserDemarrage();
