#include "database/btrieve.h"
#include "database/catalogue.h"
#include "database/record_layouts.h"
#include "fill/local_search.h"
#include "fill/record_display.h"
#include "foundation/activity.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/shell_link.h"
#include "platform/record_manager.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"
#include "grids/list_grids.h"
#include "sync/web_requests.h"

#include <QDir>
#include <QFile>
#include <array>
#include <cstring>
#include <functional>
#include <vector>

namespace {

// Files 1 to 6 of base 0 in a folder, opened as the program opens them (files 5 and 6 once per
// station, the others once per station on the same physical file). File 5 may carry the extra
// name key 3.
class BaseRecherche {
public:
    BaseRecherche(const QString& dossier, bool cleNomCampagnes) : dossier_(dossier) {
        InitGeneralData();
        for (int station = 0; station < 2; ++station)
            for (int f = 1; f <= 6; ++f) statut_ = std::max<int>(statut_, ouvrir(f, station, cleNomCampagnes));
    }
    ~BaseRecherche() {
        for (PositionBlock* p : ouverts_) {
            char cle[1] = {0};
            uint32_t lng = 0;
            BTRCALL(BtrOp::Close, p->data(), nullptr, &lng, cle, 0, 0);
        }
    }
    int statut() const { return statut_; }

    // Inserts the file's record buffer as it stands (station 1 or 2).
    int16_t inserer(int fichier, int station = 1) {
        std::vector<char> donnees(size_t(CatalogueFichier(fichier).RecordLength));
        VersImageStockee(fichier, donnees.data(), int(donnees.size()));
        std::array<char, 255> cle{};
        uint32_t lng = uint32_t(donnees.size());
        return BTRCALL(BtrOp::Insert, PosBlk(0, station - 1, fichier).data(), donnees.data(), &lng, cle.data(), 255, 0);
    }

private:
    int16_t ouvrir(int fichier, int station, bool cle3) {
        const bool parStation = CatalogueFichier(fichier).parStation();
        const QString chemin =
            dossier_ + QLatin1Char('/') + NomFichierBTR(int16_t(fichier), int16_t(parStation ? station : 0));
        QByteArray nom = QFile::encodeName(chemin);
        if (!QFile::exists(chemin)) {
            InitStructureFichierBTR(int16_t(fichier), false);
            StructureFichierBTR def = BtrFileSpec;
            if (fichier == 5 && cle3) {
                // The name key some sites have had added: Nom, 40 characters from position 40.
                int seg = 0;
                while (seg < 9 && def.Keys[seg].Length != 0) ++seg;
                def.Keys[seg].Position = 40;
                def.Keys[seg].Length = 40;
                def.Keys[seg].Flags = KeyFlag::Duplicates | KeyFlag::Modifiable | KeyFlag::CaseInsensitive;
                def.KeyCount = int16_t(def.KeyCount + 1);
            }
            PositionBlock bloc;
            bloc.fill(' ');
            uint32_t lng = sizeof def;
            const int16_t st = BTRCALL(BtrOp::Create, bloc.data(), &def, &lng, nom.data(), uint16_t(nom.size()), 0);
            if (st != 0) return st;
        }
        PositionBlock& pos = PosBlk(0, station, fichier);
        pos.fill(' ');
        std::array<char, 8> rien{};
        uint32_t lng = 0;
        nom = QFile::encodeName(chemin);
        const int16_t st = BTRCALL(BtrOp::Open, pos.data(), rien.data(), &lng, nom.data(), uint16_t(nom.size()), 0);
        if (st != 0) return st;
        FileOpen(0, station, fichier) = true;
        RecLen[size_t(fichier)] = CatalogueFichier(fichier).RecordLength;
        ouverts_.push_back(&pos);
        return 0;
    }

    QString dossier_;
    std::vector<PositionBlock*> ouverts_;
    int statut_ = 0;
};

template <size_t N>
void texte(char (&champ)[N], const QString& valeur) {
    EcrireTexte(champ, valeur);
}

// The wait window of the tests: it counts the records the walk announces and can act at the
// n-th one (the moment the walk pumps events, as a click on "Stopper" would come).
class AttenteTest : public FenetreAttente {
public:
    void afficher(bool bAfficher, const QString&) override { charge_ = bAfficher; }
    bool chargee() const override { return charge_; }
    bool visible() const override { return charge_; }
    QString texte() const override { return texte_; }
    void setTexte(const QString& t) override {
        texte_ = t;
        ++annonces;
        if (action && annonces == declencheur) action();
    }
    void cacher() override {}

