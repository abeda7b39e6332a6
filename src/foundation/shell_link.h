#pragma once
// What the lower layers reach of the shell's windows: the main window's caption (the title of
// every message box), its handle as the owner of dialogs, its orderly exit, and the wait window
// with its step label. The shell installs its windows here; until it does (and in the lower
// layers' tests) the calls keep their state without any window.
#include "platform/dialogs.h"

#include <QString>
#include <functional>

class QWidget;

namespace Cle {
inline constexpr const char* AfficherFrmMsg = "Lib_Main:AfficherFrmMsg";
}

// --- main window ---

// The main window's caption before the start-up sets the version into it.
inline constexpr const char* CaptionFrmMainDesign = "Ondrune: Tools Kirvo";

// The main window's current caption ("Err: " prefix included while an incident is pending).
QString CaptionFrmMain();
// Called by the main window whenever its caption changes.
void SetCaptionFrmMain(const QString& caption);

// The main window as owner of dialogs and shell calls; nullptr while it does not exist.
QWidget* FenetrePrincipale();
void SetFenetrePrincipale(QWidget* w);

// Frm_Main.Quitter: asks the user and, on Yes, unloads the main window (the orderly shutdown).
// Nothing happens while no main window has installed it.
void QuitterFrmMain(bool forcer);
void SetQuitterFrmMain(std::function<void(bool forcer)> quitter);

// A message box titled with the main window's caption.
inline int MsgBoxMain(const QString& prompt, int style = Mb::OKOnly) { return MsgBox(prompt, style, CaptionFrmMain()); }

// --- wait window (FrmMsg) ---

// Set by the start-up while its steps are written into the wait window.
extern bool bAfficherProgression;

// The wait window as the shell implements it.
class FenetreAttente {
public:
    virtual ~FenetreAttente() = default;
    // Open when closed, close when open, else nothing (AfficherFrmMsg counts the nested runs).
    virtual void afficher(bool bAfficher, const QString& appelant) = 0;
    virtual bool chargee() const = 0;
    virtual bool visible() const = 0;
    virtual QString texte() const = 0;
    virtual void setTexte(const QString& texte) = 0;
    // FrmMsg.Hide: hidden, still loaded.
    virtual void cacher() = 0;
};

// Installs the shell's wait window; nullptr puts the windowless one back.
void SetFenetreAttente(FenetreAttente* f);
FenetreAttente& FenetreAttenteCourante();

// Opens (true) or closes the wait window. Nested runs share one window: an opening while it is
// open counts one run more, a close one less, and the window goes with the close of the outermost
// run, so it never shows the program idle while an outer run goes on. When an inner run closes,
// the label comes back to the first one the outer run wrote (its family or step), or to what it
// showed when the inner run opened if the outer run wrote none. appelant is the caller's
// procedure key, named in the report of a failure.
void AfficherFrmMsg(bool bAfficher, const QString& appelant);
// Closes the wait window whatever runs are still inside it (the program's end).
void FermerFrmMsg(const QString& appelant);

// Holds the wait window open for one run, from its creation to its end, whichever way the run
// leaves; the label is set to libelle when one is given.
class FrmMsgOuverte {
public:
    explicit FrmMsgOuverte(QString appelant, const QString& libelle = QString());
    ~FrmMsgOuverte();
    FrmMsgOuverte(const FrmMsgOuverte&) = delete;
    FrmMsgOuverte& operator=(const FrmMsgOuverte&) = delete;

private:
    QString appelant_;
};
// FrmMsg.LabelMsgInit: the current step text.
inline QString LabelMsgInit() { return FenetreAttenteCourante().texte(); }
void LabelMsgInit(const QString& texte);
// bFrmMsgChargee.
inline bool FrmMsgChargee() { return FenetreAttenteCourante().chargee(); }
// FrmMsg.Hide (the base choice hides it before its own modal window).
inline void CacherFrmMsg() { FenetreAttenteCourante().cacher(); }

// Tests: the windowless wait window closed, the design caption, no owner, no exit handler,
// bAfficherProgression down.
void ReinitialiserLienShell();
