// The web list readers of the five entities: rows and columns of the list grids, status letters,
// colours and labels, the reply records, and the answers and values that make a read fail.
#include "sync/list_readers.h"
#include "web_fixture.h"

#include "foundation/log_lists.h"

#include <QStringEncoder>
#include <string>

namespace {

class ListReadersTest : public WebTest {
protected:
    QString fichier() const { return tmp.path() + QStringLiteral("/liste.xml"); }
    bool lire(int onglet, const QByteArray& contenu, bool grille, bool record) {
        EcrireFichierTest(fichier(), contenu);
        bool err = !false;
        EXPECT_TRUE(LectureListeOnglet(onglet, fichier(), grille, record, err));
        return err;
    }
};

TEST_F(ListReadersTest, EachEntityFillsItsColumnsAndRecord) {
    struct Cas {
        int onglet;
        const char* xml;
        std::vector<std::pair<int, const char*>> cellules;  // column -> text of row 1
        int32_t id;
    };
    const Cas cas[] = {
        {1,
         "<r><Items><clientbo><CltIdWeb>12</CltIdWeb><CLTIDQD>C1</CLTIDQD><cltnom>Nom</cltnom><CltAdresse>A</"
         "CltAdresse>"
         "<CltAdresseSuite>S</CltAdresseSuite><CltCodePostal>59000</CltCodePostal><CltContact>K</CltContact>"
         "<CltContactTel1>T1</CltContactTel1><CltContactTel2>T2</CltContactTel2><CltContactEmail>E</CltContactEmail>"
         "<CltInconnu>x</CltInconnu><CltSynchroWeb>2</CltSynchroWeb></clientbo></Items></r>",
         {{1, "C1"},
          {2, "12"},
          {3, "Nom"},
          {4, "A"},
          {5, "S"},
          {6, "59000"},
          {7, ""},
          {8, "K"},
          {9, "T1"},
          {10, "T2"},
          {11, "E"},
          {12, "C"},
          {13, "Créé"}},
         12},
        {2,
         "<r><Items><ProduitBO><PdtIdWeb>7</PdtIdWeb><PdtIdQD>P</PdtIdQD><PdtLibelle>L</PdtLibelle><PdtNature>0</"
         "PdtNature>"
         "<PdtFamille>01</PdtFamille><PdtClasse>02</PdtClasse><PdtSecteur>03</PdtSecteur><PdtVariete>04</PdtVariete>"
         "<PdtNomenclatureLib>N</PdtNomenclatureLib><PdtSynchroWeb>3</PdtSynchroWeb></ProduitBO></Items></r>",
         {{1, "P"},
          {2, "7"},
          {3, "L"},
          {4, "0"},
          {5, "01"},
          {6, "02"},
          {7, "03"},
          {8, "04"},
          {9, "N"},
          {10, "M"},
          {11, "Modifié"}},
         7},
        {3,
         "<r><Items><SecteurActiviteBO><SecIdWeb>301</SecIdWeb><SecIdQD>S</SecIdQD><SecLibelle>Alim</SecLibelle>"
         "<SecSynchroWeb>0</SecSynchroWeb></SecteurActiviteBO></Items></r>",
         {{1, "S"}, {2, "301"}, {3, "Alim"}, {4, "S"}, {5, "Supprimé"}},
         301},
        {4,
         "<r><Items><CommercialBO><CmlIdWeb>4</CmlIdWeb><CmlIdQD>M</CmlIdQD><CmlUserId>u</CmlUserId>"
         "<CmlUserPassword>p</CmlUserPassword><CmlNom>N</CmlNom><CmlPrenom>Pr</CmlPrenom><CmlTel1>1</CmlTel1>"
         "<CmlTel2>2</CmlTel2><CmlEmail>e</CmlEmail><CmlSynchroWeb>1</CmlSynchroWeb></CommercialBO></Items></r>",
         {{1, "M"},
          {2, "4"},
          {3, "u"},
          {4, "p"},
          {5, "N"},
          {6, "Pr"},
          {7, "1"},
          {8, "2"},
          {9, "e"},
          {10, "O"},
          {11, "Synchronisé"}},
         4},
        {5,
         "<r><Items><SecteurActiviteBO><SecIdWeb>501</SecIdWeb><SecIdQD>CNV00101</SecIdQD><SecLibelle>Matinale</"
         "SecLibelle>"
         "<SecSynchroWeb>1</SecSynchroWeb></SecteurActiviteBO></Items></r>",
         {{1, "CNV00101"}, {2, "501"}, {3, "Matinale"}},
         501},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.onglet);
        EXPECT_FALSE(lire(c.onglet, QByteArray(c.xml), true, true));
        const auto r = lignes(c.onglet);
        ASSERT_EQ(r.size(), 1u);
        for (const auto& [col, texte] : c.cellules) EXPECT_EQ(r[0].value(col - 1), QString::fromUtf8(texte)) << col;
        EXPECT_EQ(IdWebReponseOnglet(c.onglet), c.id);
    }
    EXPECT_EQ(ReponseClient.CltNom, QStringLiteral("Nom"));
    EXPECT_EQ(ReponseClient.CltSynchroWeb, QStringLiteral("2"));
    EXPECT_EQ(ReponseCanevas.TmpIdQD, QStringLiteral("CNV00101"));
    EXPECT_EQ(ReponseCanevas.TmpLibelle, QStringLiteral("Matinale"));
    EXPECT_EQ(ReponseCommercial.CmlUserPassword, QStringLiteral("p"));
    // The canvas grid keeps its three columns: the status letter has nowhere to go.
    EXPECT_EQ(GrillePub(5)->maxCols(), 3);
}

