#pragma once
// Small helpers around windows: keeping a window above the others and releasing that around a
// modal box, the hourglass pointer, and the taskbar, desktop and sound calls the older desktop
// needed, kept as harmless calls here.
//
// The topmost mark lives in each window's "Tag" property: "1" made topmost by AfficherAuDessus,
// "0" made not topmost by it, "-1" topmost released for the time of a modal box.
#include <QString>

#include <functional>

class QWidget;

namespace Cle {
inline constexpr const char* AfficherAuDessus = "Lib_Public:AfficherAuDessus";
inline constexpr const char* AfficherMessageBoxOuInputBox = "Lib_Public:AfficherMessageBoxOuInputBox";
inline constexpr const char* SablierOn = "Lib_Public:SablierOn";
inline constexpr const char* SablierOff = "Lib_Public:SablierOff";
inline constexpr const char* AfficherBarreDeTache = "Lib_Public:AfficherBarreDeTache";
inline constexpr const char* AfficherBureau = "Lib_Public:AfficherBureau";
inline constexpr const char* CloseSoundRessource = "Lib_Public:CloseSoundRessource";
}  // namespace Cle

// The window's topmost mark ("" when none).
QString TagFenetre(const QWidget* frm);
void SetTagFenetre(QWidget* frm, const QString& tag);
// The window is in the topmost band.
bool EstAuDessus(const QWidget* frm);

// Puts the window into the topmost band (Tag "1") or takes it out (Tag "0"). Neither moves,
// resizes nor activates it.
void AfficherAuDessus(QWidget* frm, bool bDessus);

// Around a modal box or dialog: before (true), every visible window marked "1" leaves the topmost
// band and is marked "-1"; after (false), every window marked "-1" goes back (mark "1"). Windows
// are walked from the last created to the first.
void AfficherMessageBoxOuInputBox(bool bAvant);

// The window's own pointer becomes the hourglass (pending events then run once) / the default.
void SablierOn(QWidget* frm);
void SablierOff(QWidget* frm);

// The taskbar and the desktop belong to the desktop environment here: nothing to show or hide.
void AfficherBarreDeTache(bool bAfficher);
void AfficherBureau(bool bAfficher);

// Entry trace only: there is no sound resource to close.
void CloseSoundRessource();

// For a window built at start-up but shown on demand: its controls are polished when it first
// shows (which polishes a window and all it holds), not by the first event pump after their
// creation.
void PolirAuPremierAffichage(QWidget* frm);
// Work that only matters once the window is polished (a style sheet, whose setting walks every
// control): now for a window already polished or not marked by PolirAuPremierAffichage, else when
// it is polished (first show, or first grab). A later call with the same key replaces the waiting
// one.
void QuandPoli(QWidget* frm, const char* cle, std::function<void()> travail);

// Inside a long loop: pending events run (the windows stay alive, a close is seen) at most once
// every 100 ms, so that a loop of many short steps does not pay a pass of the event loop per step.
void LaisserPasserEvenements();
