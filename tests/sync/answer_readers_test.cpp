// The generic answer readers: return code, result and id, error answers and their messages, and
// the files that are no answer (missing, empty, HTML, XHTML, DTD, other text, broken values).
#include "support/fixture.h"
#include "support/scripted_dialogs.h"
#include "sync/answer_readers.h"

#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "platform/app_error.h"

#include <QFile>
#include <string>

namespace {

const QString CRLF = QStringLiteral("\r\n");

class AnswerReadersTest : public KirvoTest {
protected:
    QString fichier() const { return tmp.path() + QStringLiteral("/Client_CreateXML.xml"); }
    QStringList boites() const {
        QStringList r;
        for (const BoiteAffichee& b : TestDialogs().shown) r << b.prompt;
        return r;
    }
};

TEST_F(AnswerReadersTest, CreateAnswersTable) {
    struct Cas {
        const char* nom;
        const char* contenu;  // nullptr: no file
        bool err;
        int32_t code;
        bool result;
        int32_t id;
        int boites;     // message boxes shown
        int lignesLog;  // plain log lines
    };
    // Nested far deeper than any answer: the document model would take minutes over it.
    std::string profond = "<R><Code>0</Code><Result>True</Result><Id>5</Id>";
    for (int i = 0; i < 20000; ++i) profond += "<a>";
    for (int i = 0; i < 20000; ++i) profond += "</a>";
    profond += "</R>";
    // The same, with an element of an undeclared prefix before the nesting: it must not hide it.
    std::string profondPrefixe = profond;
    profondPrefixe.insert(profondPrefixe.find("<a>"), "<x:a/>");
    // Short answers are parsed from memory, long ones from the file: the same outcomes either way.
    const std::string remplissage(100 * 1024, ' ');
    const std::string longue = "<R><Code>0</Code>" + remplissage + "<Result>true</Result><Id>1234</Id></R>";
    const std::string pageLongue = "<!doctype HTML public \"-//W3C//DTD HTML 4.01//EN\">\r\n<html><body>" +
                                   remplissage + "<p>500<br></body></html>";
    const std::string tronqueeLongue = "<R><Code>0</Code>" + remplissage + "<Result>True</Res";
    // A root with 100,000 attributes: refused, as the reader would spend seconds over it. A tag with
    // 256 reads (the root below: 255 and v), and an "=" anywhere but between the attributes of a
    // tag (declaration, instruction, comment, value, text, CDATA) counts for nothing.
    const auto attributs = [](int n) {
        std::string a;
        for (int i = 0; i < n; ++i) a += " a" + std::to_string(i) + "='1'";
        return a;
    };
    const std::string tropDAttributs = "<R" + attributs(100000) + "><Code>0</Code><Result>True</Result></R>";
    const std::string egal(1000, '=');
    const std::string attributsPermis = "<?xml version=\"1.0\"?><?pi " + egal + "?><!-- " + egal + " --><R" +
                                        attributs(255) + " v='" + egal + ">'><Code>0</Code><Result b=\"" + egal +
                                        "\">True</Result>" + egal + "<![CDATA[<x " + egal + "]]><Id>7</Id></R>";
    const Cas cas[] = {
        {"success", "<R><Code>0</Code><Result>true</Result><Id>1234</Id></R>", false, 0, true, 1234, 0, 0},
        {"any root, deep elements",
         "<a><b><Code> 0</Code></b><c><Result>TRUE</Result></c><d><Id>12.5</Id><Id>77abc</Id></d></a>", false, 0, true,
         77, 0, 0},
        {"result false", "<R><Code>0</Code><Result>False</Result><Id>9</Id></R>", false, 0, false, 0, 0, 0},
        {"no code, no result", "<R/>", false, 0, false, 0, 0, 0},
        {"one true result is enough", "<R><Result>no</Result><Result>True</Result><Id>5</Id></R>", false, 0, true, 5, 0,
         0},
        {"lower-case code is not the code", "<R><code>5</code><Result>true</Result></R>", false, 0, true, 0, 0, 0},
        {"error answer", "<R><Code>501</Code><Error><ErrorCode>X</ErrorCode></Error></R>", true, 501, false, 0, 1, 0},
        {"missing file", nullptr, true, 0, false, 0, 0, 0},
        {"empty file", "", true, 0, false, 0, 0, 0},
        {"HTML page", "<!doctype HTML public \"-//W3C//DTD HTML 4.01//EN\">\r\n<html><body><p>500<br></body></html>",
         true, 0, false, 0, 0, 0},
        {"XHTML page",
         "<?xml version=\"1.0\"?>\r\n<html "
         "xmlns=\"http://www.w3.org/1999/xhtml\"><body><Code>0</Code><Result>True</Result></body></html>",
         true, 0, false, 0, 0, 0},
        {"document type",
         "<?xml version=\"1.0\"?><!DOCTYPE R [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
         "\"&a;&a;&a;&a;\">]><R><Code>0</Code><Result>&b;</Result></R>",
         true, 0, false, 0, 0, 0},
        {"other text", "Service Unavailable", true, 0, false, 0, 0, 1},
        {"truncated answer", "<R><Code>0</Code><Result>True</Res", true, 0, false, 0, 0, 1},
        {"nested beyond any answer", profond.c_str(), true, 0, false, 0, 0, 1},
        {"nested beyond any answer, after an undeclared prefix", profondPrefixe.c_str(), true, 0, false, 0, 0, 1},
        {"undeclared prefix", "<R><x:a/><Code>0</Code><Result>True</Result><Id>5</Id></R>", false, 0, true, 5, 0, 0},
        {"texts inside sub-elements", "<R><Result>tr<b>ue</b></Result><Id>1<Id>2</Id></Id></R>", false, 0, true, 2, 0,
         0},
        {"prefixed names are other names", "<R><x:Result>true</x:Result><x:Code>5</x:Code></R>", false, 0, false, 0, 0,
         0},
        {"long success", longue.c_str(), false, 0, true, 1234, 0, 0},
        {"long HTML page", pageLongue.c_str(), true, 0, false, 0, 0, 0},
        {"long truncated answer", tronqueeLongue.c_str(), true, 0, false, 0, 0, 1},
        {"a tag with very many attributes", tropDAttributs.c_str(), true, 0, false, 0, 0, 1},
        {"attributes and equal signs an answer may have", attributsPermis.c_str(), false, 0, true, 7, 0, 0},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        // A previous success must never show through.
        ReponseCreateXML = ReponseXML{0, {}, {}, {}, true, 999};
        TestDialogs().shown.clear();
        ReinitialiserListes();
        QFile::remove(fichier());
        if (c.contenu) EcrireFichierTest(fichier(), QByteArray(c.contenu));
        bool err = !c.err;
        LectureFichierXMLRequete_00_Generique_01_CreateXML(fichier(), QString(), err);
        EXPECT_EQ(err, c.err);
        EXPECT_EQ(ReponseCreateXML.Code, c.code);
        EXPECT_EQ(ReponseCreateXML.Result, c.result);
        EXPECT_EQ(ReponseCreateXML.Id, c.id);
        EXPECT_EQ(int(TestDialogs().shown.size()), c.boites);
        const QStringList log = lignesLog();
        EXPECT_EQ(log.size(), c.lignesLog) << log.join('\n').toStdString();
        if (c.lignesLog == 1) {
            EXPECT_TRUE(log[0].endsWith(QStringLiteral("Err: Unable to read the xml file:") + fichier()));
        }
    }
}

TEST_F(AnswerReadersTest, ErrorAnswerMessages) {
    struct Cas {
        const char* contenu;
        QString message;
    };
    const QString F = fichier();
    const Cas cas[] = {
        {"<R><Code>501</Code><Error><errorcode>Clt 12</errorcode></Error></R>",
         QStringLiteral("Cet élément n'existe pas dans la base: ") + CRLF + CRLF + QStringLiteral("Clt 12")},
        {"<R><Code>501</Code></R>", QStringLiteral("Cet élément n'existe pas dans la base: ") + CRLF + CRLF},
        {"<R><Code>500</Code><Error><ErrorCode>Z</ErrorCode></Error></R>",
         QStringLiteral("Aucunes données dans la basse sur le Net")},
        {"<R><Code>1001</Code><Error><ERRORCODE>CltNom</ERRORCODE></Error></R>",
         QStringLiteral("Paramètre(s) invalide(s) pour la requête: ") + CRLF + CRLF + QStringLiteral("CltNom")},
        {"<R><Code>42</Code></R>", QStringLiteral("Impossible de lire le fichier:") + CRLF + CRLF + F + CRLF + CRLF +
                                       QStringLiteral("Code retour erreur: 42")},
    };
    for (const Cas& c : cas) {
        TestDialogs().shown.clear();
        EcrireFichierTest(F, QByteArray(c.contenu));
        bool err = false;
        LectureFichierXMLRequete_00_Generique_01_UpdateXML(F, QString(), err);
        EXPECT_TRUE(err);
        ASSERT_EQ(boites().size(), 1);
        EXPECT_EQ(boites()[0], c.message);
        EXPECT_EQ(TestDialogs().shown[0].style, Mb::OKOnly | Mb::Exclamation);
    }
    // The last Error element wins field by field.
    EcrireFichierTest(F,
                      "<R><Code>501</Code><Error><Type>T1</Type><ErrorCode>E1</ErrorCode></Error>"
                      "<Error><Message>M2</Message></Error></R>");
    bool err = false;
    LectureFichierXMLRequete_00_Generique_01_DeleteXML(F, QStringLiteral("détail"), err);
    EXPECT_EQ(ReponseDeleteXML.Type, QStringLiteral("T1"));
    EXPECT_EQ(ReponseDeleteXML.ErrorCode, QStringLiteral("E1"));
    EXPECT_EQ(ReponseDeleteXML.Message, QStringLiteral("M2"));
    // Without ErrorCode the caller's detail words the message.
    EcrireFichierTest(F, "<R><Code>1001</Code></R>");
    TestDialogs().shown.clear();
    LectureFichierXMLRequete_00_Generique_01_DeleteXML(F, QStringLiteral("détail"), err);
    EXPECT_EQ(boites()[0],
              QStringLiteral("Paramètre(s) invalide(s) pour la requête: ") + CRLF + CRLF + QStringLiteral("détail"));
}

TEST_F(AnswerReadersTest, AttributesOfAnAnswerInUtf16AreCountedAlike) {
    for (const int n : {3, 300}) {
        QString a;
        for (int i = 0; i < n; ++i) a += QStringLiteral(" a%1='=>'").arg(i);
        const QString xml = QStringLiteral("<R") + a +
                            QStringLiteral("><!-- a='1' --><Code>0</Code><Result>True</Result><Id>3</Id></R>");
        QByteArray octets("\xFF\xFE", 2);
        octets.append(reinterpret_cast<const char*>(xml.utf16()), xml.size() * 2);
        EcrireFichierTest(fichier(), octets);
        bool err = false;
        LectureFichierXMLRequete_00_Generique_01_CreateXML(fichier(), QString(), err);
        EXPECT_EQ(err, n > 256) << n;
        EXPECT_EQ(ReponseCreateXML.Id, n > 256 ? 0 : 3) << n;
    }
}

TEST_F(AnswerReadersTest, ResultsNestedAsDeepAsAnAnswerMayReadAsTheFlatAnswer) {
    // 62 Result elements one in the other, the innermost true, a long note in the outer ones: the
    // same reply as the flat answer (the cost of both is in bench/answer_reader_bench.cpp).
    const std::string note = "<Note>" + std::string(256 * 1024, 'x') + "</Note>";
    const std::string plate = "<R><Code>0</Code><Result>True</Result><Id>42</Id>" + note + "</R>";
    std::string imbriquee = "<R><Code>0</Code>";
    for (int i = 0; i < 61; ++i) imbriquee += "<Result>";
    imbriquee += "<Result>True</Result><Id>42</Id>" + note;
    for (int i = 0; i < 61; ++i) imbriquee += "</Result>";
    imbriquee += "</R>";
    for (const std::string& contenu : {plate, imbriquee}) {
        ReponseCreateXML = ReponseXML{};
        EcrireFichierTest(fichier(), QByteArray::fromStdString(contenu));
        bool err = true;
        LectureFichierXMLRequete_00_Generique_01_CreateXML(fichier(), QString(), err);
        EXPECT_FALSE(err);
        EXPECT_TRUE(ReponseCreateXML.Result);
        EXPECT_EQ(ReponseCreateXML.Id, 42);
    }
    EXPECT_TRUE(lignesLog().isEmpty());
}

TEST_F(AnswerReadersTest, BrokenValueFailsTheReadAndResetsTheRecord) {
    // An Id of 400 nines is beyond every double: an overflow, never Id 0.
    const std::string neufs = "<R><Code>0</Code><Result>True</Result><Id>" + std::string(400, '9') + "</Id></R>";
    for (const std::string& contenu : {std::string("<R><Code>0</Code><Result>True</Result><Id>99999999999</Id></R>"),
                                       std::string("<R><Code>99999999999</Code></R>"), neufs}) {
        SCOPED_TRACE(contenu);
        ReponseCreateXML = ReponseXML{0, {}, {}, {}, true, 5};
        EcrireFichierTest(fichier(), QByteArray::fromStdString(contenu));
        bool err = false;
        LectureFichierXMLRequete_00_Generique_01_CreateXML(fichier(), QString(), err);
        EXPECT_TRUE(err);
        EXPECT_FALSE(ReponseCreateXML.Result);
        EXPECT_EQ(ReponseCreateXML.Id, 0);
        // Reported once, as an incident naming the reader.
        EXPECT_TRUE(lignesLog().join('\n').contains(
            QStringLiteral("Lib_XML:LectureFichierXMLRequete_00_Generique_01_CreateXML")));
        EXPECT_TRUE(TestDialogs().shown.empty());
    }
}

}  // namespace