TEST_F(ListReadersTest, StatusTextsGetTheirLetterColourAndLabelOnlyWhenExact) {
    struct Cas {
        const char* statut;
        const char* lettre;
        qint32 couleur;
        const char* libelle;
    };
    const qint32 fond = GrillePub(3)->backColorAt(4, 1);
    const Cas cas[] = {{"2", "C", RGB(255, 255, 0), "Créé"},
                       {"3", "M", RGB(0, 0, 255), "Modifié"},
                       {"0", "S", RGB(255, 0, 255), "Supprimé"},
                       {"1", "O", RGB(0, 255, 0), "Synchronisé"},
                       {"7", "7", fond, ""},
                       {"02", "02", fond, ""},
                       {" 2", " 2", fond, ""}};
    QByteArray xml = "<r><Items>";
    for (const Cas& c : cas)
        xml += QByteArray("<SecteurActiviteBO><SecIdWeb>1</SecIdWeb><SecSynchroWeb>") + c.statut +
               "</SecSynchroWeb></SecteurActiviteBO>";
    xml += "</Items></r>";
    EXPECT_FALSE(lire(3, xml, true, false));
    SpreadGrid* g = GrillePub(3);
    ASSERT_EQ(g->maxRows(), int(std::size(cas)));
    for (int i = 0; i < int(std::size(cas)); ++i) {
        SCOPED_TRACE(cas[i].statut);
        EXPECT_EQ(g->textAt(4, i + 1), QString::fromUtf8(cas[i].lettre));
        EXPECT_EQ(g->backColorAt(4, i + 1), cas[i].couleur);
        EXPECT_EQ(g->textAt(5, i + 1), QString::fromUtf8(cas[i].libelle));
    }
}

