#include "fill/nomenclature.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/shell_link.h"
#include "platform/cp1252.h"
#include "platform/spread_grid.h"
#include "platform/xls_reader.h"
#include "support/fixture.h"
#include "support/nomenclature_files.h"
#include "support/scripted_dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTabWidget>

namespace {

const QString kClasseur = QString::fromLatin1(NomClasseurNomenclature);
const QString kListe = QString::fromLatin1(NomListeGIE);

class NomenclatureTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        DossierApplication = tmp.path() + QStringLiteral("/Tools_Kirvo/");
        QDir().mkpath(DossierApplication);
        SetCaptionFrmMain(QStringLiteral("Ondrune: Tools Kirvo - test"));
    }
    QString chemin(const QString& nom) const { return DossierApplication + nom; }

    void classeur(const QJsonValue& lignes) {
        QString erreur;
        ASSERT_TRUE(EcrireClasseurTest(chemin(kClasseur), lignes, &erreur)) << erreur.toStdString();
    }
    void liste(const QJsonArray& entrees) {
        QString erreur;
        ASSERT_TRUE(EcrireListeGIETest(chemin(kListe), entrees, &erreur)) << erreur.toStdString();
    }
    static SpreadGrid* feuille(int i) {
        FrmPubNomenclature* f = FrmPubNomenclatureChargee();
        return f ? f->fpSpreadNomenclature[size_t(i)] : nullptr;
    }
    // The rows of a sheet, columns joined by "|".
    static QStringList lignes(int i) {
        QStringList r;
        SpreadGrid* g = feuille(i);
        if (!g) return r;
        for (int row = 1; row <= g->maxRows(); ++row) {
            QStringList c;
            for (int col = 1; col <= g->maxCols(); ++col) c << g->textAt(col, row);
            r << c.join(QLatin1Char('|'));
        }
        return r;
    }
    static QStringList entetes(int i) {
        QStringList r;
        SpreadGrid* g = feuille(i);
        for (int col = 1; col <= g->maxCols(); ++col) r << g->headerText(col, 1);
        return r;
    }
    static QStringList boites() {
        QStringList r;
        for (const BoiteAffichee& b : TestDialogs().shown) r << b.prompt;
        return r;
    }
};

QJsonArray ligne(std::initializer_list<QJsonValue> cellules) { return QJsonArray(cellules); }

const QJsonArray kEntete = ligne({"Famille", "Classe", "Secteur", "Variete", "Libelle"});

// ---- the workbook ---------------------------------------------------------------------------

TEST_F(NomenclatureTest, ImportKeepsFiveColumnsSkipsTheHeaderAndWritesLevelsOnTwoDigits) {
    // Levels given as numbers or as texts whose first two characters count; a zero or blank
    // level is an empty cell; a sixth column is dropped.
    classeur(QJsonArray{
        ligne({"Famille", "Classe", "Secteur", "Variete", "Libelle", "Note"}),
        ligne({1, QJsonValue::Null, QJsonValue::Null, QJsonValue::Null, "ALIMENTATION", "x"}),
        ligne({"1", 1, 0, "0", "Boulangerie", "y"}),
        ligne({5, "05", "3", 2.0, "Garages"}),
        ligne({"12A", "3B", "  ", "007", "Edition"}),
        ligne({123, "", QJsonValue::Null, 12.5, "Long"}),
    });
    liste({});
    InitSettingsNomenclature();

    EXPECT_TRUE(boites().isEmpty()) << boites().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(entetes(0), (QStringList{"Fa.", "Cl.", "Se.", "Va.", "Nomenclature standard"}));
    EXPECT_EQ(lignes(0), (QStringList{
                             "01||||ALIMENTATION",
                             "01|01|||Boulangerie",
                             "05|05|03|02|Garages",
                             "12|03|||Edition",
                             "12|||12|Long",
                         }));
}

