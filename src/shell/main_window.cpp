#include "shell/main_window.h"

#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "foundation/system_info.h"
#include "shell/look.h"
#include "shell/shell_globals.h"
#include "shell/standby.h"
#include "shell/startup.h"
#include "entities/advertising_drivers.h"
#include "shell/sync_commands.h"
#include "shell/web_search.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWindow>

namespace {

Frm_Main* g_frmMain = nullptr;

// Design lengths are twips, 15 to the pixel.
constexpr int px(int twips) { return twips / 15; }

const QString kIncidents = QStringLiteral("Incidents");

// An empty grid standing in for a list or fill grid until its owner supplies it.
QWidget* grilleVide() {
    auto* t = new QTableView;
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return t;
}

QAction* separateur(QMenu* menu, const char* nom) {
    QAction* a = menu->addSeparator();
    a->setObjectName(QString::fromLatin1(nom));
    return a;
}

QAction* entree(QMenu* menu, const char* nom, const QString& texte, const QKeySequence& raccourci = QKeySequence()) {
    QAction* a = menu->addAction(texte);
    a->setObjectName(QString::fromLatin1(nom));
    if (!raccourci.isEmpty()) a->setShortcut(raccourci);
    return a;
}

QMenu* sousMenu(QMenu* parent, const char* nom, const QString& texte) {
    QMenu* m = parent->addMenu(texte);
    m->setObjectName(QString::fromLatin1(nom));
    m->menuAction()->setObjectName(QString::fromLatin1(nom));
    return m;
}

}  // namespace

Frm_Main* FrmMain() { return g_frmMain; }

void PosseeParFrmMain(QWidget* fenetre) {
    if (!fenetre || !g_frmMain) return;
    fenetre->winId();
    g_frmMain->winId();
    if (QWindow* w = fenetre->windowHandle()) w->setTransientParent(g_frmMain->windowHandle());
}

QString Frm_Main::CaptionNormale() { return QStringLiteral("Ondrune: Tools Kirvo - ") + VersionApplication(); }

Frm_Main::Frm_Main(QWidget* parent) : QMainWindow(parent) {
    PreparerControleComposants();
    setObjectName(QStringLiteral("Frm_Main"));
    setWindowTitle(QString::fromLatin1(CaptionFrmMainDesign));

    construireMenus();

    auto* centre = new QWidget(this);
    auto* h = new QHBoxLayout(centre);
    h->setContentsMargins(3, 3, 3, 3);
    h->setSpacing(3);
    h->addWidget(construireRecherche());
    h->addWidget(construireOnglets(), 1);
    setCentralWidget(centre);
    disposition_ = h;
    setWindowIcon(IconeProgramme());

    TimerFlash = new QTimer(this);
    TimerFlash->setObjectName(QStringLiteral("TimerFlash"));
    TimerFlash->setInterval(100);
    connect(TimerFlash, &QTimer::timeout, this, &Frm_Main::TimerFlash_Timer);
    TimerVeille = new QTimer(this);
    TimerVeille->setObjectName(QStringLiteral("TimerVeille"));
    TimerVeille->setInterval(100);

    SkinFramework = new QObject(this);
    SkinFramework->setObjectName(QStringLiteral("SkinFramework"));

    resize(px(14280), px(8265) + menuBar()->sizeHint().height());

    connect(MnuQuitter, &QAction::triggered, this, &Frm_Main::MnuQuitter_Click);
    // The web search button and the requests' links to this window.
    InstallerRechercheWeb(*this);
    connect(Mnu01Refresh, &QAction::triggered, this, &Frm_Main::Mnu01Refresh_Click);
    connect(Mnu01Veille, &QAction::triggered, this, &Frm_Main::Mnu01Veille_Click);
    connect(Mnu01Options, &QAction::triggered, this, &Frm_Main::Mnu01Options_Click);
    connect(Mnu01Log, &QAction::triggered, this, &Frm_Main::Mnu01Log_Click);
    connect(Mnu99APropos, &QAction::triggered, this, &Frm_Main::Mnu99APropos_Click);
    for (QAction* a : MnuWhatNews)
        connect(a, &QAction::triggered, this, [this, a] { MnuWhatNews_Click(a->data().toInt()); });
    connect(TimerVeille, &QTimer::timeout, this, &Frm_Main::TimerVeille_Timer);
    IncidentEnVeille = [] { IncidentPendantVeille(); };
    InstallerCommandesSynchro(this);
    InstallerPilotesPublicite();

    g_frmMain = this;
    SetFenetrePrincipale(this);
    SetCaptionFrmMain(windowTitle());
    // The lower layers' way out (a fatal database report) goes through this window's shutdown.
    SetQuitterFrmMain([this](bool forcer) { Quitter(forcer); });

    // The log signals this window from now on; signals that came before it existed count as
    // signals of the start-up.
    ListesLog& l = Listes();
    assurerControlesIncidents(l.nbListesIncidents());
    l.SurIncident = [this](int zone) { SignalerIncident(zone); };
    for (size_t z = 0; z < l.IncidentsSignales.size(); ++z) {
        if (l.IncidentsSignales[z] > 0) {
            l.IncidentsSignales[z] = 0;
            SignalerIncident(int(z));
        }
    }
}