TEST_F(ListReadersTest, ItemsAcrossListsAndTheLastItemWinsInTheRecord) {
    const QByteArray xml =
        "<r><Code>0</Code><Items><ClientBO><CltIdWeb>1</CltIdWeb><CltNom>Premier</CltNom><CltVille>Lille</CltVille></"
        "ClientBO>"
        "<Autre><CltNom>pas un client</CltNom></Autre>texte"
        "<ClientBO><CltIdWeb>2</CltIdWeb><CltNom>Second</CltNom><CltNom>Second bis</CltNom></ClientBO></Items>"
        "<x><Items><CLIENTBO><CltNom>Troisième</CltNom></CLIENTBO></Items></x></r>";
    EXPECT_FALSE(lire(1, xml, true, true));
    const auto r = lignes(1);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0][2], QStringLiteral("Premier"));
    EXPECT_EQ(r[1][2], QStringLiteral("Second bis"));
    EXPECT_EQ(r[1][6], QString());
    EXPECT_EQ(r[2][2], QStringLiteral("Troisième"));
    EXPECT_EQ(ReponseClient.CltIdWeb, 2);
    EXPECT_EQ(ReponseClient.CltNom, QStringLiteral("Troisième"));
    EXPECT_EQ(ReponseClient.CltVille, QStringLiteral("Lille"));
}

TEST_F(ListReadersTest, NestedListsAndFieldTextsReadInTheDocumentsOrder) {
    // A list nested in an item's field comes after the whole list holding it; a field's text is
    // all the text inside it, sub-elements and CDATA included, but for the fields of the nested
    // list's items: each keeps its own.
    const QByteArray xml =
        "<r><Items><ClientBO><CltNom>A<b>1</b><![CDATA[<2>]]></CltNom>"
        "<CltVille><Items><ClientBO><CltNom>Dedans</CltNom></ClientBO></Items></CltVille></ClientBO>"
        "<ClientBO><CltNom>B</CltNom></ClientBO></Items><Items><ClientBO><CltNom>C</CltNom></ClientBO></Items></r>";
    EXPECT_FALSE(lire(1, xml, true, true));
    const auto r = lignes(1);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0][2], QStringLiteral("A1<2>"));
    EXPECT_EQ(r[0][6], QString());
    EXPECT_EQ(r[1][2], QStringLiteral("B"));
    EXPECT_EQ(r[2][2], QStringLiteral("Dedans"));
    EXPECT_EQ(r[3][2], QStringLiteral("C"));
    EXPECT_EQ(ReponseClient.CltNom, QStringLiteral("C"));
    EXPECT_EQ(ReponseClient.CltVille, QString());
}

TEST_F(ListReadersTest, ListsNestedInFieldsReadAsTheFlatList) {
    // Each item's name field holds the list of the next one, as deep as an answer may nest: the
    // same rows and record as the items one after the other, each field keeping only its own text.
    constexpr int kNiveaux = 20;
    QByteArray imbriquee = "<r><Code>0</Code>", plate = "<r><Code>0</Code><Items>", fin;
    for (int i = 1; i <= kNiveaux; ++i) {
        const QByteArray item =
            "<ClientBO><CltIdWeb>" + QByteArray::number(i) + "</CltIdWeb><CltNom>Nom " + QByteArray::number(i);
        imbriquee += "<Items>" + item;
        fin.prepend("</CltNom><CltVille>V" + QByteArray::number(i) + "</CltVille></ClientBO></Items>");
        plate += item + "</CltNom><CltVille>V" + QByteArray::number(i) + "</CltVille></ClientBO>";
    }
    imbriquee += fin + "</r>";
    plate += "</Items></r>";
    EXPECT_FALSE(lire(1, plate, true, true));
    const auto attendues = lignes(1);
    ASSERT_EQ(attendues.size(), size_t(kNiveaux));
    EXPECT_EQ(attendues[kNiveaux - 1][2], QStringLiteral("Nom 20"));
    const ReponseClientT enregistrement = ReponseClient;
    EXPECT_FALSE(lire(1, imbriquee, true, true));
    EXPECT_EQ(lignes(1), attendues);
    EXPECT_EQ(ReponseClient.CltIdWeb, enregistrement.CltIdWeb);
    EXPECT_EQ(ReponseClient.CltNom, enregistrement.CltNom);
    EXPECT_EQ(ReponseClient.CltVille, enregistrement.CltVille);
}