    int annonces = 0;
    int declencheur = 0;
    std::function<void()> action;
    QStringList ouvertures;

private:
    bool charge_ = false;
    QString texte_;
};

class LocalSearchTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        SetFenetreAttente(&attente);
        SetCaptionFrmMain(QStringLiteral("Ondrune: Tools Kirvo - test"));
        for (int k = 1; k <= 5; ++k) InitGeneralTableurPub(int16_t(k), true, false);
        LiensRechercheLocale& l = LiensRechercheDansLaBase();
        l.ongletPrincipal = [this] { return principal; };
        l.ongletMusique = [] { return 0; };
        l.ongletPublicite = [this] { return onglet; };
        l.indexListe = [this](int i) { return listes[size_t(i)]; };
        l.texte = [this] { return texteRecherche; };
        l.legendeBouton = [this](const QString& t) { evenements << QStringLiteral("legende ") + t; };
        l.activerBouton = [this](bool on) { evenements << QStringLiteral("local ") + (on ? "oui" : "non"); };
        l.activerBoutonWeb = [this](bool on) { evenements << QStringLiteral("web ") + (on ? "oui" : "non"); };
    }
    void TearDown() override {
        base.reset();
        uint32_t lng = 0;
        BTRCALL(BtrOp::Stop, nullptr, nullptr, &lng, nullptr, 0, 0);
        ReinitialiserGrillesPub();
        SetFenetreAttente(nullptr);
        KirvoTest::TearDown();
    }

    void creerBase(bool cleNomCampagnes = true) {
        base = std::make_unique<BaseRecherche>(tmp.path(), cleNomCampagnes);
        ASSERT_EQ(base->statut(), 0);
    }
    void client(const char* code, const QString& nom) {
        ViderEnreg(3);
        texte(EnregClient.Code, QString::fromLatin1(code));
        texte(EnregClient.Nom, nom);
        texte(EnregClient.Etat, QStringLiteral("O"));
        ASSERT_EQ(base->inserer(3), 0) << code;
    }
    void contrat(int station, const char* type, const char* code, const QString& nom) {
        ViderEnreg(5);
        texte(EnregEnteteContrat.TypeContrat, QString::fromLatin1(type));
        texte(EnregEnteteContrat.Code, QString::fromLatin1(code));
        texte(EnregEnteteContrat.Nom, nom);
        ASSERT_EQ(base->inserer(5, station), 0) << code;
    }
    void spot(int station, const char* code, const char* sequence, const QString& libelle) {
        ViderEnreg(6);
        texte(EnregEnteteSpot.Code, QString::fromLatin1(code));
        texte(EnregEnteteSpot.Sequence, QString::fromLatin1(sequence));
        texte(EnregEnteteSpot.Libelle, libelle);
        texte(EnregEnteteSpot.Etat, QStringLiteral("O"));
        ASSERT_EQ(base->inserer(6, station), 0) << code << sequence;
    }
    void clients() {
        client("00000001", QStringLiteral("Boulangerie du Port"));
        client("00000002", QStringLiteral("Garage Central"));
        client("00000003", QStringLiteral("boulangerie Martin"));
        client("00000004", QString::fromUtf8("École de voile"));
        client("00000005", QString::fromUtf8("Épicerie fine"));
        client("00000006", QStringLiteral("Bar du port"));
        client("00000007", QStringLiteral("BOULANGERIE DU PORT ET DES HALLES"));
        client("00000008", QString::fromUtf8("Quoi? Café"));
    }

    // Column 1 of every row of grid k, trimmed.
    static QStringList codes(int k) {
        QStringList r;
        SpreadGrid* g = GrillePub(k);
        for (int row = 1; row <= g->maxRows(); ++row) r << g->textAt(1, row).trimmed();
        return r;
    }
    // Clients are listed by their code: "00000004" -> "4".
    static QStringList numeros(const QStringList& c) {
        QStringList r;
        for (const QString& s : c) r << QString::number(s.toInt());
        return r;
    }
    static QStringList boites() {
        QStringList r;
        for (const BoiteAffichee& b : TestDialogs().shown) r << b.prompt;
        return r;
    }
    // The search as the button starts it.
    void chercher(int tab, int champ, int mode, const QString& t, int station = 0) {
        principal = 1;
        onglet = tab;
        listes = {champ, mode, station};
        texteRecherche = t;
        RechercherDansLaBase();
    }

    std::unique_ptr<BaseRecherche> base;
    AttenteTest attente;
    int principal = 1;
    int onglet = 1;
    std::array<int, 3> listes{0, 0, 0};
    QString texteRecherche;
    QStringList evenements;
};

