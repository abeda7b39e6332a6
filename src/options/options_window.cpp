#include "options/options_window.h"

#include "foundation/conversions.h"
#include "foundation/daily_log.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/proc.h"
#include "foundation/restart_shortcut.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "foundation/shell_link.h"
#include "foundation/system_info.h"
#include "foundation/trace_log.h"
#include "foundation/window_helpers.h"
#include "options/udp_link.h"
#include "platform/profile.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QEvent>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

bool bSetupEnChargement = false;
bool bOptionsModifiees = false;
bool bPeripheriquesModifies = false;
bool bParametresModifies = false;

namespace {

// Not owned by a static: the window must never outlive the application object at exit. Its owner
// may take it down first.
QPointer<FrmSetup> g_frmSetup;

const QString kSectionURL = QStringLiteral("URL");
const QString kSectionWindows = QStringLiteral("Windows");

void pomper() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

// A number read from a text (leading number, halves to even), kept within 32 bits.
int32_t entier32(const QString& texte) {
    const double v = std::nearbyint(NombreEnTete(texte));
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

QLineEdit* boite(QWidget* parent, const QString& nom, int largeur = 0) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(nom);
    if (largeur > 0) e->setFixedWidth(largeur);
    return e;
}

// Takes a list to its last line when it shows, if lines came while it was hidden.
class DefilementEnAttente : public QObject {
public:
    explicit DefilementEnAttente(QListView* liste) : QObject(liste), liste_(liste) { liste->installEventFilter(this); }
    bool attente = false;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o == liste_ && e->type() == QEvent::Show && attente) {
            attente = false;
            // Once more when the list has its size: its scroll bars come with its first layout.
            liste_->scrollToBottom();
            QTimer::singleShot(0, liste_, [l = liste_] { l->scrollToBottom(); });
        }
        return false;
    }

private:
    QListView* liste_;
};

QString nomIndexe(const char* nom, int i) {
    return QString::fromLatin1(nom) + QLatin1Char('(') + QString::number(i) + QLatin1Char(')');
}

}  // namespace

LiensFrmSetup& LiensSetup() {
    static LiensFrmSetup liens;
    return liens;
}

int ValeurCase(const QCheckBox* c) {
    switch (c->checkState()) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        default:
            return 0;
    }
}

void SetValeurCase(QCheckBox* c, int valeur) {
    switch (valeur) {
        case 0:
            c->setCheckState(Qt::Unchecked);
            break;
        case 1:
            c->setCheckState(Qt::Checked);
            break;
        case 2:
            c->setTristate(true);
            c->setCheckState(Qt::PartiallyChecked);
            break;
        default:
            Raise(380);
    }
}

// --- building the window ----------------------------------------------------------------------

// Owned, it is a dialog at the window system's level: the window manager keeps it above its owner
// (and with it on the desktop); it can still be resized, maximised and minimised.
FrmSetup::FrmSetup(QWidget* proprietaire)
    : QMainWindow(proprietaire,
                  proprietaire ? Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint : Qt::Window) {
    setObjectName(QStringLiteral("FrmSetup"));
    setWindowTitle(QStringLiteral("Options"));
    construire();
    PolirAuPremierAffichage(this);
}

FrmSetup::~FrmSetup() = default;