TEST_F(NomenclatureTest, ImportLogIsWrittenAndReplacesTheLastOne) {
    classeur(QJsonArray{kEntete, ligne({1, QJsonValue::Null, QJsonValue::Null, QJsonValue::Null, "A"})});
    EcrireFichierTest(chemin(QString::fromLatin1(NomLogNomenclature)), "ancien journal\r\n");
    InitSettingsNomenclature();

    const QString log = FromCp1252(LireFichierTest(chemin(QString::fromLatin1(NomLogNomenclature))));
    EXPECT_FALSE(log.contains(QStringLiteral("ancien journal")));
    EXPECT_TRUE(log.contains(chemin(kClasseur))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Feuilles: 1"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("2 lignes"))) << log.toStdString();
}

// The workbook read ahead at start-up gives the same sheet whether its reader has ended long
// before the import or is still running, and a workbook changed in between is read again.
TEST_F(NomenclatureTest, WorkbookReadAheadGivesTheSheetAsItIsAtTheImport) {
    const struct {
        const char* cas;
        bool attendre;
        bool changer;
    } cas[] = {{"lecteur fini", true, false}, {"lecteur en cours", false, false}, {"classeur changé", true, true}};
    for (const auto& c : cas) {
        DechargerFrmPubNomenclature();
        TestDialogs().shown.clear();
        classeur(QJsonArray{kEntete, ligne({1, QJsonValue::Null, QJsonValue::Null, QJsonValue::Null, "AVANT"})});
        liste({});
        PrelireNomenclature();
        if (c.attendre) {
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 500) QCoreApplication::processEvents();
        }
        if (c.changer)
            classeur(QJsonArray{kEntete, ligne({2, QJsonValue::Null, QJsonValue::Null, QJsonValue::Null, "APRES"}),
                                ligne({2, 1, QJsonValue::Null, QJsonValue::Null, "Suite"})});
        InitSettingsNomenclature();
        EXPECT_TRUE(boites().isEmpty()) << c.cas << ": " << boites().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(lignes(0), c.changer ? QStringList({"02||||APRES", "02|01|||Suite"}) : QStringList({"01||||AVANT"}))
            << c.cas;
    }
}

TEST_F(NomenclatureTest, DeclaredSheetSizeIsNotTrusted) {
    // A sound workbook whose sheet claims 3,000,000 rows: its real rows are read, none of the
    // claimed ones (a read of that size would also overrun the reader's memory bound).
    ASSERT_TRUE(QFile::copy(ClasseurDeTest(QStringLiteral("workbook-declares-3m-rows.xls")), chemin(kClasseur)));
    liste({});
    InitSettingsNomenclature();
    EXPECT_TRUE(boites().isEmpty()) << boites().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lignes(0).size(), 14);
}

// A process of its own holding a lock on a file until it is killed.
class Verrou {
public:
    Verrou(const QString& chemin, const char* appel) {
        const QString script = QStringLiteral(
                                   "import fcntl, sys\n"
                                   "f = open(sys.argv[1], 'r+b')\n"
                                   "fcntl.%1(f, fcntl.LOCK_EX)\n"
                                   "print('pret', flush=True)\n"
                                   "sys.stdin.read()\n")
                                   .arg(QString::fromLatin1(appel));
        p_.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, chemin});
        pret_ = p_.waitForReadyRead(20000) && p_.readAll().contains("pret");
    }
    ~Verrou() {
        p_.kill();
        p_.waitForFinished(5000);
    }
    bool pret() const { return pret_; }

private:
    QProcess p_;
    bool pret_ = false;
};