TEST_F(ListReadersTest, AFaultAfterTheItemsLeavesNoRow) {
    // The items come before what makes the answer no list: none of them may reach the grid.
    const QByteArray items = "<r><Items><ClientBO><CltIdWeb>5</CltIdWeb><CltNom>N</CltNom></ClientBO></Items>";
    QByteArray profond = items;
    for (int i = 0; i < 70; ++i) profond += "<a>";
    for (int i = 0; i < 70; ++i) profond += "</a>";
    profond += "</r>";
    struct Cas {
        const char* nom;
        QByteArray xml;
        int boites;
        int lignesLog;
    };
    const Cas cas[] = {
        {"error code after the items",
         items + "<Code>1001</Code><Error><Type>T</Type><ErrorCode>Mauvais id</ErrorCode></Error></r>", 1, 0},
        {"truncated", items + "<Code>0</Co", 0, 1},
        {"malformed", items + "</x></r>", 0, 1},
        {"nested too deep", profond, 0, 1},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        TestDialogs().shown.clear();
        Listes().ListeLogTemp.clear();
        EXPECT_TRUE(lire(1, c.xml, true, false));
        EXPECT_TRUE(lignes(1).empty());
        ASSERT_EQ(int(TestDialogs().shown.size()), c.boites);
        if (c.boites) {
            EXPECT_TRUE(TestDialogs().shown[0].prompt.endsWith(QStringLiteral("Mauvais id")));
        }
        EXPECT_EQ(int(lignesLog().filter(QStringLiteral("Err: Unable to read the xml file:")).size()), c.lignesLog);
        EXPECT_TRUE(lire(1, c.xml, false, true));
        EXPECT_EQ(ReponseClient.CltIdWeb, 0);
    }
}

TEST_F(ListReadersTest, AnErrorAnswersFieldsComeFromTheLastErrorHoldingThem) {
    struct Cas {
        const char* xml;
        const char* type;
        const char* errorCode;
    };
    const Cas cas[] = {
        {"<r><Error><Type>T1</Type><ErrorCode>E1</ErrorCode></Error><Error><type>T2</type></Error>"
         "<Code>501</Code><Code>0</Code></r>",
         "T2", "E1"},
        // An Error nested in another's field comes after it, though its field closes first.
        {"<r><Code>501</Code><Error><ErrorCode>E1<Error><ErrorCode>E2</ErrorCode></Error></ErrorCode>"
         "<Type>T<b>1</b></Type></Error></r>",
         "T1", "E2"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.xml);
        TestDialogs().shown.clear();
        EXPECT_TRUE(lire(1, QByteArray(c.xml), true, false));
        EXPECT_EQ(ReponseLectureXML.Code, 501);
        EXPECT_EQ(ReponseLectureXML.Type, QString::fromLatin1(c.type));
        EXPECT_EQ(ReponseLectureXML.ErrorCode, QString::fromLatin1(c.errorCode));
        EXPECT_EQ(TestDialogs().shown.size(), 1u);
    }
}

TEST_F(ListReadersTest, AnswersThatAreNoListLeaveAnEmptyGridAndAResetRecord) {
    struct Cas {
        const char* nom;
        const char* xml;
        bool err;
        int boites;
    };
    const Cas cas[] = {
        {"no items", "<r><Code>0</Code></r>", false, 0},
        {"no code", "<r/>", false, 0},
        {"error answer", "<r><Code>500</Code></r>", true, 1},
        {"empty", "", true, 0},
        {"XHTML page", "<html><body><Items><ClientBO><CltIdWeb>5</CltIdWeb></ClientBO></Items></body></html>", true, 0},
        {"client id beyond 32 bits", "<r><Items><ClientBO><CltIdWeb>2147483648</CltIdWeb></ClientBO></Items></r>", true,
         0},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        ASSERT_FALSE(lire(1, "<r><Items><ClientBO><CltIdWeb>9</CltIdWeb><CltNom>Ancien</CltNom></ClientBO></Items></r>",
                          true, true));
        TestDialogs().shown.clear();
        const bool err = lire(1, QByteArray(c.xml), true, true);
        EXPECT_EQ(err, c.err);
        EXPECT_EQ(int(TestDialogs().shown.size()), c.boites);
        EXPECT_EQ(ReponseClient.CltIdWeb, 0);
        EXPECT_TRUE(ReponseClient.CltNom.isEmpty());
        if (std::string(c.nom) != "client id beyond 32 bits") {
            EXPECT_TRUE(lignes(1).empty());
        }
    }
}

