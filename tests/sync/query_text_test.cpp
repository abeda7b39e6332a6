// Query values: their encoding, and that they reach the web service intact.
#include "foundation/conversions.h"
#include "sync/query_text.h"
#include "web_fixture.h"

namespace {

TEST(QueryText, EncodingOfValues) {
    struct Cas {
        QString entree;
        bool plus;
        const char* sortie;
    };
    const Cas cas[] = {
        {QString(), true, ""},
        {QStringLiteral("Café"), true, "Caf%C3%A9"},
        {QStringLiteral("Crème brûlée"), true, "Cr%C3%A8me%20br%C3%BBl%C3%A9e"},
        {QStringLiteral("A+B"), true, "A%2BB"},
        {QStringLiteral("A+B"), false, "A+B"},
        {QStringLiteral("1+1+1"), true, "1%2B1%2B1"},
        {QStringLiteral("A & B=C #1 100%"), true, "A%20%26%20B%3DC%20%231%20100%25"},
        {QStringLiteral("   "), true, "%20%20%20"},
        {QStringLiteral("a-b.c_d~e"), true, "a-b.c_d~e"},
        {QString(QChar(0x81)), true, "%C2%81"},
    };
    for (const Cas& c : cas) EXPECT_EQ(UTF8_Encode_System(c.entree, c.plus), QString::fromLatin1(c.sortie)) << c.sortie;

    EXPECT_EQ(ChaineRequete()
                  .ajouter(QStringLiteral("CltIdQD"), QStringLiteral("AB      "))
                  .ajouter(QStringLiteral("CltNom"), QStringLiteral("A & B"))
                  .ajouter(QStringLiteral("CltIdWeb"), 256)
                  .texte(),
              QStringLiteral("?CltIdQD=AB%20%20%20%20%20%20&CltNom=A%20%26%20B&CltIdWeb=256"));
}

TEST(QueryText, TelephoneNumbers) {
    struct Cas {
        const char* entree;
        const char* sortie;
    };
    const Cas cas[] = {
        {" 01 23 45 67 89 ", "01-23-45-67-89"},
        {"01.23.45.67.89", "01-23-45-67-89"},
        {"", "  -  -  -  -  "},
        {"0612", "06-12-  -  -  "},
        {"+33 (0)1 23 45 67 89", "33-01-23-45-67"},
    };
    for (const Cas& c : cas)
        EXPECT_EQ(FormatNoTel(QString::fromLatin1(c.entree)), QString::fromLatin1(c.sortie)) << c.entree;
}

TEST_F(WebTest, ValuesArriveIntactAtTheService) {
    const QStringList valeurs = {QStringLiteral("Dupont+Fils"),
                                 QStringLiteral("A & B"),
                                 QStringLiteral("x=y"),
                                 QStringLiteral("n°#12"),
                                 QStringLiteral("100% pur"),
                                 QStringLiteral("Crème brûlée"),
                                 QStringLiteral("  deux  blancs  "),
                                 QStringLiteral("CODE+01 ")};
    for (const QString& v : valeurs) {
        SCOPED_TRACE(v.toStdString());
        web.effacerRequetes();
        const QString requete = ChaineRequete()
                                    .ajouter(QStringLiteral("CltIdQD"), v)
                                    .ajouter(QStringLiteral("CltNom"), v)
                                    .ajouter(QStringLiteral("CltSynchroWeb"), QStringLiteral("1"));
        ASSERT_TRUE(EchangeWeb(parametres.adresse, EntiteWeb::Client, OperationWeb::CreateXML, requete,
                               QStringLiteral("Lib_Kirvo:Test")));
        const auto r = web.requetes();
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].parametres.size(), 3);
        EXPECT_EQ(r[0].valeur(QStringLiteral("CltIdQD")), v);
        EXPECT_EQ(r[0].valeur(QStringLiteral("CltNom")), v);
    }
}

}  // namespace