void FrmSetup::construire() {
    MnuMain = menuBar()->addMenu(QStringLiteral("Menu"));
    MnuMain->setObjectName(QStringLiteral("MnuMain"));
    MnuMainSave = MnuMain->addAction(QStringLiteral("Enregistrer"));
    MnuMainSave->setObjectName(QStringLiteral("MnuMainSave"));
    MnuMain->addSeparator();
    MnuMainFermer = MnuMain->addAction(QStringLiteral("Fermer"));
    MnuMainFermer->setObjectName(QStringLiteral("MnuMainFermer"));

    auto* centre = new QWidget(this);
    auto* v = new QVBoxLayout(centre);
    SftTabsOptions = new QTabWidget(centre);
    SftTabsOptions->setObjectName(QStringLiteral("SftTabsOptions"));
    // Pages join their strip before they are filled: the strip shows its first page as it joins,
    // which would polish every control already in it, only to polish them again under the look's
    // style sheet.
    const std::pair<void (FrmSetup::*)(QWidget*), QString> onglets[] = {
        {&FrmSetup::ongletGeneral, QStringLiteral("Général")},
        {&FrmSetup::ongletReseau, QStringLiteral("Réseau")},
        {&FrmSetup::ongletLog, QStringLiteral("Log")}};
    for (const auto& [remplir, titre] : onglets) {
        auto* page = new QWidget;
        SftTabsOptions->addTab(page, titre);
        (this->*remplir)(page);
    }
    v->addWidget(SftTabsOptions, 1);

    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    CommandSave = new QPushButton(QStringLiteral("Enregistrer"), centre);
    CommandSave->setObjectName(QStringLiteral("CommandSave"));
    CommandFermer = new QPushButton(QStringLiteral("Fermer"), centre);
    CommandFermer->setObjectName(QStringLiteral("CommandFermer"));
    boutons->addWidget(CommandSave);
    boutons->addWidget(CommandFermer);
    v->addLayout(boutons);
    setCentralWidget(centre);
    resize(760, HauteurNormale);

    connect(MnuMainSave, &QAction::triggered, this, [this] { MnuMainSave_Click(); });
    connect(CommandSave, &QPushButton::clicked, this, [this] { CommandSave_Click(); });
    connect(MnuMainFermer, &QAction::triggered, this, [this] { MnuMainFermer_Click(); });
    connect(CommandFermer, &QPushButton::clicked, this, [this] { CommandFermer_Click(); });

    // Change handlers: every edit counts, except while the load fills the boxes.
    for (QLineEdit* e : {TxtURL, TxtURLUser, TxtURLPW, TexteRebootTemporisation})
        connect(e, &QLineEdit::textChanged, this, [] {
            if (!bSetupEnChargement) bOptionsModifiees = true;
        });
    for (int i = 0; i < 2; ++i)
        connect(CheckReboot[size_t(i)], &QCheckBox::stateChanged, this, [this, i] { CheckReboot_Click(i); });
    connect(CheckLogDebug, &QCheckBox::stateChanged, this, [this] { CheckLogDebug_Click(); });
    connect(CheckDebugEcran, &QCheckBox::stateChanged, this, [this] { CheckDebugEcran_Click(); });

    // A text kept in a settings file comes back cut to what a read gives: the box takes no more.
    for (QLineEdit* e : {TxtURL, TxtURLUser, TxtURLPW, TexteRebootTemporisation}) e->setMaxLength(ProfileLongueurMax);
    for (const auto* boites : {&TexteUDPIPSource, &TexteUDPIPCible})
        for (QLineEdit* e : *boites) e->setMaxLength(ProfileLongueurMax);

    // The UDP link works the "Réseau" controls and handles their events.
    UDP = new LienUDP(*this);
}