TEST_F(ListReadersTest, WebIdsReadAsEachEntityReadsThem) {
    // An id of 400 nines is beyond every double: a failed read, never web id 0.
    const std::string neufs(400, '9');
    const std::string clientNeufs = "<r><Items><ClientBO><CltIdWeb>" + neufs + "</CltIdWeb></ClientBO></Items></r>";
    const std::string secteurNeufs =
        "<r><Items><SecteurActiviteBO><SecIdWeb>" + neufs + "</SecIdWeb></SecteurActiviteBO></Items></r>";
    struct Cas {
        int onglet;
        const char* xml;
        bool err;
        int32_t id;
    };
    const Cas cas[] = {
        {1, clientNeufs.c_str(), true, 0},
        {3, secteurNeufs.c_str(), true, 0},
        {1, "<r><Items><ClientBO><CltIdWeb>12abc</CltIdWeb></ClientBO></Items></r>", false, 12},
        {1, "<r><Items><ClientBO><CltIdWeb></CltIdWeb></ClientBO></Items></r>", false, 0},
        {4, "<r><Items><CommercialBO><CmlIdWeb> 40</CmlIdWeb></CommercialBO></Items></r>", false, 40},
        {3, "<r><Items><SecteurActiviteBO><SecIdWeb></SecIdWeb></SecteurActiviteBO></Items></r>", true, 0},
        {5, "<r><Items><SecteurActiviteBO><SecIdWeb>5x</SecIdWeb></SecteurActiviteBO></Items></r>", true, 0},
        {3, "<r><Items><SecteurActiviteBO><SecIdWeb>303</SecIdWeb></SecteurActiviteBO></Items></r>", false, 303},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.xml);
        Listes().ListeLogTemp.clear();
        EXPECT_EQ(lire(c.onglet, QByteArray(c.xml), false, true), c.err);
        EXPECT_EQ(IdWebReponseOnglet(c.onglet), c.id);
        // A value that does not convert is an incident of the reader, never "gone from the web".
        EXPECT_EQ(lignesLog().join('\n').contains(QStringLiteral("Lib_XML:LectureFichierXMLRequete")), c.err);
    }
}