// ---- what is found ----------------------------------------------------------------------------

TEST_F(LocalSearchTest, ClientsByNameOrCodeBeginningOrContaining) {
    creerBase();
    clients();
    const QString L = QStringLiteral("Libellé");
    const struct {
        int champ, mode;
        const char* texte;  // UTF-8
        QStringList attendu;
    } cas[] = {
        // An empty text lists the whole file in name-key order (accented capitals after Z).
        {0, 0, "", {"6", "1", "3", "7", "2", "8", "4", "5"}},
        // Case does not count; the long name shares the key of the short one.
        {0, 0, "boul", {"1", "3", "7"}},
        {0, 0, "BOUL", {"1", "3", "7"}},
        // Beyond the key's ten characters the name itself must begin with the text.
        {0, 0, "Boulangerie du Port", {"1", "7"}},
        {0, 0, "é", {"4", "5"}},
        {0, 0, "É", {"4", "5"}},
        {0, 0, "e", {}},
        {0, 0, "Quoi?", {"8"}},
        {0, 0, "Zèbre", {}},
        // Contains: the whole file in key order, the text as typed.
        {0, 1, "port", {"6", "1", "7"}},
        {0, 1, "de", {"7", "4"}},
        {0, 1, " de ", {"4"}},
        {0, 1, "CAFÉ", {"8"}},
        {0, 1, "", {"6", "1", "3", "7", "2", "8", "4", "5"}},
        // By code: one pass on the code key; "contains" tests the name in code order.
        {1, 0, "0000000", {"1", "2", "3", "4", "5", "6", "7", "8"}},
        {1, 0, "00000003", {"3"}},
        {1, 0, "3", {}},
        {1, 1, "Port", {"1", "6", "7"}},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(std::string(c.champ ? "Code" : L.toStdString()) + (c.mode ? " contient " : " commence ") +
                     c.texte);
        chercher(1, c.champ, c.mode, QString::fromUtf8(c.texte));
        EXPECT_EQ(numeros(codes(1)), c.attendu);
        EXPECT_TRUE(boites().isEmpty()) << boites().join(QLatin1Char('\n')).toStdString();
    }
}

TEST_F(LocalSearchTest, TextOutsideTheCodePageFindsNothing) {
    creerBase();
    clients();
    // Sent as it stands, "Ł" would become "?" and find "Quoi? Café".
    for (int mode : {0, 1}) {
        GrillePub(1)->setMaxRows(3);
        GrillePub(1)->setTextAt(1, 1, QStringLiteral("ancienne liste"));
        chercher(1, 0, mode, QString::fromUtf8("QuoiŁ"));
        EXPECT_EQ(GrillePub(1)->maxRows(), 0) << mode;
    }
    chercher(1, 0, 1, QString::fromUtf8("Ł"));
    EXPECT_EQ(GrillePub(1)->maxRows(), 0);
}

TEST_F(LocalSearchTest, EachTabReadsItsOwnFileAndShowsItsRows) {
    creerBase();
    ViderEnreg(1);
    texte(EnregCommercial.Code, QStringLiteral("00000002"));
    texte(EnregCommercial.Nom, QString::fromUtf8("Kerhervé"));
    texte(EnregCommercial.Etat, QStringLiteral("S"));
    ASSERT_EQ(base->inserer(1), 0);
    ViderEnreg(2);
    texte(EnregSecteur.Code, QStringLiteral("S000000003"));
    texte(EnregSecteur.Libelle, QString::fromUtf8("Édition"));
    texte(EnregSecteur.Etat, QStringLiteral("N"));
    ASSERT_EQ(base->inserer(2), 0);
    ViderEnreg(4);
    texte(EnregProduit.Code, QStringLiteral("P000000004"));
    texte(EnregProduit.Libelle, QStringLiteral("Pain de mie"));
    texte(EnregProduit.Etat, QStringLiteral("C"));
    ASSERT_EQ(base->inserer(4), 0);
    client("00000001", QStringLiteral("Pain et Cie"));

    const struct {
        int tab;
        const char* texte;
        QStringList ligne;
    } cas[] = {
        {2, "pain", {"P000000004", "0", "Pain de mie", "0", "", "", "", "", "", "C", QString::fromUtf8("Créé")}},
        {3, "éd", {"S000000003", "0", QString::fromUtf8("Édition"), "N", QString::fromUtf8("Non Synchronisé")}},
        {4, "KER", {"00000002", "0", "", "", QString::fromUtf8("Kerhervé"), "", "", "", "", "S", "Supprime"}},
    };
    for (const auto& c : cas) {
        chercher(c.tab, 0, 0, QString::fromUtf8(c.texte));
        SpreadGrid* g = GrillePub(c.tab);
        ASSERT_EQ(g->maxRows(), 1) << c.tab;
        QStringList l;
        for (int col = 1; col <= g->maxCols(); ++col) l << g->textAt(col, 1);
        EXPECT_EQ(l, c.ligne) << c.tab;
    }
    // The client grid was not touched by the other tabs' searches.
    EXPECT_EQ(GrillePub(1)->maxRows(), 0);
}