void FrmSetup::ongletGeneral(QWidget* page) {
    auto* v = new QVBoxLayout(page);

    MyFrameParametresWeb = new QGroupBox(QStringLiteral("Service Web"), page);
    MyFrameParametresWeb->setObjectName(QStringLiteral("MyFrameParametresWeb"));
    auto* g = new QGridLayout(MyFrameParametresWeb);
    TxtURL = boite(MyFrameParametresWeb, QStringLiteral("TxtURL"));
    TxtURLUser = boite(MyFrameParametresWeb, QStringLiteral("TxtURLUser"));
    TxtURLPW = boite(MyFrameParametresWeb, QStringLiteral("TxtURLPW"));
    TxtURLPW->setEchoMode(QLineEdit::Password);
    g->addWidget(new QLabel(QStringLiteral("URL"), MyFrameParametresWeb), 0, 0);
    g->addWidget(TxtURL, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("User"), MyFrameParametresWeb), 1, 0);
    g->addWidget(TxtURLUser, 1, 1);
    g->addWidget(new QLabel(QStringLiteral("Password"), MyFrameParametresWeb), 2, 0);
    g->addWidget(TxtURLPW, 2, 1);
    g->setColumnStretch(1, 1);
    v->addWidget(MyFrameParametresWeb);

    MyFrameGeneral = new QGroupBox(QStringLiteral("Démarrage"), page);
    MyFrameGeneral->setObjectName(QStringLiteral("MyFrameGeneral"));
    auto* d = new QGridLayout(MyFrameGeneral);
    CheckReboot[0] = new QCheckBox(QStringLiteral("Mettre dans le groupe de démarrage Windows"), MyFrameGeneral);
    CheckReboot[1] = new QCheckBox(QStringLiteral("Mettre en veille"), MyFrameGeneral);
    CheckReboot[0]->setObjectName(nomIndexe("CheckReboot", 0));
    CheckReboot[1]->setObjectName(nomIndexe("CheckReboot", 1));
    LabelTempo = new QLabel(QStringLiteral("Tempo."), MyFrameGeneral);
    LabelTempo->setObjectName(QStringLiteral("LabelTempo"));
    TexteRebootTemporisation = boite(MyFrameGeneral, QStringLiteral("TexteRebootTemporisation"), 70);
    TexteRebootTemporisation->setText(QStringLiteral("10000"));
    TexteRebootTemporisation->setToolTip(QStringLiteral("Temporation lors du Reboot du poste"));
    Label1_95 = new QLabel(QStringLiteral("ms"), MyFrameGeneral);
    Label1_95->setObjectName(nomIndexe("Label1", 95));
    d->addWidget(CheckReboot[0], 0, 0);
    auto* tempo = new QHBoxLayout;
    tempo->addWidget(LabelTempo);
    tempo->addWidget(TexteRebootTemporisation);
    tempo->addWidget(Label1_95);
    tempo->addStretch(1);
    d->addLayout(tempo, 0, 1);
    d->addWidget(CheckReboot[1], 1, 0);
    d->setColumnStretch(1, 1);
    v->addWidget(MyFrameGeneral);
    v->addStretch(1);
}

