#include "shell/wait_window.h"

#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"

#include <QApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QElapsedTimer>
#include <QTimer>

namespace {

// The window's design sizes are twips, 15 to the pixel.
constexpr int kLargeur = 5400 / 15;
constexpr int kHauteur = 1125 / 15;
constexpr int kRayonCoin = 12;  // corner ellipses of 24 x 24 pixels
const QString kTexteDesign = QStringLiteral("Ondrune");

QLabel* etiquette(QWidget* parent, const QString& texte, const QColor& couleur, const QFont& police, const QRect& rect,
                  Qt::Alignment alignement) {
    auto* l = new QLabel(texte, parent);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, couleur);
    l->setPalette(pal);
    l->setFont(police);
    l->setGeometry(rect);
    l->setAlignment(alignement);
    l->setAttribute(Qt::WA_TranslucentBackground);
    return l;
}

class AttenteShell : public FenetreAttente {
public:
    void afficher(bool bAfficher, const QString& appelant) override;
    bool chargee() const override { return !fenetre_.isNull(); }
    bool visible() const override { return fenetre_ && fenetre_->isVisible(); }
    QString texte() const override { return texte_; }
    // A run writes a label per record: the window shows at most one every 100 ms, and the last
    // one written always reaches it (a timer shows it when its time comes).
    void setTexte(const QString& texte) override {
        texte_ = texte;
        if (!fenetre_) return;
        if (!montre_.isValid() || montre_.elapsed() >= kIntervalleMs) {
            montrer();
        } else if (!differe_ || !differe_->isActive()) {
            if (!differe_) {
                differe_ = new QTimer(fenetre_);
                differe_->setSingleShot(true);
                QObject::connect(differe_, &QTimer::timeout, fenetre_, [this] { montrer(); });
            }
            differe_->start(int(kIntervalleMs - montre_.elapsed()));
        }
    }
    void cacher() override {
        if (fenetre_) fenetre_->hide();
    }
    FrmMsg* fenetre() const { return fenetre_.data(); }

private:
    static constexpr qint64 kIntervalleMs = 100;
    void montrer() {
        if (!fenetre_) return;
        fenetre_->LabelMsgInit->setText(texte_);
        montre_.restart();
    }
    QPointer<FrmMsg> fenetre_;
    QString texte_;  // the last step written (shown, or about to be)
    QElapsedTimer montre_;
    QPointer<QTimer> differe_;
};

AttenteShell g_attente;

void AttenteShell::afficher(bool bAfficher, const QString& appelant) {
    Proc p(Cle::AfficherFrmMsg);
    // A modeless window cannot be shown over a modal one: only a log line, and the window stays
    // loaded and hidden until it is closed.
    p.handler([&](int erl) {
        if (DerniereErreur.Number != 401) return false;
        Log(QStringLiteral("Err: 401: Impossible d'afficher une feuille non modale lorsqu'une "
                           "feuille modale est affichée |Sub: ") +
            appelant + QLatin1Char(':') + QString::fromLatin1(Cle::AfficherFrmMsg) + QLatin1Char(':') +
            QString::number(erl));
        DerniereErreur = ErreurInfo{};
        return true;
    });
    if (bAfficher) {
        if (fenetre_) return;
        p(10, [&] {
            fenetre_ = new FrmMsg();
            texte_ = fenetre_->LabelMsgInit->text();
            montre_.invalidate();
        });
        p(20, [&] {
            if (!fenetre_) return;
            if (QApplication::activeModalWidget()) Raise(401);
            fenetre_->show();
        });
        p(30, [] { QCoreApplication::processEvents(); });
    } else if (fenetre_) {
        p(40, [&] { delete fenetre_.data(); });
    }
}

}  // namespace

FrmMsg::FrmMsg() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    Proc p(Cle::FrmMsg_Form_Load, Trace::None);
    setObjectName(QStringLiteral("FrmMsg"));
    setWindowTitle(QStringLiteral("Ondrune"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kLargeur, kHauteur);

    QFont patientez(QStringLiteral("Arial"));
    patientez.setPointSizeF(27.75);
    patientez.setBold(true);
    // The black copy sits 3 pixels right of and below the white one, behind it.
    LabelPatientez[1] = etiquette(this, QStringLiteral("Patientez S.V.P."), Qt::black, patientez,
                                  QRect(3, 7, kLargeur, 44), Qt::AlignHCenter | Qt::AlignVCenter);
    LabelPatientez[0] = etiquette(this, QStringLiteral("Patientez S.V.P."), Qt::white, patientez,
                                  QRect(0, 4, kLargeur, 44), Qt::AlignHCenter | Qt::AlignVCenter);
    QFont petit(QStringLiteral("Arial"));
    petit.setPointSizeF(8.25);
    LabelMsgInit = etiquette(this, kTexteDesign, Qt::white, petit, QRect(4, 56, kLargeur - 8, 16),
                             Qt::AlignHCenter | Qt::AlignVCenter);
    LabelMsgInit->setObjectName(QStringLiteral("LabelMsgInit"));

    p(20, [&] {
        const QScreen* ecran = QGuiApplication::primaryScreen();
        if (!ecran) return;
        const QRect g = ecran->geometry();
        move(g.x() + g.width() / 2 - width() / 2, g.y());
    });
    p(30, [&] {
        QPainterPath chemin;
        chemin.addRoundedRect(QRectF(0, 0, width(), height()), kRayonCoin, kRayonCoin);
        setMask(QRegion(chemin.toFillPolygon().toPolygon()));
    });
}

FrmMsg::~FrmMsg() { Proc p(Cle::FrmMsg_Form_Unload); }

void FrmMsg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient fond(0, 0, 0, height());
    fond.setColorAt(0.0, QColor(40, 78, 140));
    fond.setColorAt(1.0, QColor(12, 30, 66));
    painter.fillRect(rect(), fond);
}

void InstallerFrmMsg() { SetFenetreAttente(&g_attente); }

FrmMsg* FrmMsgCharge() { return g_attente.fenetre(); }
