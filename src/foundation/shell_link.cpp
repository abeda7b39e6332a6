#include "foundation/shell_link.h"

#include <QPointer>
#include <vector>
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

// The runs inside the open wait window, outermost first: the label each found when it opened,
// and the first label it wrote itself (its family or its step).
struct RunAttente {
    QString avant;
    QString premier;
    bool ecrit = false;
};
std::vector<RunAttente> g_runs;

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
    g_runs.clear();
}
FenetreAttente& FenetreAttenteCourante() { return *g_attente; }

void AfficherFrmMsg(bool bAfficher, const QString& appelant) {
    FenetreAttente& f = *g_attente;
    // A window closed behind the runs' backs (the program's end) has no run inside it any more.
    if (!f.chargee()) g_runs.clear();
    if (bAfficher) {
        g_runs.push_back({f.chargee() ? f.texte() : QString(), QString(), false});
        f.afficher(true, appelant);  // loaded already: nothing
        return;
    }
    if (g_runs.size() > 1) {
        // The outer run goes on: the label says again which family or step it is, not the
        // inner run's last record.
        const RunAttente interne = g_runs.back();
        g_runs.pop_back();
        f.setTexte(g_runs.back().ecrit ? g_runs.back().premier : interne.avant);
        return;
    }
    g_runs.clear();
    f.afficher(false, appelant);
}

void FermerFrmMsg(const QString& appelant) {
    g_runs.clear();
    g_attente->afficher(false, appelant);
}

void LabelMsgInit(const QString& texte) {
    if (!g_runs.empty() && !g_runs.back().ecrit) {
        g_runs.back().premier = texte;
        g_runs.back().ecrit = true;
    }
    g_attente->setTexte(texte);
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
    g_runs.clear();
    bAfficherProgression = false;
}