void FrmSetup::ongletReseau(QWidget* page) {
    auto* v = new QVBoxLayout(page);

    auto* poste = new QHBoxLayout;
    TexteComputerNameAdresse[0] = boite(page, nomIndexe("TexteComputerNameAdresse", 0), 180);
    TexteComputerNameAdresse[1] = boite(page, nomIndexe("TexteComputerNameAdresse", 1), 130);
    for (QLineEdit* e : TexteComputerNameAdresse) e->setReadOnly(true);
    poste->addWidget(new QLabel(QStringLiteral("Poste"), page));
    poste->addWidget(TexteComputerNameAdresse[0]);
    poste->addWidget(new QLabel(QStringLiteral("Adresse IP"), page));
    poste->addWidget(TexteComputerNameAdresse[1]);
    poste->addStretch(1);
    v->addLayout(poste);

    SftTabsUDP = new QTabWidget(page);
    SftTabsUDP->setObjectName(QStringLiteral("SftTabsUDP"));

    auto* reception = new QWidget;
    SftTabsUDP->addTab(reception, QStringLiteral("Réception"));
    auto* r = new QGridLayout(reception);
    const char* entetesIn[] = {"IP source", "Port", "", "Données reçues", "État"};
    for (int c = 0; c < 5; ++c) r->addWidget(new QLabel(QString::fromUtf8(entetesIn[c]), reception), 0, c + 1);
    for (int i = 0; i < 9; ++i) {
        const size_t k = size_t(i);
        r->addWidget(new QLabel(QString::number(i), reception), i + 1, 0);
        TexteUDPIPSource[k] = boite(reception, nomIndexe("TexteUDPIPSource", i), 120);
        TexteUDPPortSource[k] = boite(reception, nomIndexe("TexteUDPPortSource", i), 55);
        CheckUDPInActif[k] = new QCheckBox(QStringLiteral("Activer"), reception);
        CheckUDPInActif[k]->setObjectName(nomIndexe("CheckUDPInActif", i));
        TexteUDPDonneeRecues[k] = boite(reception, nomIndexe("TexteUDPDonneeRecues", i));
        TexteUDPDonneeRecues[k]->setReadOnly(true);
        r->addWidget(TexteUDPIPSource[k], i + 1, 1);
        r->addWidget(TexteUDPPortSource[k], i + 1, 2);
        r->addWidget(CheckUDPInActif[k], i + 1, 3);
        r->addWidget(TexteUDPDonneeRecues[k], i + 1, 4);
        LabelUDPEtat[k] = new QLabel(reception);
        LabelUDPEtat[k]->setObjectName(nomIndexe("LabelUDPEtat", i));
        LabelUDPEtat[k]->setMinimumWidth(210);
        r->addWidget(LabelUDPEtat[k], i + 1, 5);
    }
    auto* tests = new QHBoxLayout;
    tests->addStretch(1);
    for (int i = 0; i < 2; ++i) {
        CommandTest[size_t(i)] = new QPushButton(QStringLiteral("Test"), reception);
        CommandTest[size_t(i)]->setObjectName(nomIndexe("CommandTest", i));
        tests->addWidget(CommandTest[size_t(i)]);
    }
    r->addLayout(tests, 10, 0, 1, 6);
    ListeUL = new QListWidget(reception);
    ListeUL->setObjectName(nomIndexe("ListeUL", 0));
    ListeUL->setToolTip(QStringLiteral("Messages reçus en attente de traitement"));
    r->addWidget(new QLabel(QStringLiteral("En attente"), reception), 11, 0, 1, 6);
    r->addWidget(ListeUL, 12, 0, 1, 6);
    r->setColumnStretch(4, 1);
    r->setRowStretch(12, 1);

    auto* emission = new QWidget;
    SftTabsUDP->addTab(emission, QStringLiteral("Emission"));
    auto* e = new QGridLayout(emission);
    const char* entetesOut[] = {"IP cible", "Port 1", "Port 2", "", "Données envoyées", ""};
    for (int c = 0; c < 6; ++c) e->addWidget(new QLabel(QString::fromUtf8(entetesOut[c]), emission), 0, c + 1);
    for (int i = 0; i < 9; ++i) {
        const size_t k = size_t(i);
        e->addWidget(new QLabel(QString::number(i), emission), i + 1, 0);
        TexteUDPIPCible[k] = boite(emission, nomIndexe("TexteUDPIPCible", i), 120);
        TexteUDPPortCible[k] = boite(emission, nomIndexe("TexteUDPPortCible", i), 55);
        TexteUDPPortBCible[k] = boite(emission, nomIndexe("TexteUDPPortBCible", i), 55);
        CheckUDPOutActif[k] = new QCheckBox(QStringLiteral("Activer"), emission);
        CheckUDPOutActif[k]->setObjectName(nomIndexe("CheckUDPOutActif", i));
        TexteUDPDonneeEnvoyees[k] = boite(emission, nomIndexe("TexteUDPDonneeEnvoyees", i));
        BtnUDPSend[k] = new QPushButton(QStringLiteral("Envoyer"), emission);
        BtnUDPSend[k]->setObjectName(nomIndexe("BtnUDPSend", i));
        e->addWidget(TexteUDPIPCible[k], i + 1, 1);
        e->addWidget(TexteUDPPortCible[k], i + 1, 2);
        e->addWidget(TexteUDPPortBCible[k], i + 1, 3);
        e->addWidget(CheckUDPOutActif[k], i + 1, 4);
        e->addWidget(TexteUDPDonneeEnvoyees[k], i + 1, 5);
        e->addWidget(BtnUDPSend[k], i + 1, 6);
    }
    e->setColumnStretch(5, 1);
    e->setRowStretch(10, 1);

    v->addWidget(SftTabsUDP, 1);
}

