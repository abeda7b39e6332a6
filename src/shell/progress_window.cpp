#include "shell/progress_window.h"

#include "foundation/proc.h"
#include "foundation/window_helpers.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace {
QPointer<FrmProgressBar> g_progression;
}

QPoint PositionProgression(const QRect& ecran, int largeur) {
    return QPoint(ecran.x() + int(ecran.width() / 2.0 - largeur / 2.0), ecran.y() + int(ecran.height() / 10.0));
}

FrmProgressBar::FrmProgressBar() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("FrmProgressBar"));
    setWindowTitle(QStringLiteral("Progression..."));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(28, 12, 28, 8);
    v->setSpacing(14);
    for (size_t k = 0; k < ProgressBar.size(); ++k) {
        ProgressBar[k] = new QProgressBar;
        ProgressBar[k]->setObjectName(QStringLiteral("ProgressBar") + QString::number(k));
        ProgressBar[k]->setRange(0, 100);
        ProgressBar[k]->setValue(0);
        ProgressBar[k]->setFixedSize(349, 21);
        v->addWidget(ProgressBar[k]);
    }
    LabelProgression = new QLabel(QStringLiteral("..."));
    LabelProgression->setObjectName(QStringLiteral("LabelProgression"));
    v->addWidget(LabelProgression, 0, Qt::AlignHCenter);
    resize(406, 116);
    Form_Load();
}

void FrmProgressBar::Form_Load() {
    Proc p(Cle::FrmProgressBar_Form_Load, Trace::None);
    p(10, [&] { AfficherAuDessus(this, true); });
    p(20, [&] {
        const QScreen* ecran = screen() ? screen() : QGuiApplication::primaryScreen();
        if (ecran) move(PositionProgression(ecran->geometry(), frameGeometry().width()));
    });
}

void FrmProgressBar::Form_Unload() { Proc p(Cle::FrmProgressBar_Form_Unload); }

void FrmProgressBar::closeEvent(QCloseEvent* e) {
    Form_Unload();
    QWidget::closeEvent(e);
}

FrmProgressBar& FrmProgressBarInstance() {
    if (!g_progression) g_progression = new FrmProgressBar;
    return *g_progression;
}

FrmProgressBar* FrmProgressBarChargee() { return g_progression; }
