#include "shell/debug_window.h"

#include "foundation/log_lists.h"
#include "foundation/settings_locations.h"
#include "options/options_window.h"
#include "foundation/proc.h"
#include "shell/look.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QListView>
#include <QPointer>
#include <QVBoxLayout>

namespace {
QPointer<FrmDebugEcran> g_debug;
QMetaObject::Connection g_premiereLigne;

constexpr const char* kCleDebug = "FrmDebugEcran:Form_Load";
constexpr const char* kCleDebugUnload = "FrmDebugEcran:Form_Unload";
}  // namespace

FrmDebugEcran::FrmDebugEcran() {
    setObjectName(QStringLiteral("FrmDebugEcran"));
    setWindowTitle(QStringLiteral("Debug"));
    resize(480, 360);
    ListeDebug = new QListView;
    ListeDebug->setObjectName(QStringLiteral("ListeDebug"));
    ListeDebug->setModel(&Listes().ListeDebug);
    ListeDebug->setUniformItemSizes(true);
    ListeDebug->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(ListeDebug);
    Form_Load();
}

FrmDebugEcran::~FrmDebugEcran() {
    if (!decharge_) Form_Unload();
}

// Every statement of this window skips its errors silently.
void FrmDebugEcran::Form_Load() {
    Proc p(kCleDebug, Trace::None);
    p.silent();
    p(10, [&] { LookFenetre(this); });
    p(20, [&] { PositionFeuille(this, QString()); });
}

void FrmDebugEcran::Form_Unload() {
    Proc p(kCleDebugUnload, Trace::None);
    p.silent();
    decharge_ = true;
    // Once the options window is gone its own unload has already turned the switch off.
    p(10, [&] {
        if (FrmSetup* s = FrmSetupCharge()) s->CheckDebugEcran->setChecked(false);
    });
    p(20, [&] { PositionFeuilleSauvegarde(this, QString()); });
}

void FrmDebugEcran::closeEvent(QCloseEvent* e) {
    if (!decharge_) Form_Unload();
    QWidget::closeEvent(e);
    deleteLater();
}

FrmDebugEcran& FrmDebugEcranInstance() {
    if (!g_debug) g_debug = new FrmDebugEcran;
    return *g_debug;
}

bool FrmDebugEcranChargee() { return !g_debug.isNull(); }

void InstallerFenetreDebug() {
    QObject::disconnect(g_premiereLigne);
    // Queued: the window is not built inside the list's own insertion.
    TextList* liste = &Listes().ListeDebug;
    g_premiereLigne = QObject::connect(
        liste, &QAbstractItemModel::rowsInserted, liste,
        [] {
            QObject::disconnect(g_premiereLigne);
            FrmDebugEcranInstance();
        },
        Qt::QueuedConnection);
}