void FrmSetup::ongletLog(QWidget* page) {
    auto* v = new QVBoxLayout(page);

    ListeLog = new QListView(page);
    ListeLog->setObjectName(QStringLiteral("ListeLog"));
    ListeLog->setModel(&Listes().ListeLog);
    ListeLog->setUniformItemSizes(true);
    ListeLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont fixe(QStringLiteral("Monospace"));
    fixe.setStyleHint(QFont::TypeWriter);
    ListeLog->setFont(fixe);
    // The newest line stays in sight. Out of sight, the list goes to its end when it shows again:
    // scrolling a hidden list lays out all its lines again for every line logged.
    auto* enBas = new DefilementEnAttente(ListeLog);
    connect(&Listes().ListeLog, &QAbstractItemModel::rowsInserted, ListeLog, [this, enBas] {
        if (ListeLog->isVisible())
            ListeLog->scrollToBottom();
        else
            enBas->attente = true;
    });
    v->addWidget(ListeLog, 1);

    auto* bas = new QHBoxLayout;
    auto* traces = new QVBoxLayout;
    CheckLogDebug = new QCheckBox(QStringLiteral("Mode Debug"), page);
    CheckLogDebug->setObjectName(QStringLiteral("CheckLogDebug"));
    CheckDebugEcran = new QCheckBox(QStringLiteral("Mode Debug Ecran"), page);
    CheckDebugEcran->setObjectName(QStringLiteral("CheckDebugEcran"));
    traces->addWidget(CheckLogDebug);
    traces->addWidget(CheckDebugEcran);
    bas->addLayout(traces);

    ListeLogProg = new QListWidget(page);
    ListeLogProg->setObjectName(QStringLiteral("ListeLogProg"));
    ListeLogProg->setMaximumHeight(60);
    bas->addWidget(ListeLogProg, 1);
    Label1_130 = new QLabel(QStringLiteral("Nombre maximum de lignes bufferisées"), page);
    Label1_130->setObjectName(nomIndexe("Label1", 130));
    TexteLogNbMaxlignes = boite(page, QStringLiteral("TexteLogNbMaxlignes"), 50);
    TexteLogNbMaxlignes->setText(QStringLiteral("50"));
    bas->addWidget(Label1_130);
    bas->addWidget(TexteLogNbMaxlignes);
    v->addLayout(bas);
}

// --- files ---------------------------------------------------------------------------------------

QString FrmSetup::FichierOptionsBase() {
    QString dossier;
    if (LiensSetup().DossierConfigGlobal) dossier = LiensSetup().DossierConfigGlobal(NoBaseCourante);
    if (TrimBlancs(dossier).isEmpty()) dossier = DossierApplication + QStringLiteral("Config/");
    return dossier + QStringLiteral("QD3_Tools_Kirvo.Ini");
}

QString FrmSetup::AdresseEnregistree() {
    return LectureIni(FichierOptionsBase(), kSectionURL, QStringLiteral("Adresse"),
                      QString::fromLatin1(AdresseWebParDefaut));
}

QString FrmSetup::FichierProgramme() { return NomFichierSettings(QString(), QStringLiteral(".Ini")); }

bool FrmSetup::versionSansDemarrage() { return NoVersionWindows >= 8 && NoVersionWindows <= 11; }

// --- load ------------------------------------------------------------------------------------------

void FrmSetup::etapeChargement(const QString& texte, bool journal) {
    if (!bAfficherProgression) return;
    LabelMsgInit(texte);
    pomper();
    if (journal) Log(QStringLiteral("----- ") + texte + QStringLiteral(" -----"));
}

void FrmSetup::Form_Load() {
    Proc p(Cle::FrmSetup_Form_Load);
    p(10, [&] {
        setWindowTitle(QStringLiteral("Options: ") + QString::fromLatin1(CaptionFrmMainDesign) + QStringLiteral(" - ") +
                       VersionApplication());
    });
    p(20, [&] { bSetupEnChargement = true; });
    p(30, [&] {
        if (LiensSetup().LookFenetre) LiensSetup().LookFenetre(this);
    });
    p(40, [&] { PositionFeuille(this, QString()); });

    p(50, [&] { etapeChargement(QStringLiteral("Tools Kirvo: Setup: Init: General"), false); });
    p(60, [&] {
        if (LiensSetup().InitGeneral) LiensSetup().InitGeneral();
    });
    p(70, [&] { etapeChargement(QStringLiteral("Tools Kirvo: Setup: Init: Settings"), false); });
    p(80, [&] { InitSettings(); });
    p(90, [&] { etapeChargement(QStringLiteral("Tools Kirvo: Setup: Init: Settings QD3"), false); });
    p(100, [&] { etapeChargement(QStringLiteral("Options: Init: UDP"), true); });
    p(110, [&] {
        if (LiensSetup().InitUDP)
            LiensSetup().InitUDP();
        else
            UDP->InitUDP();
    });
    p(120, [&] { etapeChargement(QStringLiteral("Tools Kirvo: Setup: Init: SettingsPeripherique"), false); });
    p(130, [&] {
        if (LiensSetup().InitSettingsPeripheriques)
            LiensSetup().InitSettingsPeripheriques();
        else
            UDP->InitSettingsPeripheriques();
    });
    p(140, [&] { etapeChargement(QStringLiteral("Tools Kirvo: Setup: End"), true); });

    // Whatever failed above, the window counts as loaded and its handlers come alive.
    bFrmSetupChargee = true;
    bSetupEnChargement = false;
}