Frm_Main::~Frm_Main() {
    // The check this window's construction started must not outlive the application; a window
    // destroyed without its start-up (tests, a start-up cut short) has not waited for it yet.
    AttendreControleComposants();
    if (g_frmMain == this) {
        g_frmMain = nullptr;
        Listes().SurIncident = {};
        SetQuitterFrmMain({});
        if (FenetrePrincipale() == this) SetFenetrePrincipale(nullptr);
    }
}

void Frm_Main::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange && g_frmMain == this) SetCaptionFrmMain(windowTitle());
    QMainWindow::changeEvent(event);
}

// --- construction ---

void Frm_Main::construireMenus() {
    QMenuBar* barre = menuBar();

    Mnu01 = barre->addMenu(QStringLiteral("Fichier"));
    Mnu01->setObjectName(QStringLiteral("Mnu01"));
    Mnu01->menuAction()->setObjectName(QStringLiteral("Mnu01"));
    Mnu01Refresh = entree(Mnu01, "Mnu01Refresh", QStringLiteral("Refresh des données..."));
    Mnu01Sep40 = separateur(Mnu01, "Mnu01Sep40");
    Mnu01Veille = entree(Mnu01, "Mnu01Veille", QStringLiteral("Mise en veille"));
    Mnu01Sep50 = separateur(Mnu01, "Mnu01Sep50");
    Mnu01Options = entree(Mnu01, "Mnu01Options", QStringLiteral("Options..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    Mnu01Sep60 = separateur(Mnu01, "Mnu01Sep60");
    Mnu01Log = entree(Mnu01, "Mnu01Log", QStringLiteral("Log technique..."), QKeySequence(Qt::CTRL | Qt::Key_F2));
    Mnu01Sep90 = separateur(Mnu01, "Mnu01Sep90");
    MnuQuitter = entree(Mnu01, "MnuQuitter", QStringLiteral("Quitter"), QKeySequence(Qt::CTRL | Qt::Key_Q));

    MnuSynchroniserMain = barre->addMenu(QStringLiteral("Synchroniser"));
    MnuSynchroniserMain->setObjectName(QStringLiteral("MnuSynchroniserMain"));
    MnuSynchroniserMain->menuAction()->setObjectName(QStringLiteral("MnuSynchroniserMain"));
    MnuSynchroniserMusPub = entree(MnuSynchroniserMain, "MnuSynchroniserMusPub", QStringLiteral("Tout"));

    MnuSynchroniserMusMain = sousMenu(MnuSynchroniserMain, "MnuSynchroniserMusMain", QStringLiteral("Musique"));
    const QStringList mus = {QStringLiteral("Tout"),      QStringLiteral("Morceau"),  QStringLiteral("Artiste"),
                             QStringLiteral("Catégorie"), QStringLiteral("Sonorité"), QStringLiteral("Voix")};
    for (int i = 0; i < int(MnuSynchroniserMus.size()); ++i) {
        MnuSynchroniserMus[size_t(i)] = entree(MnuSynchroniserMusMain, "MnuSynchroniserMus", mus[i]);
        MnuSynchroniserMus[size_t(i)]->setData(i);
    }

    MnuSynchroniserPubMain = sousMenu(MnuSynchroniserMain, "MnuSynchroniserPubMain", QStringLiteral("Publicité"));
    const QStringList pub = {
        QStringLiteral("Tout"),    QStringLiteral("Campagne"),           QStringLiteral("Client"),
        QStringLiteral("Produit"), QStringLiteral("Secteur d'activité"), QStringLiteral("Commercial"),
        QStringLiteral("Canevas"), QStringLiteral("Remplissage")};
    for (int i = 0; i < int(MnuSynchroniserPub.size()); ++i) {
        MnuSynchroniserPub[size_t(i)] = entree(MnuSynchroniserPubMain, "MnuSynchroniserPub", pub[i]);
        MnuSynchroniserPub[size_t(i)]->setData(i);
    }

    MnuSynchroniserParMain = sousMenu(MnuSynchroniserMain, "MnuSynchroniserParMain", QStringLiteral("Paramètres"));
    MnuSynchroniserParMus = entree(MnuSynchroniserParMain, "MnuSynchroniserParMus", QStringLiteral("Musique"));
    MnuSynchroniserParPub = sousMenu(MnuSynchroniserParMain, "MnuSynchroniserParPub", QStringLiteral("Publicité"));
    MnuSynchroniserParPubPosDurEcr[0] =
        entree(MnuSynchroniserParPub, "MnuSynchroniserParPubPosDurEcr", QStringLiteral("Position et Durée des écrans"));
    MnuSynchroniserParPubPosDurEcr[0]->setData(0);

    Mnu99 = barre->addMenu(QStringLiteral("?"));
    Mnu99->setObjectName(QStringLiteral("Mnu99"));
    Mnu99->menuAction()->setObjectName(QStringLiteral("Mnu99"));
    MnuWhatNews[0] = entree(Mnu99, "MnuWhatNews", QStringLiteral("Historique des révisions (en local)..."));
    MnuWhatNews[0]->setData(0);
    MnuWhatNews[1] = entree(Mnu99, "MnuWhatNews", QStringLiteral("Historique des révisions (sur le net)..."));
    MnuWhatNews[1]->setData(1);
    Mnu99Sep99 = separateur(Mnu99, "Mnu99Sep99");
    Mnu99APropos = entree(Mnu99, "Mnu99APropos", QStringLiteral("A propos..."));
}

QWidget* Frm_Main::construireRecherche() {
    SftTabsLocalWeb = new QTabWidget;
    SftTabsLocalWeb->setObjectName(QStringLiteral("SftTabsLocalWeb"));
    SftTabsLocalWeb->setFixedWidth(px(3795));

    // Local search.
    MyFrameLocalRecherche = new QGroupBox(QStringLiteral("Recherche"));
    MyFrameLocalRecherche->setObjectName(QStringLiteral("MyFrameLocalRecherche"));
    TexteRecherche = new QLineEdit;
    TexteRecherche->setObjectName(QStringLiteral("TexteRecherche"));
    for (size_t i = 0; i < ComboRecherche.size(); ++i) {
        ComboRecherche[i] = new QComboBox;
        ComboRecherche[i]->setObjectName(QStringLiteral("ComboRecherche") + QString::number(i));
    }
    CommandLocalRecherche = new QPushButton(QStringLiteral("Afficher"));
    CommandLocalRecherche->setObjectName(QStringLiteral("CommandLocalRecherche"));
    {
        auto* v = new QVBoxLayout(MyFrameLocalRecherche);
        v->addWidget(TexteRecherche);
        auto* criteres = new QHBoxLayout;
        criteres->addWidget(ComboRecherche[0], 1);
        criteres->addWidget(ComboRecherche[1], 1);
        v->addLayout(criteres);
        auto* bas = new QHBoxLayout;
        bas->addStretch(1);
        bas->addWidget(CommandLocalRecherche);
        v->addLayout(bas);
    }

    // Web search.
    MyFrameWebRecherche = new QGroupBox(QStringLiteral("Recherche"));
    MyFrameWebRecherche->setObjectName(QStringLiteral("MyFrameWebRecherche"));
    Label1[2] = new QLabel(QStringLiteral("Filtre"));
    Label1[2]->setObjectName(QStringLiteral("Label1_2"));
    ComboStatus = new QComboBox;
    ComboStatus->setObjectName(QStringLiteral("ComboStatus"));
    CommandWebRecherche = new QPushButton(QStringLiteral("Afficher"));
    CommandWebRecherche->setObjectName(QStringLiteral("CommandWebRecherche"));
    {
        auto* v = new QVBoxLayout(MyFrameWebRecherche);
        auto* filtre = new QHBoxLayout;
        filtre->addWidget(Label1[2]);
        filtre->addWidget(ComboStatus, 1);
        v->addLayout(filtre);
        auto* bas = new QHBoxLayout;
        bas->addStretch(1);
        bas->addWidget(CommandWebRecherche);
        v->addLayout(bas);
    }

    // The station list shows under both tabs: it moves to the page that becomes current.
    ligneStation_ = new QWidget;
    Label1[1] = new QLabel(QStringLiteral("Station"));
    Label1[1]->setObjectName(QStringLiteral("Label1_1"));
    {
        auto* s = new QHBoxLayout(ligneStation_);
        s->setContentsMargins(0, 0, 0, 0);
        s->addWidget(Label1[1]);
        s->addWidget(ComboRecherche[2], 1);
    }

    auto page = [](QGroupBox* cadre) {
        auto* w = new QWidget;
        auto* v = new QVBoxLayout(w);
        v->addWidget(cadre);
        v->addStretch(1);
        return w;
    };
    SftTabsLocalWeb->addTab(page(MyFrameLocalRecherche), QStringLiteral("Local"));
    SftTabsLocalWeb->addTab(page(MyFrameWebRecherche), QStringLiteral("Web"));
    auto placerStation = [this](int index) {
        QWidget* w = SftTabsLocalWeb->widget(index);
        if (!w) return;
        auto* v = static_cast<QVBoxLayout*>(w->layout());
        v->insertWidget(1, ligneStation_);
        ligneStation_->show();
    };
    placerStation(0);
    connect(SftTabsLocalWeb, &QTabWidget::currentChanged, this, placerStation);
    return SftTabsLocalWeb;
}

QWidget* Frm_Main::construireOnglets() {
    SftTabsMain = new QTabWidget;
    SftTabsMain->setObjectName(QStringLiteral("SftTabsMain"));

    SftTabsMusique = new QTabWidget;
    SftTabsMusique->setObjectName(QStringLiteral("SftTabsMusique"));
    const QStringList mus = {QStringLiteral("Morceau"), QStringLiteral("Artiste"), QStringLiteral("Catégorie"),
                             QStringLiteral("Sonorité"), QStringLiteral("Voix")};
    for (size_t k = 0; k < fpSpreadMusique.size(); ++k) {
        fpSpreadMusique[k] =
            new EmplacementControle(QStringLiteral("fpSpreadMusique") + QString::number(k), &grilleVide);
        SftTabsMusique->addTab(fpSpreadMusique[k], mus[int(k)]);
    }

    SftTabsPublicite = new QTabWidget;
    SftTabsPublicite->setObjectName(QStringLiteral("SftTabsPublicite"));
    const QStringList pub = {QStringLiteral("Campagne"),   QStringLiteral("Client"),
                             QStringLiteral("Produit"),    QStringLiteral("Secteur d'activité"),
                             QStringLiteral("Commercial"), QStringLiteral("Canevas"),
                             QStringLiteral("Remplissage")};
    for (size_t k = 0; k < fpSpreadPublicite.size(); ++k)
        fpSpreadPublicite[k] =
            new EmplacementControle(QStringLiteral("fpSpreadPublicite") + QString::number(k), &grilleVide);
    for (size_t k = 0; k < 6; ++k) SftTabsPublicite->addTab(fpSpreadPublicite[k], pub[int(k)]);
    {
        // The fill page: the fill grid with the fill settings at its right.
        auto* arbre = new QTreeView;
        arbre->setHeaderHidden(true);
        PropertyGridPubRemplissage = new EmplacementControle(QStringLiteral("PropertyGridPubRemplissage"), arbre);
        PropertyGridPubRemplissage->setFixedWidth(px(3795));
        auto* page = new QWidget;
        auto* h = new QHBoxLayout(page);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(px(60) + 4);
        h->addWidget(fpSpreadPublicite[6], 1);
        h->addWidget(PropertyGridPubRemplissage);
        SftTabsPublicite->addTab(page, pub[6]);
    }

    SftTabsMain->addTab(SftTabsMusique, QStringLiteral("Musique"));
    SftTabsMain->addTab(SftTabsPublicite, QStringLiteral("Publicité"));
    SftTabsMain->addTab(construirePageIncidents(), kIncidents);
    SftTabsMain->setTabVisible(Onglet::Incidents, false);
    connect(SftTabsMain, &QTabWidget::currentChanged, this, &Frm_Main::SftTabsMain_Switched);
    connect(SftTabsMusique, &QTabWidget::currentChanged, this, &Frm_Main::SftTabsMusique_Switched);
    connect(SftTabsPublicite, &QTabWidget::currentChanged, this, &Frm_Main::SftTabsPublicite_Switched);
    return SftTabsMain;
}

QWidget* Frm_Main::construirePageIncidents() {
    pageIncidents_ = new QWidget;
    pageIncidents_->setObjectName(QStringLiteral("PageIncidents"));
    auto* v = new QVBoxLayout(pageIncidents_);

    CheckIncidentsFeuilleNonChargee = new QCheckBox(kIncidents, pageIncidents_);
    CheckIncidentsFeuilleNonChargee->setObjectName(QStringLiteral("CheckIncidentsFeuilleNonChargee"));
    CheckIncidentsFeuilleNonChargee->hide();

    CommandIncidentsPurge[0] = new QPushButton(QStringLiteral("Purger"));
    CommandIncidentsPurge[0]->setObjectName(QStringLiteral("CommandIncidentsPurge0"));
    connect(CommandIncidentsPurge[0], &QPushButton::clicked, this, [this] { CommandIncidentsPurge_Click(0); });
    auto* bas = new QHBoxLayout;
    bas->addStretch(1);
    bas->addWidget(CommandIncidentsPurge[0]);
    v->addLayout(bas);  // the lists go above it (assurerControlesIncidents)
    return pageIncidents_;
}

void Frm_Main::assurerControlesIncidents(int n) {
    ListesLog& l = Listes();
    l.creerListesIncidents(n);
    auto* v = static_cast<QVBoxLayout*>(pageIncidents_->layout());
    while (int(ListeIncidents.size()) < n) {
        const int z = int(ListeIncidents.size());
        auto* liste = new QListView(pageIncidents_);
        liste->setObjectName(QStringLiteral("ListeIncidents") + QString::number(z));
        liste->setModel(&l.incidents(z));
        liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
        liste->setUniformItemSizes(true);
        ListeIncidents.push_back(liste);
        auto* signal = new QCheckBox(kIncidents, pageIncidents_);
        signal->setObjectName(QStringLiteral("CheckIncidents") + QString::number(z));
        signal->hide();
        connect(signal, &QCheckBox::toggled, this, [this, z] { CheckIncidents_Click(z); });
        CheckIncidents.push_back(signal);
        if (z == 0) {
            v->insertWidget(0, liste, 1);
        } else {
            liste->hide();
        }
    }
}

// --- start-up helpers ---

void Frm_Main::CreationDesObjets() {
    Proc p(Cle::CreationDesObjets);
    p.zone(0);
    if (bQuitterConfirme) return;
    p(10, [&] { assurerControlesIncidents(std::max<int>(1, NbZones)); });
}

void Frm_Main::RejouerIncidentDemarrage() {
    if (!CheckIncidentsFeuilleNonChargee->isChecked()) return;
    CheckIncidentsFeuilleNonChargee->setChecked(false);
    CheckIncidents[0]->setChecked(true);
}

// --- incident handling ---

int Frm_Main::ongletIncidents() const {
    for (int i = 0; i < SftTabsMain->count(); ++i)
        if (SftTabsMain->tabText(i) == kIncidents) return i;
    return -1;
}

void Frm_Main::SignalerIncident(int zone) {
    if (zone < 0) zone = 0;
    if (zone >= int(CheckIncidents.size())) assurerControlesIncidents(zone + 1);
    CheckIncidents[size_t(zone)]->setChecked(true);
}

void Frm_Main::CheckIncidents_Click(int Index) {
    Proc p(Cle::CheckIncidents_Click, Trace::None);
    if (Index < 0 || Index >= int(CheckIncidents.size())) return;
    if (!CheckIncidents[size_t(Index)]->isChecked()) return;
    p(10, [&] { setWindowTitle(QStringLiteral("Err: ") + CaptionNormale()); });
    p(20, [&] { TimerFlash->start(); });
    p(30, [&] {
        if (bInitTerminee) {
            const int i = ongletIncidents();
            if (i >= 0) SftTabsMain->setTabVisible(i, true);
        } else {
            CheckIncidentsFeuilleNonChargee->setChecked(true);
        }
    });
    p(40, [&] { CheckIncidents[size_t(Index)]->setChecked(false); });
    p(50, [&] {
        if (IncidentEnVeille) IncidentEnVeille();
    });
}

void Frm_Main::TimerFlash_Timer() {
    Proc p(Cle::TimerFlash_Timer);
    if (bQuitterConfirme) return;
    p(10, [&] { etatFlash_ = !etatFlash_; });
    p(20, [&] {
        // The window system decides how to draw the user's attention; asking once per period is
        // enough to keep it up.
        if (etatFlash_ && qobject_cast<QApplication*>(QCoreApplication::instance())) QApplication::alert(this, 200);
    });
}

void Frm_Main::CommandIncidentsPurge_Click(int Index) {
    Proc p(Cle::CommandIncidentsPurge_Click, Trace::None);
    int reponse = Mb::No;
    p(10, [&] {
        reponse = MsgBox(QStringLiteral("Voulez-vous purger la liste des incidents ?"), Mb::YesNo | Mb::Question,
                         windowTitle());
    });
    if (reponse != Mb::Yes) return;
    p(20, [&] { Listes().incidents(Index).clear(); });
    p(30, [&] { TimerFlash->stop(); });
    p(40, [&] { setWindowTitle(CaptionNormale()); });
    p(50, [&] {
        const int i = ongletIncidents();
        if (i < 0) return;
        SftTabsMain->setTabVisible(i, false);
        SftTabsMain->setCurrentIndex(Onglet::Musique);
    });
}

void Frm_Main::SftTabsMain_Switched(int index) {
    Proc p(Cle::SftTabsMain_Switched);
    p(5, [&] { ResizeCurrentOngletMain(); });
    // Viewing the incident page: the incident has been seen.
    if (index != Onglet::Incidents) return;
    p(10, [&] { TimerFlash->stop(); });
    p(20, [&] { setWindowTitle(CaptionNormale()); });
}