TEST_F(NomenclatureTest, WorkbookTestGivesReadableInUseOrNotAWorkbook) {
    classeur(QJsonArray{kEntete});
    const QString xls = chemin(kClasseur);
    EXPECT_EQ(TesterClasseur(xls), TestClasseur::Lisible);

    for (const QString& verrou : FichiersVerrouBureautique(xls)) {
        EcrireFichierTest(verrou, "utilisateur");
        EXPECT_EQ(TesterClasseur(xls), TestClasseur::EnCoursUtilisation) << verrou.toStdString();
        QFile::remove(verrou);
    }
    for (const char* appel : {"lockf", "flock"}) {
        Verrou v(xls, appel);
        ASSERT_TRUE(v.pret()) << appel;
        EXPECT_EQ(TesterClasseur(xls), TestClasseur::EnCoursUtilisation) << appel;
    }
    EXPECT_EQ(TesterClasseur(xls), TestClasseur::Lisible);

    const QByteArray entier = LireFichierTest(xls);
    const struct {
        const char* nom;
        QByteArray contenu;
    } pasClasseur[] = {
        {"texte", "Famille;Classe;Secteur\r\n01;02;03\r\n"},
        {"vide", ""},
        {"tronque", entier.left(600)},
    };
    for (const auto& c : pasClasseur) {
        EcrireFichierTest(xls, c.contenu);
        EXPECT_EQ(TesterClasseur(xls), TestClasseur::PasUnClasseur) << c.nom;
    }
    EXPECT_EQ(TesterClasseur(chemin(QStringLiteral("absent.xls"))), TestClasseur::PasUnClasseur);
}

TEST_F(NomenclatureTest, EachWorkbookFailureShowsItsMessageAndLeavesTheSheetEmpty) {
    const QString xls = chemin(kClasseur);
    const QString intro = QStringLiteral("Le fichier '") + xls;
    struct Cas {
        const char* nom;
        std::function<void()> preparer;
        QString message;
    };
    const std::vector<Cas> cas = {
        {"absent", [] {},
         intro + QStringLiteral(
                     "' n'existe pas. Veuiller le mettre en place à partir des MAJ disponibles sur le site web.")},
        {"verrou",
         [&] {
             classeur(QJsonArray{kEntete, ligne({1, 1, 1, 1, "A"})});
             EcrireFichierTest(FichiersVerrouBureautique(xls).last(), "x");
         },
         QStringLiteral("Fichier '") + xls +
             QStringLiteral("' en cours d'utilisation\r\n\r\nImpossible de le charger.")},
        {"texte", [&] { EcrireFichierTest(xls, "pas un classeur"); },
         intro + QStringLiteral("' n'est pas un fichier Excel.")},
        // The workbook library would die on this sheet, which declares its size twice.
        {"feuille endommagée",
         [&] { ASSERT_TRUE(QFile::copy(ClasseurDeTest(QStringLiteral("damaged-workbook-crash.xls")), xls)); },
         QStringLiteral("Impossible de charger le feuille: ") + xls},
        // Refused at once, whatever the machine's load: its sheet declares its size a second time
        // in a record too short to hold it.
        {"déclaration tronquée",
         [&] { ASSERT_TRUE(QFile::copy(ClasseurDeTest(QStringLiteral("workbook-heavy-sheet.xls")), xls)); },
         QStringLiteral("Impossible de charger le fichier: ") + xls},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        ReinitialiserNomenclature();
        TestDialogs().reset();
        QFile::remove(xls);
        for (const QString& v : FichiersVerrouBureautique(xls)) QFile::remove(v);
        c.preparer();
        liste(QJsonArray{QJsonValue(QJsonArray{"01000000", "GIE"})});

        InitSettingsNomenclature();
        ASSERT_EQ(TestDialogs().shown.size(), 1u);
        EXPECT_EQ(TestDialogs().shown[0].prompt, c.message);
        EXPECT_EQ(TestDialogs().shown[0].style, Mb::OKOnly | Mb::Critical);
        EXPECT_EQ(TestDialogs().shown[0].title, CaptionFrmMain());
        EXPECT_EQ(feuille(0)->maxRows(), 0);
        EXPECT_EQ(LibNomenclature(QStringLiteral("01010101")), QString());
        // The GIE sheet is filled whatever happened to the other.
        EXPECT_EQ(lignes(1), QStringList{QStringLiteral("01|00|00|00|GIE")});
    }
}