void FrmSetup::InitSettings() {
    Proc p(Cle::FrmSetup_InitSettings, Trace::None);
    QString programme, base;
    p(10, [&] { programme = FichierProgramme(); });
    p(20, [&] { base = FichierOptionsBase(); });
    p(30, [&] {
        if (versionSansDemarrage()) {
            for (QWidget* w : {static_cast<QWidget*>(CheckReboot[0]), static_cast<QWidget*>(TexteRebootTemporisation),
                               static_cast<QWidget*>(LabelTempo), static_cast<QWidget*>(Label1_95)})
                w->setEnabled(false);
            return;
        }
        SetValeurCase(CheckReboot[0],
                      entier32(LectureIni(programme, kSectionWindows, QStringLiteral("Reboot"), QStringLiteral("0"))));
    });
    p(40, [&] {
        if (versionSansDemarrage()) return;
        TexteRebootTemporisation->setText(
            LectureIni(programme, kSectionWindows, QStringLiteral("RebootTempo"), QStringLiteral("10000")));
    });
    p(50, [&] {
        SetValeurCase(CheckReboot[1], entier32(LectureIni(programme, kSectionWindows, QStringLiteral("RebootVeille"),
                                                          QStringLiteral("0"))));
    });
    p(60, [&] { TxtURL->setText(AdresseEnregistree()); });
    p(70, [&] { TxtURLUser->setText(LectureIni(base, kSectionURL, QStringLiteral("User"), QString())); });
    p(80, [&] { TxtURLPW->setText(LectureIni(base, kSectionURL, QStringLiteral("PW"), QString())); });
    p(90, [&] { bOptionsModifiees = false; });
}

// --- save ------------------------------------------------------------------------------------------

bool FrmSetup::SaveSettings(bool avecAdresse) {
    Proc p(Cle::FrmSetup_SaveSettings, Trace::None);
    QString programme, base;
    QStringList echecs;  // files that refused a value
    auto ecrire = [&](const QString& fichier, const QString& section, const char* cle, const QString& valeur) {
        if (!EcritureIni(fichier, section, QString::fromLatin1(cle), valeur) && !echecs.contains(fichier))
            echecs << fichier;
    };
    bool ok = true;
    ok &= p(10, [&] { programme = FichierProgramme(); });
    ok &= p(20, [&] { base = FichierOptionsBase(); });
    ok &= p(30, [&] {
        if (avecAdresse) ecrire(base, kSectionURL, "Adresse", TxtURL->text());
        ecrire(base, kSectionURL, "User", TxtURLUser->text());
        ecrire(base, kSectionURL, "PW", TxtURLPW->text());
    });
    ok &= p(40, [&] {
        if (versionSansDemarrage()) return;
        ecrire(programme, kSectionWindows, "Reboot", QString::number(ValeurCase(CheckReboot[0])));
        ecrire(programme, kSectionWindows, "RebootTempo", TexteRebootTemporisation->text());
    });
    ok &=
        p(50, [&] { ecrire(programme, kSectionWindows, "RebootVeille", QString::number(ValeurCase(CheckReboot[1]))); });

    // What was not written stays marked as changed, and the user is told.
    if (ok && echecs.isEmpty()) {
        bOptionsModifiees = false;
        return true;
    }
    p(60, [&] {
        SignalerEnregistrementImpossible(QStringLiteral("Les options n'ont pas pu être enregistrées."), echecs,
                                         QStringLiteral("SaveSettings"));
    });
    return false;
}

