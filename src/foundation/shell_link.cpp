#include "foundation/shell_link.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

bool bAfficherProgression = false;

namespace {

QString g_caption = QString::fromLatin1(CaptionFrmMainDesign);
QPointer<QWidget> g_principale;
std::function<void(bool)> g_quitter;

// Keeps the state of the wait window without showing anything.
class AttenteSansFenetre : public FenetreAttente {
public:
    void afficher(bool bAfficher, const QString&) override {
        if (bAfficher) {
            if (!charge_) {
                charge_ = true;
                visible_ = true;
                texte_ = QStringLiteral("Ondrune");
            }
        } else {
            charge_ = false;
            visible_ = false;
        }
    }
    bool chargee() const override { return charge_; }
    bool visible() const override { return visible_; }
    QString texte() const override { return texte_; }
    void setTexte(const QString& texte) override { texte_ = texte; }
    void cacher() override { visible_ = false; }
    void reinitialiser() { *this = AttenteSansFenetre(); }

private:
    bool charge_ = false;
    bool visible_ = false;
    QString texte_;
};

AttenteSansFenetre g_sansFenetre;
FenetreAttente* g_attente = &g_sansFenetre;

// The runs inside the open wait window, outermost first: the label each found when it opened.
QStringList g_libellesAvant;

}  // namespace

QString CaptionFrmMain() { return g_caption; }
void SetCaptionFrmMain(const QString& caption) { g_caption = caption; }

QWidget* FenetrePrincipale() { return g_principale.data(); }
void SetFenetrePrincipale(QWidget* w) { g_principale = w; }

void QuitterFrmMain(bool forcer) {
    if (g_quitter) g_quitter(forcer);
}
void SetQuitterFrmMain(std::function<void(bool)> quitter) { g_quitter = std::move(quitter); }

void SetFenetreAttente(FenetreAttente* f) {
    g_attente = f ? f : &g_sansFenetre;
    g_libellesAvant.clear();
}
FenetreAttente& FenetreAttenteCourante() { return *g_attente; }

void AfficherFrmMsg(bool bAfficher, const QString& appelant) {
    FenetreAttente& f = *g_attente;
    // A window closed behind the runs' backs (the program's end) has no run inside it any more.
    if (!f.chargee()) g_libellesAvant.clear();
    if (bAfficher) {
        g_libellesAvant << (f.chargee() ? f.texte() : QString());
        f.afficher(true, appelant);   // loaded already: nothing
        return;
    }
    if (g_libellesAvant.size() > 1) {
        f.setTexte(g_libellesAvant.takeLast());
        return;
    }
    g_libellesAvant.clear();
    f.afficher(false, appelant);
}

void FermerFrmMsg(const QString& appelant) {
    g_libellesAvant.clear();
    g_attente->afficher(false, appelant);
}

FrmMsgOuverte::FrmMsgOuverte(QString appelant, const QString& libelle) : appelant_(std::move(appelant)) {
    AfficherFrmMsg(true, appelant_);
    if (!libelle.isNull()) LabelMsgInit(libelle);
}

FrmMsgOuverte::~FrmMsgOuverte() { AfficherFrmMsg(false, appelant_); }

void ReinitialiserLienShell() {
    g_caption = QString::fromLatin1(CaptionFrmMainDesign);
    g_principale = nullptr;
    g_quitter = {};
    g_sansFenetre.reinitialiser();
    g_attente = &g_sansFenetre;
    g_libellesAvant.clear();
    bAfficherProgression = false;
}