TEST_F(LocalSearchTest, CampaignsOfTheChosenStationWithoutOtherContractTypes) {
    creerBase(true);
    contrat(1, "  ", "C00001", QStringLiteral("Soldes d'hiver"));
    contrat(1, " F", "C00002", QStringLiteral("Soldes auto"));
    contrat(1, "X ", "C00003", QStringLiteral("Soldes divers"));
    contrat(1, " S", "C00005", QStringLiteral("Soldes internes"));
    contrat(1, " P", "C00006", QStringLiteral("Soldes internes"));
    contrat(1, " C", "C00007", QStringLiteral("Soldes canevas"));
    contrat(1, "CS", "C00008", QStringLiteral("Soldes canevas"));
    contrat(2, "  ", "C00011", QStringLiteral("Soldes station deux"));

    chercher(0, 0, 0, QStringLiteral("sold"), 0);
    // In name order; station 0 reads as station 1.
    EXPECT_EQ(codes(0), (QStringList{"C00002", "C00001", "C00003"}));
    EXPECT_EQ(GrillePub(0)->textAt(3, 1), QStringLiteral("Soldes auto"));
    chercher(0, 0, 1, QStringLiteral("station"), 1);
    EXPECT_EQ(codes(0), QStringList{"C00011"});
    chercher(0, 1, 0, QStringLiteral("C0000"), 0);
    EXPECT_EQ(codes(0), (QStringList{"C00001", "C00002", "C00003"}));
    EXPECT_TRUE(boites().isEmpty()) << boites().join(QLatin1Char('\n')).toStdString();
}

TEST_F(LocalSearchTest, CampaignsWithoutTheNameKeyGetTheAdviceOnce) {
    creerBase(false);
    contrat(1, "  ", "C00001", QStringLiteral("Soldes d'hiver"));
    int lectures = 0;
    SetBtrCallHook([&](uint16_t op, void* pos, void* data, uint32_t* lng, void* cle, uint16_t lc, int16_t kn) {
        if (op == BtrOp::GetGreaterOrEqual || op == BtrOp::GetNext) ++lectures;
        return BTRCALL(op, pos, data, lng, cle, lc, kn);
    });
    chercher(0, 0, 0, QStringLiteral("soldes"));

    EXPECT_EQ(lectures, 1);  // no second pass
    ASSERT_EQ(TestDialogs().shown.size(), 2u);
    // The database layer's own report of status 6, then the advice.
    EXPECT_TRUE(TestDialogs().shown[0].prompt.contains(QStringLiteral("Err: 6")))
        << TestDialogs().shown[0].prompt.toStdString();
    EXPECT_EQ(TestDialogs().shown[1].prompt,
              QStringLiteral("Veuillez contacter Tessival pour créer une clé supplémentaire dans le fichier des "
                             "Campagnes (Fradx05).\r\n\r\n"
                             "Cette clé permettra d'accéder plus rapidement aux contrats\r\n\r\n"
                             "Pour l'instant, veuillez passer par l'onglet Client pour accéder aux contrats"));
    EXPECT_EQ(TestDialogs().shown[1].style, Mb::OKOnly | Mb::Critical);
    EXPECT_EQ(TestDialogs().shown[1].title, CaptionFrmMain());
    EXPECT_EQ(GrillePub(0)->maxRows(), 0);
    EXPECT_FALSE(RechercheEnCours);
}