void FrmSetup::SignalerEnregistrementImpossible(const QString& entete, const QStringList& fichiers,
                                                const QString& quoi) {
    QString texte = entete;
    if (!fichiers.isEmpty())
        texte += QStringLiteral("\r\n\r\nFichier non modifiable :\r\n") + fichiers.join(QStringLiteral("\r\n"));
    // At the shutdown there is no later save to offer.
    texte += dechargement_ ? QStringLiteral(
                                 "\r\n\r\nVérifiez les droits d'écriture : les modifications non "
                                 "enregistrées sont perdues.")
                           : QStringLiteral("\r\n\r\nVérifiez les droits d'écriture puis enregistrez à nouveau.");
    Log(QStringLiteral("Err: FrmSetup: ") + quoi + QStringLiteral(": ") +
        (fichiers.isEmpty() ? QStringLiteral("?") : fichiers.join(QStringLiteral(" | "))));
    MsgBoxMain(texte, Mb::Exclamation);
}

void FrmSetup::SaveSettingsParametres() {
    Proc p(Cle::FrmSetup_SaveSettingsParametres);
    p(10, [&] { bParametresModifies = false; });
}

void FrmSetup::enregistrer(const char* cle) {
    Proc p(cle, Trace::None);
    // Without an address every synchronisation fails: it is saved only if the user means it;
    // otherwise the stored one stays and the other changes are saved all the same. The stored one
    // goes back into the field too: the requests of this run read the field, not the file.
    bool avecAdresse = true;
    p(5, [&] {
        if (!bOptionsModifiees || !TrimBlancs(TxtURL->text()).isEmpty()) return;
        avecAdresse = MsgBox(QStringLiteral("L'adresse du service Web (URL) est vide : les synchronisations ne "
                                            "pourront pas joindre le service.\r\n\r\nEnregistrer quand même l'URL "
                                            "vide ?\r\n\r\nNon : l'URL enregistrée est gardée, les autres "
                                            "modifications sont enregistrées."),
                             Mb::YesNo | Mb::Exclamation | Mb::DefaultButton2, windowTitle()) == Mb::Yes;
        if (avecAdresse) return;
        const QString gardee = AdresseEnregistree();
        TxtURL->setText(gardee);
        Log(QStringLiteral("FrmSetup: URL vide non enregistrée, l'URL enregistrée est gardée: ") + gardee);
    });
    QWidget* principale = FenetrePrincipale() ? FenetrePrincipale() : this;
    p(10, [&] { SablierOn(principale); });
    p(20, [&] { pomper(); });
    p(30, [&] {
        if (bOptionsModifiees) SaveSettings(avecAdresse);
    });
    p(40, [&] {
        if (!bPeripheriquesModifies) return;
        if (LiensSetup().SaveSettingsPeripheriques)
            LiensSetup().SaveSettingsPeripheriques();
        else
            UDP->SaveSettingsPeripheriques();
    });
    p(50, [&] {
        if (bParametresModifies) SaveSettingsParametres();
    });
    p(60, [&] { SablierOff(principale); });
}

void FrmSetup::MnuMainSave_Click() { enregistrer(Cle::FrmSetup_MnuMainSave_Click); }
void FrmSetup::CommandSave_Click() { enregistrer(Cle::FrmSetup_CommandSave_Click); }

// --- handlers ----------------------------------------------------------------------------------------

void FrmSetup::MnuMainFermer_Click() {
    Proc p(Cle::FrmSetup_MnuMainFermer_Click);
    p(10, [&] { hide(); });
}

void FrmSetup::CommandFermer_Click() {
    Proc p(Cle::FrmSetup_CommandFermer_Click);
    p(10, [&] { hide(); });
}