TEST_F(NomenclatureTest, LevelsAreColouredByTheirDepth) {
    const QJsonValue n = QJsonValue::Null;
    classeur(QJsonArray{kEntete, ligne({1, n, n, n, "Famille 1"}),  // 1 family heading
                        ligne({1, 2, n, n, "Classe"}),              // 2 class heading
                        ligne({1, 2, 3, n, "Secteur"}),             // 3 sector heading
                        ligne({1, 2, 3, 4, "Variete"}),             // 4 variety
                        ligne({2, n, n, n, "Famille 2"}),           // 5 family heading
                        ligne({1, 2, 3, 5, "Famille 1 encore"})});  // 6 a family again
    liste({});
    InitSettingsNomenclature();
    SpreadGrid* g = feuille(0);
    ASSERT_EQ(g->maxRows(), 6);
    const qint32 famille = RGB(205, 92, 92), classe = RGB(220, 141, 141), secteur = RGB(253, 220, 201);
    const struct {
        int ligne;
        qint32 fond;
        bool gras;
    } attendu[] = {{1, famille, true}, {2, classe, false}, {3, secteur, false}, {5, famille, true}, {6, famille, true}};
    for (const auto& a : attendu)
        for (int c = 1; c <= 5; ++c) {
            EXPECT_EQ(g->backColorAt(c, a.ligne), a.fond) << a.ligne << "," << c;
            EXPECT_EQ(g->boldAt(c, a.ligne), a.gras) << a.ligne << "," << c;
        }
    for (qint32 niveau : {famille, classe, secteur}) EXPECT_NE(g->backColorAt(1, 4), niveau);
    EXPECT_FALSE(g->boldAt(1, 4));
}

// ---- the GIE list ---------------------------------------------------------------------------

TEST_F(NomenclatureTest, GieCodesLoseTheirLeadingZeroLevels) {
    classeur(QJsonArray{kEntete});
    liste({QJsonArray{"00001234", "Code court"}, QJsonArray{"01000000", "Famille"}, QJsonArray{"00000000", "Aucun"},
           QJsonArray{"05010300", "  Garages  "}});
    InitSettingsNomenclature();
    EXPECT_EQ(entetes(1), (QStringList{"Fa.", "Cl.", "Se.", "Va.", "Nomenclature GIE"}));
    EXPECT_EQ(lignes(1),
              (QStringList{"12|34|||Code court", "01|00|00|00|Famille", "||||Aucun", "05|01|03|00|Garages"}));
    EXPECT_EQ(feuille(1)->colWidth(0), 0);
}

TEST_F(NomenclatureTest, CodeGieTable) {
    const struct {
        const char* texte;
        const char* code;
    } cas[] = {
        {"00001234", "1234    "}, {"01000000", "01000000"}, {"00000000", "        "}, {"0012", "12      "},
        {"00", "        "},       {"", "        "},         {"1", "1       "},        {"AB05", "05      "},
    };
    for (const auto& c : cas) EXPECT_EQ(CodeGIE(QString::fromLatin1(c.texte)), QString::fromLatin1(c.code)) << c.texte;

    // One code of 100,000 characters, read in one pass.
    const QString zeros(99998, QLatin1Char('0'));
    const struct {
        QString texte;
        const char* code;
    } longs[] = {
        {zeros + QStringLiteral("12"), "12      "},
        {zeros + QStringLiteral("00"), "        "},
        {zeros + QStringLiteral("05") + QString(1000, QLatin1Char('7')), "05777777"},
        {QStringLiteral("0") + zeros + QStringLiteral("5"), "05      "},
    };
    for (const auto& c : longs) EXPECT_EQ(CodeGIE(c.texte), QString::fromLatin1(c.code)) << c.texte.size();
}