TEST_F(LocalSearchTest, CanvasesListTheSpotsOfTheMatchingCanvases) {
    creerBase();
    contrat(1, " C", "T00001", QStringLiteral("Canevas matinale"));
    contrat(1, " C", "T00002", QString::fromUtf8("Canevas soirée"));
    contrat(1, " C", "T00004", QStringLiteral("CANEVAS"));
    contrat(1, "  ", "C00001", QStringLiteral("Canevas faux"));  // a campaign, not a canvas
    contrat(2, " C", "T00003", QStringLiteral("Canevas week-end"));
    spot(1, "T00001", "01", QStringLiteral("Matinale 7h"));
    spot(1, "T00001", "02", QStringLiteral("Matinale 8h"));
    spot(1, "T00002", "01", QString::fromUtf8("Soirée 19h"));
    spot(1, "T00004", "01", QStringLiteral("Seul"));
    spot(1, "T00005", "01", QStringLiteral("Sans canevas"));
    spot(2, "T00003", "01", QStringLiteral("Samedi midi"));
    const struct {
        int mode;
        const char* texte;
        int station;
        QStringList attendu;
    } cas[] = {
        {0, "", 0, {"T0000101", "T0000102", "T0000201", "T0000401"}},
        {0, "   ", 0, {"T0000101", "T0000102", "T0000201", "T0000401"}},
        // A canvas whose label is the text itself is found too.
        {0, "canevas", 0, {"T0000101", "T0000102", "T0000201", "T0000401"}},
        {0, "Canevas m", 0, {"T0000101", "T0000102"}},
        {1, "SOIR", 0, {"T0000201"}},
        {1, "faux", 0, {}},
        {0, "canevas", 1, {"T0000301"}},
    };
    for (const auto& c : cas) {
        chercher(5, 0, c.mode, QString::fromUtf8(c.texte), c.station);
        EXPECT_EQ(codes(5), c.attendu) << c.mode << " [" << c.texte << "] " << c.station;
    }
    EXPECT_EQ(GrillePub(5)->textAt(3, 1), QStringLiteral("Samedi midi"));
}

// ---- the toggle, the stop and the shared flag -------------------------------------------------

TEST_F(LocalSearchTest, ButtonReadsStopperWhileTheSearchRunsAndComesBack) {
    creerBase();
    clients();
    QStringList pendant;
    attente.declencheur = 1;
    attente.action = [&] {
        pendant = evenements;
        EXPECT_TRUE(RechercheEnCours);
        EXPECT_TRUE(RechercheLocaleEnCours());
        EXPECT_TRUE(attente.chargee());
    };
    chercher(1, 0, 0, QString());
    EXPECT_EQ(pendant, (QStringList{"legende Stopper", "web non"}));
    EXPECT_EQ(evenements, (QStringList{"legende Stopper", "web non", "legende Afficher", "local oui", "web oui"}));
    EXPECT_FALSE(RechercheEnCours);
    EXPECT_FALSE(RechercheLocaleEnCours());
    EXPECT_FALSE(attente.chargee());
    EXPECT_EQ(attente.texte(), QString::fromUtf8("Épicerie fine"));  // the last record read
}

TEST_F(LocalSearchTest, StopperAsksAndEndsTheSearchAfterTheCurrentRecord) {
    creerBase();
    clients();
    for (int reponse : {Mb::No, Mb::Yes}) {
        SCOPED_TRACE(reponse);
        TestDialogs().reset();
        evenements.clear();
        attente.annonces = 0;
        attente.declencheur = 2;
        attente.action = [&] {
            TestDialogs().answers.push_back(reponse);
            RechercherDansLaBase();  // the click on "Stopper"
        };
        chercher(1, 0, 0, QString());
        ASSERT_EQ(TestDialogs().shown.size(), 1u);
        EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("Voulez-vous stopper la recherche ?"));
        EXPECT_EQ(TestDialogs().shown[0].style, Mb::YesNo | Mb::Question);
        if (reponse == Mb::Yes) {
            EXPECT_EQ(numeros(codes(1)), (QStringList{"6", "1"}));
            EXPECT_EQ(attente.annonces, 2);
            EXPECT_TRUE(evenements.contains(QStringLiteral("local non")));
            EXPECT_TRUE(ArretRecherche);  // kept until the next start
        } else {
            EXPECT_EQ(codes(1).size(), 8);
        }
        EXPECT_EQ(evenements.mid(evenements.size() - 3), (QStringList{"legende Afficher", "local oui", "web oui"}));
    }
    // The next search starts afresh.
    attente.action = nullptr;
    chercher(1, 0, 0, QString());
    EXPECT_FALSE(ArretRecherche);
    EXPECT_EQ(codes(1).size(), 8);
}

