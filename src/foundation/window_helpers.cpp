#include "foundation/window_helpers.h"

#include "foundation/proc.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QVariant>
#include <QWidget>

#include <utility>
#include <vector>

namespace {
constexpr const char* kTag = "Tag";
constexpr const char* kPoliAuPremierAffichage = "poliAuPremierAffichage";

// The work waiting for the window's polish, in the order it was asked for; the window's own
// polish then sees it done.
class AttentePolissage : public QObject {
public:
    static constexpr const char* kNom = "attentePolissage";
    explicit AttentePolissage(QWidget* frm) : QObject(frm) {
        setObjectName(QString::fromLatin1(kNom));
        frm->installEventFilter(this);
    }
    void demander(const char* cle, std::function<void()> travail) {
        for (auto& [c, t] : travaux_) {
            if (c == cle) {
                t = std::move(travail);
                return;
            }
        }
        travaux_.emplace_back(QByteArray(cle), std::move(travail));
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Polish && o == parent()) {
            o->removeEventFilter(this);
            const auto travaux = std::move(travaux_);
            deleteLater();
            for (const auto& [c, t] : travaux) t();
        }
        return false;
    }

private:
    std::vector<std::pair<QByteArray, std::function<void()>>> travaux_;
};
}  // namespace

QString TagFenetre(const QWidget* frm) { return frm ? frm->property(kTag).toString() : QString(); }

void SetTagFenetre(QWidget* frm, const QString& tag) {
    if (frm) frm->setProperty(kTag, tag);
}

bool EstAuDessus(const QWidget* frm) { return frm && frm->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

void AfficherAuDessus(QWidget* frm, bool bDessus) {
    Proc p(Cle::AfficherAuDessus, Trace::DebugOnly);
    p(10, [&] {
        if (!frm) Raise(91);
        if (EstAuDessus(frm) != bDessus) {
            // Changing a window's flags hides it; a visible window is shown again in place,
            // without taking the focus.
            const bool visible = frm->isVisible();
            const bool sansActivation = frm->testAttribute(Qt::WA_ShowWithoutActivating);
            frm->setWindowFlag(Qt::WindowStaysOnTopHint, bDessus);
            if (visible) {
                frm->setAttribute(Qt::WA_ShowWithoutActivating, true);
                frm->show();
                frm->setAttribute(Qt::WA_ShowWithoutActivating, sansActivation);
            }
        }
    });
    p(20, [&] { SetTagFenetre(frm, bDessus ? QStringLiteral("1") : QStringLiteral("0")); });
}

void AfficherMessageBoxOuInputBox(bool bAvant) {
    Proc p(Cle::AfficherMessageBoxOuInputBox, Trace::DebugOnly);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    const QWidgetList fenetres = QApplication::topLevelWidgets();
    for (qsizetype i = fenetres.size() - 1; i >= 0; --i) {
        QWidget* w = fenetres.at(i);
        p(10, [&] {
            const QString tag = TagFenetre(w);
            if (bAvant) {
                if (tag == QLatin1String("1") && w->isVisible()) {
                    AfficherAuDessus(w, false);
                    SetTagFenetre(w, QStringLiteral("-1"));
                }
            } else if (tag == QLatin1String("-1")) {
                AfficherAuDessus(w, true);
            }
        });
    }
}

void SablierOn(QWidget* frm) {
    Proc p(Cle::SablierOn, Trace::DebugOnly);
    p(10, [&] {
        if (!frm) Raise(91);
        frm->setCursor(Qt::WaitCursor);
    });
    p(20, [] {
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
    });
}

void LaisserPasserEvenements() {
    static QElapsedTimer dernier;
    if (!QCoreApplication::instance()) return;
    if (dernier.isValid() && dernier.elapsed() < 100) return;
    QCoreApplication::processEvents();
    dernier.restart();
}

void SablierOff(QWidget* frm) {
    Proc p(Cle::SablierOff, Trace::DebugOnly);
    p(10, [&] {
        if (!frm) Raise(91);
        frm->unsetCursor();
    });
}

void AfficherBarreDeTache(bool) { Proc p(Cle::AfficherBarreDeTache, Trace::DebugOnly); }

void AfficherBureau(bool) { Proc p(Cle::AfficherBureau, Trace::DebugOnly); }

void CloseSoundRessource() { Proc p(Cle::CloseSoundRessource, Trace::Both); }

void PolirAuPremierAffichage(QWidget* frm) {
    if (!frm) return;
    for (QWidget* w : frm->findChildren<QWidget*>()) QCoreApplication::removePostedEvents(w, QEvent::PolishRequest);
    QCoreApplication::removePostedEvents(frm, QEvent::PolishRequest);
    frm->setProperty(kPoliAuPremierAffichage, true);
}

void QuandPoli(QWidget* frm, const char* cle, std::function<void()> travail) {
    if (!frm) return;
    if (frm->testAttribute(Qt::WA_WState_Polished) || !frm->property(kPoliAuPremierAffichage).toBool()) {
        travail();
        return;
    }
    auto* attente =
        frm->findChild<AttentePolissage*>(QString::fromLatin1(AttentePolissage::kNom), Qt::FindDirectChildrenOnly);
    if (!attente) attente = new AttentePolissage(frm);
    attente->demander(cle, std::move(travail));
}