TEST_F(NomenclatureTest, MissingEmptyOrMalformedGieListLeavesHeadersOnlyAndNoMessage) {
    const struct {
        const char* nom;
        const char* contenu;  // nullptr: no file
    } cas[] = {
        {"absente", nullptr},
        {"vide", ""},
        {"libelle sans code", "<Libelle>Orphelin</Libelle>\r\n<Code>01000000</Code>\r\n<Libelle>A</Libelle>\r\n"},
        {"code sans libelle", "<Code>01000000</Code>\r\n<Code>02000000</Code>\r\n<Libelle>B</Libelle>\r\n"},
        {"dernier code sans libelle", "<Code>01000000</Code>\r\n<Libelle>A</Libelle>\r\n<Code>02000000</Code>\r\n"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        ReinitialiserNomenclature();
        TestDialogs().reset();
        QFile::remove(chemin(kListe));
        classeur(QJsonArray{kEntete, ligne({1, 1, 1, 1, "A"})});
        if (c.contenu) EcrireFichierTest(chemin(kListe), c.contenu);
        InitSettingsNomenclature();
        EXPECT_TRUE(boites().isEmpty());
        EXPECT_EQ(feuille(1)->maxRows(), 0);
        EXPECT_EQ(entetes(1).value(4), QStringLiteral("Nomenclature GIE"));
        // The standard sheet is there all the same.
        EXPECT_EQ(LibNomenclature(QStringLiteral("01010101")), QStringLiteral("A"));
    }
}

TEST_F(NomenclatureTest, BinaryGieListIsIgnored) {
    classeur(QJsonArray{kEntete});
    QByteArray binaire("<Code>01000000</Code>\r\n<Libelle>A</Libelle>\r\n");
    binaire.append('\0').append("\x01\x02", 2);
    EcrireFichierTest(chemin(kListe), binaire);
    InitSettingsNomenclature();
    EXPECT_EQ(feuille(1)->maxRows(), 0);
    EXPECT_TRUE(lignesLog().join(QLatin1Char('\n')).contains(QStringLiteral("Nomenclature GIE: liste ignorée")));
}

TEST_F(NomenclatureTest, GieLinesAreReadAsTheyStandWithoutXmlDecoding) {
    classeur(QJsonArray{kEntete});
    // Windows-1252 label, a character reference kept as it is, tags in any letter case, and a
    // closing tag right after the opening one (nothing to cut before it).
    EcrireFichierTest(chemin(kListe), QByteArray("<code>02030000</CODE>\r\n"
                                                 "  <LIBELLE>P\xE2tisserie &amp; caf\xE9</libelle>\r\n"
                                                 "<Code>03000000</Code>\r\n<Libelle></Libelle> reste\r\n"));
    InitSettingsNomenclature();
    EXPECT_EQ(lignes(1), (QStringList{QString::fromUtf8("02|03|00|00|Pâtisserie &amp; café"),
                                      QStringLiteral("03|00|00|00|</Libelle> reste")}));
}

// ---- labels ---------------------------------------------------------------------------------

TEST_F(NomenclatureTest, LibNomenclatureFindsEachLevelAndNothingElse) {
    QString erreur;
    ASSERT_TRUE(EcrireNomenclatureExemple(DossierApplication, &erreur)) << erreur.toStdString();
    InitSettingsNomenclature();
    ASSERT_TRUE(boites().isEmpty());
    const struct {
        const char* code;
        const char* libelle;
    } cas[] = {
        {"01      ", "ALIMENTATION"},             // family
        {"01000000", "ALIMENTATION"},             // family, zero levels
        {"0101    ", "Boulangerie, patisserie"},  // class
        {"01010100", "Pain"},                     // sector
        {"01010102", "Pain de mie"},              // variety
        {"05010300", "Garages"},
        {"12030201", "Rentree litteraire"},  // the workbook's "01A"
        {"01010103", ""},                    // unknown variety
        {"03000000", ""},                    // between two families
        {"99000000", ""},                    // after the last row
        {"1 000000", ""},                    // the family is compared as it stands
        {"        ", ""},                    // blank code
        {"  010101", ""},                    // blank family
        {"", ""},
    };
    for (const auto& c : cas)
        EXPECT_EQ(LibNomenclature(QString::fromLatin1(c.code)), QString::fromUtf8(c.libelle)) << c.code;
}

TEST_F(NomenclatureTest, LibNomenclatureCutsLongLabelsAndNeedsTheWindow) {
    EXPECT_EQ(LibNomenclature(QStringLiteral("01000000")), QString());  // not loaded
    const QString long120 = QString(60, QLatin1Char('a')) + QString(60, QLatin1Char('b'));
    classeur(QJsonArray{kEntete, ligne({1, QJsonValue::Null, QJsonValue::Null, QJsonValue::Null, long120})});
    InitSettingsNomenclature();
    EXPECT_EQ(LibNomenclature(QStringLiteral("01000000")), long120.left(100));
    DechargerFrmPubNomenclature();
    EXPECT_EQ(FrmPubNomenclatureChargee(), nullptr);
    EXPECT_EQ(LibNomenclature(QStringLiteral("01000000")), QString());
}

// ---- the picking dialog ---------------------------------------------------------------------

TEST_F(NomenclatureTest, PickingDialogAnswers) {
    QString erreur;
    ASSERT_TRUE(EcrireNomenclatureExemple(DossierApplication, &erreur)) << erreur.toStdString();
    InitSettingsNomenclature();
    FrmPubNomenclature* f = FrmPubNomenclatureChargee();
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->PbIUserResponse, 0);

    f->show();
    f->CommandFermer_Click(0);  // nothing clicked yet
    EXPECT_EQ(f->PbIUserResponse, 2);
    EXPECT_TRUE(f->PbSCCLib.isEmpty());
    EXPECT_FALSE(f->isVisible());

    f->fpSpreadNomenclature_Click(0, 2, 5);
    f->CommandFermer_Click(0);
    EXPECT_EQ(f->PbIUserResponse, 1);
    EXPECT_EQ((QStringList{f->PbSCCFam, f->PbSCCCla, f->PbSCCSec, f->PbSCCVar, f->PbSCCLib}),
              (QStringList{"01", "01", "01", "02", "Pain de mie"}));

    f->CommandFermer_Click(1);
    EXPECT_EQ(f->PbIUserResponse, 2);
    EXPECT_EQ(f->PbSCCLib, QStringLiteral("Pain de mie"));  // kept until the next answer

    // The GIE tab answers from the GIE sheet; a double click validates at once.
    f->SftTabsNomenclature->setCurrentIndex(1);
    f->show();
    f->fpSpreadNomenclature_DblClick(1, 1, 1);
    EXPECT_EQ(f->PbIUserResponse, 1);
    EXPECT_EQ(f->PbSCCLib, QStringLiteral("Alimentation (GIE)"));
    EXPECT_FALSE(f->isVisible());
}

TEST_F(NomenclatureTest, SelectCodeCCRemembersTheRowOfTheCode) {
    QString erreur;
    ASSERT_TRUE(EcrireNomenclatureExemple(DossierApplication, &erreur)) << erreur.toStdString();
    InitSettingsNomenclature();
    FrmPubNomenclature* f = FrmPubNomenclatureChargee();
    const struct {
        const char* code[4];
        int ligne;
    } cas[] = {
        {{"01", "01", "01", "02"}, 5},  // a variety
        {{"05", "", "", ""}, 8},        // a family heading
        {{"05", "01", "03", ""}, 10},   // a sector heading
        {{"01", "09", "", ""}, 7},      // unknown class: the family's last row stays chosen
    };
    for (const auto& c : cas) {
        f->SelectCodeCC(0, QString::fromLatin1(c.code[0]), QString::fromLatin1(c.code[1]),
                        QString::fromLatin1(c.code[2]), QString::fromLatin1(c.code[3]));
        EXPECT_EQ(f->ligneMemorisee(), c.ligne) << c.code[0] << c.code[1] << c.code[2] << c.code[3];
        f->CommandFermer_Click(0);
        EXPECT_EQ(f->PbIUserResponse, 1);
    }
}

}  // namespace