TEST_F(LocalSearchTest, ShutdownStopsTheWalkAtOnce) {
    creerBase();
    clients();
    attente.declencheur = 3;
    attente.action = [] { bFermetureEnCours = true; };
    chercher(1, 0, 1, QString());
    EXPECT_EQ(attente.annonces, 3);
    EXPECT_EQ(GrillePub(1)->maxRows(), 2);
    EXPECT_FALSE(RechercheEnCours);
    bFermetureEnCours = false;
}

TEST_F(LocalSearchTest, SecondSearchIsRefusedWhileAnyRuns) {
    creerBase();
    clients();
    // A web list fetch runs: the local search button only says so.
    RechercheEnCours = true;
    GrillePub(1)->setMaxRows(2);
    chercher(1, 0, 0, QString());
    EXPECT_EQ(boites(), QStringList{QStringLiteral("Recherche en cours, veuillez patienter.")});
    EXPECT_EQ(GrillePub(1)->maxRows(), 2);
    EXPECT_TRUE(evenements.isEmpty());
    RechercheEnCours = false;

    // A synchronisation runs.
    TestDialogs().reset();
    SynchroEnCours[1] = true;
    chercher(1, 0, 0, QString());
    EXPECT_EQ(boites(), QStringList{QStringLiteral("Synchronisation en cours, veuillez patienter.")});
    EXPECT_EQ(GrillePub(1)->maxRows(), 2);
    SynchroEnCours[1] = false;

    // The local search runs: the web list fetch is refused and the walk goes on to its end.
    TestDialogs().reset();
    bool web = true;
    attente.declencheur = 2;
    attente.action = [&] { web = RechercherSurLeWeb(1, 1); };
    chercher(1, 0, 0, QString());
    EXPECT_FALSE(web);
    EXPECT_EQ(boites(), QStringList{QStringLiteral("Recherche en cours, veuillez patienter.")});
    EXPECT_EQ(codes(1).size(), 8);
}

TEST_F(LocalSearchTest, MusicPageAndOtherTabsLeaveTheGridsAlone) {
    creerBase();
    clients();
    for (int k = 0; k <= 5; ++k) GrillePub(k)->setMaxRows(1);
    for (const auto& [p, o] : std::vector<std::pair<int, int>>{{0, 1}, {2, 1}, {1, 6}, {1, 9}}) {
        evenements.clear();
        principal = p;
        onglet = o;
        listes = {0, 0, 0};
        RechercherDansLaBase();
        EXPECT_EQ(evenements, (QStringList{"legende Stopper", "web non", "legende Afficher", "local oui", "web oui"}));
        for (int k = 0; k <= 5; ++k) EXPECT_EQ(GrillePub(k)->maxRows(), 1) << p << "," << o;
    }
    EXPECT_TRUE(boites().isEmpty());
}

// ---- failed reads -----------------------------------------------------------------------------

TEST_F(LocalSearchTest, FailedReadsEndTheSearchWithOneReport) {
    creerBase();
    clients();
    const struct {
        const char* nom;
        int16_t statut;
        int echecs;    // reads that fail, from the third on
        int lectures;  // reads made in all
        int lignes;
    } cas[] = {
        // Reported by the database layer (its box came, the user came back): no repeat.
        {"erreur d'entree-sortie", BtrStat::IoError, 1000, 3, 2},
        // Left to the caller: tried again, then one report.
        {"cle introuvable", BtrStat::KeyNotFound, 1000, 2 + NbEssaisLectureRecherche, 2},
        // Once only: the repeat reads on.
        {"cle introuvable une fois", BtrStat::KeyNotFound, 1, 9 + 1, 8},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        TestDialogs().reset();
        int lectures = 0;
        int echecs = 0;
        SetBtrCallHook([&](uint16_t op, void* pos, void* data, uint32_t* lng, void* cle, uint16_t lc, int16_t kn) {
            if (op == BtrOp::GetGreaterOrEqual || op == BtrOp::GetNext) {
                ++lectures;
                if (lectures >= 3 && echecs < c.echecs) {
                    ++echecs;
                    return c.statut;
                }
            }
            return BTRCALL(op, pos, data, lng, cle, lc, kn);
        });
        chercher(1, 0, 1, QString());
        SetBtrCallHook({});
        EXPECT_EQ(lectures, c.lectures);
        EXPECT_EQ(GrillePub(1)->maxRows(), c.lignes);
        EXPECT_EQ(TestDialogs().shown.size(), c.echecs > 1 ? 1u : 0u) << boites().join(QLatin1Char('\n')).toStdString();
        EXPECT_FALSE(RechercheEnCours);
    }
}

}  // namespace
