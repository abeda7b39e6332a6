// The generic answer readers: return code, result and id, error answers and their messages, and
// the files that are no answer (missing, empty, HTML, XHTML, DTD, other text, broken values).
#include "support/fixture.h"
#include "support/scripted_dialogs.h"
#include "sync/answer_readers.h"

#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "platform/app_error.h"

#include <QFile>
#include <QStringEncoder>
#include <string>

namespace {

const QString CRLF = QStringLiteral("\r\n");

// n attributes, named with the letter and their rank.
QString Attributs(int n, const QString& lettre) {
    QString a;
    for (int i = 0; i < n; ++i) a += QStringLiteral(" %1%2='1'").arg(lettre).arg(i);
    return a;
}

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
    const auto attributs = [](int n) { return Attributs(n, QStringLiteral("a")).toStdString(); };
    const std::string tropDAttributs = "<R" + attributs(100000) + "><Code>0</Code><Result>True</Result></R>";
    const std::string egal(1000, '=');
    const std::string attributsPermis = "<?xml version=\"1.0\"?><?pi " + egal + "?><!-- " + egal + " --><R" +
                                        attributs(255) + " v='" + egal + ">'><Code>0</Code><Result b=\"" + egal +
                                        "\">True</Result>" + egal + "<![CDATA[<x " + egal + "]]><Id>7</Id></R>";
    // Tags of 200 attributes each: a few read, an answer made of them is refused once they have asked
    // the reader for more checks than its size allows. Tags of a few attributes read however many.
    const auto balises = [&](int n, int attributsParBalise) {
        std::string r = "<R><Code>0</Code><Result>True</Result><Id>8</Id>";
        for (int i = 0; i < n; ++i) r += "<a" + attributs(attributsParBalise) + "/>";
        return r + "</R>";
    };
    const std::string quelquesBalises = balises(2, 200);
    const std::string balisesChargees = balises(1000, 200);
    const std::string beaucoupDeBalises = balises(50000, 3);
    // What follows the root, read in a later piece than the root: blanks, comments and
    // instructions only.
    const std::string racineLongue = "<R><Code>0</Code><Result>True</Result><Id>9</Id></R>" + remplissage;
    const std::string finPermise = racineLongue + "<!-- fin --><?fin ?>\r\n" + remplissage;
    const std::string elementApres = racineLongue + "<R/>";
    const std::string texteApres = racineLongue + "x";
    const std::string commentaireOuvert = racineLongue + "<!-- fin";
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
        {"a few tags with many attributes", quelquesBalises.c_str(), false, 0, true, 8, 0, 0},
        {"an answer made of tags with many attributes", balisesChargees.c_str(), true, 0, false, 0, 0, 1},
        {"many tags with a few attributes", beaucoupDeBalises.c_str(), false, 0, true, 8, 0, 0},
        {"blanks, a comment and an instruction after the root", finPermise.c_str(), false, 0, true, 9, 0, 0},
        {"an element after the root", elementApres.c_str(), true, 0, false, 0, 0, 1},
        {"text after the root", texteApres.c_str(), true, 0, false, 0, 0, 1},
        {"a comment left open after the root", commentaireOuvert.c_str(), true, 0, false, 0, 0, 1},
        {"an encoding nobody knows", "<?xml version='1.0' encoding='x-kirvo'?><R><Result>True</Result></R>", true, 0,
         false, 0, 0, 1},
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

TEST_F(AnswerReadersTest, AnswersNotValidInTheirEncodingAreRefused) {
    // A byte that is not valid in the answer's encoding would reach the readers as U+FFFD: a name
    // read "Caf\uFFFD" and sent back to the web so, an error code read as 5, an Id read as 77, or
    // Result true where the Id tag was. Such an answer is unreadable, wherever the byte lies.
    const QByteArray succes = "<R><Code>0</Code><Result>true</Result><Id>77</Id><Message>Caf</Message></R>";
    const auto avec = [&](const QByteArray& octets) {
        return QByteArray(succes).replace("Caf<", "Caf" + octets + "<");
    };
    const QByteArray blancs(70 * 1024, ' ');  // past the first piece the answer is read in
    const auto utf16 = [](const QString& xml, const QByteArray& apres = {}) {
        QByteArray b("\xFF\xFE", 2);
        b.append(reinterpret_cast<const char*>(xml.utf16()), xml.size() * 2);
        return b + apres;
    };
    const QString succes16 = QString::fromLatin1(succes);
    const auto avec16 = [&](char16_t unite) {
        return utf16(QString(succes16).replace(QStringLiteral("Caf<"), QStringLiteral("Caf") + QChar(unite) + '<'));
    };
    struct Cas {
        const char* nom;
        QByteArray contenu;
    };
    const Cas cas[] = {
        // Kept as a service sent them.
        {"a code with a Latin-1 byte", LireFichierTest(ReponseDeTest("answer-invalid-byte-in-code.xml"))},
        {"an Id with a Latin-1 byte", LireFichierTest(ReponseDeTest("answer-invalid-byte-in-id.xml"))},
        {"bad bytes where the Id tag was", LireFichierTest(ReponseDeTest("answer-invalid-bytes-break-id-tag.xml"))},
        {"Latin-1 text with no declaration", LireFichierTest(ReponseDeTest("answer-latin1-bytes-no-declaration.xml"))},
        {"an encoded surrogate", LireFichierTest(ReponseDeTest("answer-utf8-encoded-surrogate.xml"))},
        {"a UTF-8 mark declaring ISO-8859-1", LireFichierTest(ReponseDeTest("answer-utf8-bom-declares-latin1.xml"))},
        {"a UTF-16 mark declaring UTF-8", LireFichierTest(ReponseDeTest("answer-utf16-bom-declares-utf8.xml"))},
        {"a UTF-16 mark declaring ISO-8859-1",
         LireFichierTest(ReponseDeTest("answer-utf16-bom-declares-latin1-code.xml"))},
        {"ISO-8859-1 bytes declared UTF-8", "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + avec("\xEA"
                                                                                                "perie Mar\xE9"
                                                                                                "e")},
        {"an overlong sequence", avec("\xC0\xAF")},
        {"a byte no character begins with", avec("\xFF")},
        {"a bad byte in a later piece", avec(blancs + "\xB0")},
        {"a bad byte in a comment after the root, in a later piece", succes + blancs + "<!-- \xE9 -->"},
        {"a character cut short at the end", succes + "\xE2\x82"},
        {"a character cut short after a line end", succes + "\r\n\xC3"},
        {"a lone first half in UTF-16", avec16(0xD800)},
        {"a lone second half in UTF-16", avec16(0xDC00)},
        {"a first half at the end in UTF-16", utf16(succes16, QByteArray("\x00\xD8", 2))},
        {"an odd byte at the end in UTF-16", utf16(succes16, QByteArray("\n"))},
        // Not the encoding, but what followed it: refused by the reader before it decoded itself.
        {"a second declaration after the root, in a later piece", succes + blancs + "<?xml version=\"1.0\"?>"},
        {"a comment holding \"--\" after the root, in a later piece", succes + blancs + "<!-- a -- b -->"},
        {"UTF-16 with no byte order mark, declared UTF-16",
         QStringEncoder(QStringConverter::Utf16BE)(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>") +
                                                   QString::fromLatin1(succes))},
        {"a declaration after the first piece",
         blancs + "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + avec("\xE9")},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        ASSERT_FALSE(c.contenu.isEmpty());
        ReponseCreateXML = ReponseXML{0, {}, {}, {}, true, 999};
        TestDialogs().shown.clear();
        ReinitialiserListes();
        EcrireFichierTest(fichier(), c.contenu);
        bool err = false;
        LectureFichierXMLRequete_00_Generique_01_CreateXML(fichier(), QString(), err);
        EXPECT_TRUE(err);
        EXPECT_EQ(ReponseCreateXML.Code, 0);
        EXPECT_FALSE(ReponseCreateXML.Result);
        EXPECT_EQ(ReponseCreateXML.Id, 0);
        EXPECT_TRUE(TestDialogs().shown.empty());
        const QStringList log = lignesLog();
        EXPECT_EQ(log.size(), 1) << log.join('\n').toStdString();
        if (!log.isEmpty())
            EXPECT_TRUE(log[0].endsWith(QStringLiteral("Err: Unable to read the xml file:") + fichier()));
    }

    // The same characters, valid, read right wherever the pieces cut them: the text of a 501
    // answer is kept whole, its multi-byte characters across the end of the first piece.
    for (int decalage = 0; decalage < 4; ++decalage) {
        SCOPED_TRACE(decalage);
        const QByteArray debut = "<R><Code>501</Code><Error><ErrorCode>";
        const QString texte = QString(64 * 1024 - debut.size() - decalage, QLatin1Char('a')) +
                              QStringLiteral("\u00EA\u20AC\U0001F600\u00E9");
        EcrireFichierTest(fichier(), debut + texte.toUtf8() + "</ErrorCode></Error></R>");
        bool err = false;
        LectureFichierXMLRequete_00_Generique_01_DeleteXML(fichier(), QString(), err);
        EXPECT_TRUE(err);
        EXPECT_TRUE(ReponseDeleteXML.ErrorCode == texte);
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

TEST_F(AnswerReadersTest, EveryEncodingReadsAndHasItsAttributesCounted) {
    // Each encoding, with or without its byte order mark, or named by the declaration. In UTF-16
    // the names of the hostile root hold U+013E, whose low byte is ">": counted on bytes, that root
    // would reach the XML reader whole (25 s of checks, then a success).
    struct Codage {
        const char* nom;
        const char* declare;  // the declaration's encoding, nullptr: no declaration
        QStringConverter::Encoding codage;
        bool bom;
        const char* codageNomme = nullptr;  // an encoding of the declaration's own
    };
    const Codage codages[] = {
        {"UTF-8", nullptr, QStringConverter::Utf8, false},
        {"UTF-8 with BOM", "utf-8", QStringConverter::Utf8, true},
        {"UTF-16LE with BOM", "UTF-16", QStringConverter::Utf16LE, true},
        {"UTF-16BE with BOM", nullptr, QStringConverter::Utf16BE, true},
        {"UTF-16LE", nullptr, QStringConverter::Utf16LE, false},
        {"UTF-16BE", "UTF-16BE", QStringConverter::Utf16BE, false},
        {"UTF-32LE with BOM", nullptr, QStringConverter::Utf32LE, true},
        {"windows-1252", "windows-1252", QStringConverter::Latin1, false, "windows-1252"},
    };
    for (const Codage& c : codages) {
        SCOPED_TRACE(c.nom);
        const bool unicode = !c.codageNomme;
        const QString lettre = unicode ? QStringLiteral("\u013E") : QStringLiteral("\u00E9");
        // A long text crosses the pieces a long answer is read in, at every place of its characters.
        QString texte;
        for (int i = 0; i < 40000; ++i)
            texte += unicode ? QStringLiteral("\u00E9\u20AC\U0001F600") : QStringLiteral("\u00E9\u20AC");
        const QString declaration =
            c.declare ? QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>\r\n").arg(QLatin1String(c.declare))
                      : QString();
        const auto ecrire = [&](const QString& xml) {
            QByteArray octets;
            if (c.codageNomme) {
                QStringEncoder e(c.codageNomme);
                octets = e(declaration + xml);
            } else {
                QStringEncoder e(c.codage, c.bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
                octets = e(declaration + xml);
            }
            EcrireFichierTest(fichier(), octets);
        };
        struct Cas {
            const char* nom;
            QString xml;
            bool err;
            int32_t id;
            int lignesLog;
        };
        const Cas cas[] = {
            {"attributes, comments, CDATA",
             QStringLiteral("<R a=\"=>\" %1='x>y'><!-- a='1' > --><Code>0</Code><![CDATA[<x a=1 b=2>]]>"
                            "<Result b='&lt;>'>True</Result><Id>3</Id></R>")
                 .arg(lettre),
             false, 3, 0},
            {"a root with 300 attributes",
             QStringLiteral("<R") + Attributs(300, lettre) + QStringLiteral("><Result>True</Result><Id>3</Id></R>"),
             true, 0, 1},
            {"a root with 100,000 attributes",
             QStringLiteral("<R") + Attributs(100000, lettre) + QStringLiteral("><Result>True</Result><Id>3</Id></R>"),
             true, 0, 1},
        };
        for (const Cas& k : cas) {
            SCOPED_TRACE(k.nom);
            ReinitialiserListes();
            ecrire(k.xml);
            bool err = !k.err;
            LectureFichierXMLRequete_00_Generique_01_CreateXML(fichier(), QString(), err);
            EXPECT_EQ(err, k.err);
            EXPECT_EQ(ReponseCreateXML.Id, k.id);
            EXPECT_EQ(lignesLog().size(), k.lignesLog);
        }
        ecrire(QStringLiteral("<R><Code>501</Code><Error><ErrorCode>") + texte +
               QStringLiteral("</ErrorCode></Error></R>"));
        bool err = false;
        LectureFichierXMLRequete_00_Generique_01_DeleteXML(fichier(), QString(), err);
        EXPECT_TRUE(err);
        EXPECT_TRUE(ReponseDeleteXML.ErrorCode == texte);
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
