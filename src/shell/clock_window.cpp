#include "shell/clock_window.h"

#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "platform/clock.h"
#include "shell/look.h"
#include "shell/main_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QPointer<FrmChrono> g_chrono;

QString fichierProgramme() { return NomFichierSettings(QString(), QStringLiteral(".Ini")); }
}  // namespace

FrmChrono::FrmChrono(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("FrmChrono"));
    setWindowTitle(QStringLiteral("Horloge"));
    setAttribute(Qt::WA_DeleteOnClose);
    LabelHorloge = new QLabel(QStringLiteral("00:00:00"));
    LabelHorloge->setObjectName(QStringLiteral("LabelHorloge"));
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(72);
    LabelHorloge->setFont(f);
    LabelHorloge->setAlignment(Qt::AlignCenter);
    auto* v = new QVBoxLayout(this);
    v->addWidget(LabelHorloge);
    TimerChrono = new QTimer(this);
    TimerChrono->setObjectName(QStringLiteral("TimerChrono"));
    TimerChrono->setInterval(250);
    connect(TimerChrono, &QTimer::timeout, this, &FrmChrono::TimerChrono_Timer);
    Form_Load();
}

void FrmChrono::Form_Load() {
    Proc p(Cle::FrmChrono_Form_Load);
    p(10, [&] { LookFenetre(this); });
    p(20, [&] {
        adjustSize();
        PositionFeuille(this, QString());
    });
    p(30, [&] { TimerChrono_Timer(); });
    p(40, [&] { TimerChrono->start(); });
}

void FrmChrono::TimerChrono_Timer() {
    Proc p(Cle::FrmChrono_TimerChrono_Timer);
    p(10, [&] { LabelHorloge->setText(HorlogeSysteme().now().time().toString(QStringLiteral("HH:mm:ss"))); });
}

void FrmChrono::Form_QueryUnload(int& cancel, int UnloadMode) {
    Proc p(Cle::FrmChrono_Form_QueryUnload);
    p(10, [&] {
        EcritureIni(fichierProgramme(), QStringLiteral("Timing"), QStringLiteral("Affiche"),
                    UnloadMode == 0 ? QStringLiteral("0") : QStringLiteral("1"));
    });
    (void)cancel;
}

void FrmChrono::Form_Unload() {
    Proc p(Cle::FrmChrono_Form_Unload);
    p(10, [&] { PositionFeuilleSauvegarde(this, QString()); });
}

void FrmChrono::closeEvent(QCloseEvent* e) {
    // Once the shutdown has begun the program is closing it, not the user.
    int cancel = 0;
    Form_QueryUnload(cancel, bFermetureEnCours ? 1 : 0);
    if (cancel != 0) {
        e->ignore();
        return;
    }
    TimerChrono->stop();
    Form_Unload();
    QWidget::closeEvent(e);
}

bool ChronoDemande() {
    return LectureIni(fichierProgramme(), QStringLiteral("Timing"), QStringLiteral("Affiche"), QStringLiteral("0")) ==
           QLatin1String("1");
}

FrmChrono* AfficherFrmChrono() {
    // A window of its own (not a child of the main window), so that the shutdown closes it like the
    // other windows and it records that it was open.
    if (!g_chrono) {
        g_chrono = new FrmChrono(nullptr);
        PosseeParFrmMain(g_chrono);
    }
    g_chrono->show();
    return g_chrono;
}

FrmChrono* FrmChronoChargee() { return g_chrono; }