TEST_F(ListReadersTest, AListReadsAlikeInEveryEncodingAndAHostileRootFailsIt) {
    // A long list (read in several pieces) in UTF-16, with or without its byte order mark, gives the
    // rows it gives in UTF-8; in UTF-16 a root whose 100,000 attribute names hold U+013E (its low
    // byte is ">") fails the read, as a root with far too many attributes does in UTF-8.
    QString items;
    for (int i = 1; i <= 3000; ++i)
        items +=
            QStringLiteral("<ClientBO><CltIdWeb>%1</CltIdWeb><CltNom>\u00E9\u20AC\U0001F600 %1</CltNom></ClientBO>")
                .arg(i);
    const QString liste = QStringLiteral("<r><Code>0</Code><Items>") + items + QStringLiteral("</Items></r>");
    QString attributs;
    for (int i = 0; i < 100000; ++i) attributs += QStringLiteral(" \u013E%1='1'").arg(i);
    const QString hostile = QStringLiteral("<r") + attributs + QStringLiteral("><Code>0</Code><Items>") + items +
                            QStringLiteral("</Items></r>");
    const auto encode = [](const QString& xml, QStringConverter::Encoding codage, bool bom) {
        QStringEncoder e(codage, bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
        return QByteArray(e(xml));
    };
    EXPECT_FALSE(lire(1, encode(liste, QStringConverter::Utf8, false), true, true));
    const auto attendues = lignes(1);
    ASSERT_EQ(attendues.size(), 3000u);
    EXPECT_EQ(attendues[2999][2], QStringLiteral("\u00E9\u20AC\U0001F600 3000"));
    struct Cas {
        const char* nom;
        QStringConverter::Encoding codage;
        bool bom;
    };
    for (const Cas& c : {Cas{"UTF-16LE with BOM", QStringConverter::Utf16LE, true},
                         Cas{"UTF-16BE", QStringConverter::Utf16BE, false}}) {
        SCOPED_TRACE(c.nom);
        EXPECT_FALSE(lire(1, encode(liste, c.codage, c.bom), true, true));
        EXPECT_EQ(lignes(1), attendues);
        EXPECT_EQ(ReponseClient.CltIdWeb, 3000);
        EXPECT_TRUE(lire(1, encode(hostile, c.codage, c.bom), true, true));
        EXPECT_TRUE(lignes(1).empty());
        EXPECT_EQ(ReponseClient.CltIdWeb, 0);
    }
}

TEST_F(ListReadersTest, ALongListReadsAsAShortOne) {
    // A short answer is read in one pass, a long list's items again after its header: the same
    // rows, record, boxes and log lines either way. The long one has a list of 100 more items first,
    // with a field none of the others has.
    QByteArray devant = "<Items>";
    for (int i = 1; i <= 100; ++i)
        devant += "<ClientBO><CltContact>N" + QByteArray::number(i) + "</CltContact></ClientBO>";
    devant += "</Items>";
    struct Cas {
        const char* nom;
        QByteArray xml;
    };
    const Cas cas[] = {
        {"lists one after the other",
         "<r><Code>0</Code><Items><ClientBO><CltIdWeb>1</CltIdWeb><CltVille>Lille</CltVille></ClientBO>"
         "<Autre><CltNom>pas un client</CltNom></Autre><ClientBO><CltIdWeb>2</CltIdWeb></ClientBO></Items></r>"},
        {"nested lists",
         "<r><Items><ClientBO><CltNom>A<b>1</b></CltNom><CltVille><Items><ClientBO><CltNom>Dedans</CltNom></ClientBO>"
         "</Items></CltVille></ClientBO><ClientBO><CltNom>B</CltNom></ClientBO></Items></r>"},
        {"error code after the items",
         "<r><Items><ClientBO><CltIdWeb>5</CltIdWeb></ClientBO></Items><Code>1001</Code>"
         "<Error><ErrorCode>Mauvais id</ErrorCode></Error></r>"},
        {"truncated after the items", "<r><Items><ClientBO><CltIdWeb>5</CltIdWeb></ClientBO></Items><Code>0</Co"},
    };
    struct Lu {
        bool err;
        std::vector<QStringList> lignes;
        int32_t id;
        QString nom, ville;
        int boites, lignesLog;
    };
    const auto lu = [&](const QByteArray& xml) {
        TestDialogs().shown.clear();
        Listes().ListeLogTemp.clear();
        Lu r;
        r.err = lire(1, xml, true, true);
        r.lignes = lignes(1);
        r.id = ReponseClient.CltIdWeb;
        r.nom = ReponseClient.CltNom;
        r.ville = ReponseClient.CltVille;
        r.boites = int(TestDialogs().shown.size());
        r.lignesLog = int(lignesLog().size());
        return r;
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        const Lu court = lu(c.xml);
        QByteArray xmlLong = c.xml;
        xmlLong.insert(3, devant);
        Lu longue = lu(xmlLong);
        EXPECT_EQ(longue.err, court.err);
        if (!court.lignes.empty()) {
            ASSERT_EQ(longue.lignes.size(), court.lignes.size() + 100);
            EXPECT_EQ(longue.lignes[99][7], QStringLiteral("N100"));
            longue.lignes.erase(longue.lignes.begin(), longue.lignes.begin() + 100);
        }
        EXPECT_EQ(longue.lignes, court.lignes);
        EXPECT_EQ(longue.id, court.id);
        EXPECT_EQ(longue.nom, court.nom);
        EXPECT_EQ(longue.ville, court.ville);
        EXPECT_EQ(longue.boites, court.boites);
        EXPECT_EQ(longue.lignesLog, court.lignesLog);
    }
}

}  // namespace