void FrmSetup::CheckReboot_Click(int /*index*/) {
    // Either box applies the state of box 0 to the start-up entry at once; errors are passed over.
    Proc p(Cle::FrmSetup_CheckReboot_Click, Trace::None);
    p.silent();
    if (bSetupEnChargement) return;
    int32_t delai = 0;
    p(10, [&] { delai = entier32(TexteRebootTemporisation->text()); });
    p(20, [&] {
        const int v = ValeurCase(CheckReboot[0]);
        if (v == 1)
            CreateShortCutStartUp(-1, delai, QString::fromLatin1(Cle::FrmSetup_CheckReboot_Click));
        else if (v == 0)
            CreateShortCutStartUp(0, delai, QString::fromLatin1(Cle::FrmSetup_CheckReboot_Click));
    });
    bOptionsModifiees = true;
}

void FrmSetup::CheckLogDebug_Click() { bTraceLogDebug = ValeurCase(CheckLogDebug) == 1; }

void FrmSetup::CheckDebugEcran_Click() { bTraceDebugEcran = ValeurCase(CheckDebugEcran) == 1; }

void FrmSetup::Form_Activate() {
    Proc p(Cle::FrmSetup_Form_Activate, Trace::None);
    p(10, [&] {
        if (SftTabsOptions->isTabEnabled(SftTabsOptions->currentIndex())) return;
        for (int i = 0; i < SftTabsOptions->count(); ++i)
            if (SftTabsOptions->isTabEnabled(i)) {
                SftTabsOptions->setCurrentIndex(i);
                return;
            }
    });
}

bool FrmSetup::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) Form_Activate();
    return QMainWindow::event(e);
}

void FrmSetup::closeEvent(QCloseEvent* e) {
    if (dechargement_) {
        e->accept();
        return;
    }
    // The user's close box: the window is only hidden, every edit stays in force.
    Proc p(Cle::FrmSetup_Form_QueryUnload, Trace::None);
    p(10, [&] { hide(); });
    e->ignore();
}

void FrmSetup::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    if (height() == HauteurNormale) return;
    Proc p(Cle::FrmSetup_Form_Resize);
    p(10, [&] { resize(width(), HauteurNormale); });
}

// --- unload -------------------------------------------------------------------------------------------

void FrmSetup::Form_Unload(int cancel) {
    if (cancel != 0) return;
    Proc p(Cle::FrmSetup_Form_Unload);
    dechargement_ = true;
    p(10, [&] { PositionFeuilleSauvegarde(this, QString()); });
    p(20, [&] {
        if (!(bOptionsModifiees || bPeripheriquesModifies || bParametresModifies)) return;
        if (MsgBox(QStringLiteral("Voulez-vous enregistrer les options ?"), Mb::YesNo | Mb::Question, windowTitle()) ==
            Mb::Yes)
            enregistrer(Cle::FrmSetup_Form_Unload);
    });
    bOptionsModifiees = false;
    bPeripheriquesModifies = false;
    bParametresModifies = false;
    p(30, [&] {
        if (bTraceDebugEcran) CheckDebugEcran->setCheckState(Qt::Unchecked);
    });
    p(40, [&] { Log(QStringLiteral("---------- ") + objectName() + QStringLiteral(": Form_Unload: End")); });
    p(50, [&] { TraceLogForce(Listes().ListeLog, QString(), false, false, QString()); });
    // The channels stop listening with the window.
    if (UDP) UDP->Fermer();
    bFrmSetupChargee = false;
}

// --- the loaded window ---------------------------------------------------------------------------------

FrmSetup* FrmSetupCharge() { return g_frmSetup; }

FrmSetup* ChargerFrmSetup() {
    if (!g_frmSetup) {
        g_frmSetup = new FrmSetup(FenetrePrincipale());
        g_frmSetup->Form_Load();
    }
    return g_frmSetup;
}

void DechargerFrmSetup() {
    if (!g_frmSetup) return;
    FrmSetup* f = g_frmSetup.data();
    f->Form_Unload(0);
    f->close();
    g_frmSetup = nullptr;
    delete f;
}

void ReinitialiserOptions() {
    delete g_frmSetup;
    g_frmSetup = nullptr;
    bSetupEnChargement = false;
    bOptionsModifiees = false;
    bPeripheriquesModifies = false;
    bParametresModifies = false;
}
