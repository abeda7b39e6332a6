#include "foundation/log_lists.h"
#include "options/udp_link.h"
#include "options/udp_messages.h"
#include "support/fixture.h"

#include <QHostAddress>

#include <string>

namespace {

class UdpMessagesTest : public KirvoTest {
protected:
    bool journalContient(const QString& texte) const {
        for (const QString& l : lignesLog())
            if (l.contains(texte)) return true;
        return false;
    }
};

// --- tags -------------------------------------------------------------------------------------------

struct CasMessage {
    const char* message;
    MessageUDP attendu;
};

TEST_F(UdpMessagesTest, TagsOfAQueuedMessageAreReadWithTheirTypes) {
    const std::string neufs = "<NoZone:" + std::string(400, '9') + "><NoStation:" + std::string(400, '9') + ">";
    const CasMessage cas[] = {
        {"<Do:Play><EmissionId:E12><ArticleId:A7><SongId:S99><SoundFile:C:\\Sons\\a.wav><GIEOnly:1><NoZone:3><"
         "NoStation:2>",
         {"Play", "E12", "A7", "S99", "C:\\Sons\\a.wav", "1", 3, 2}},
        // letter case of the tag names does not matter; values keep theirs
        {"<do:Stop><songid:Ab><nozone: 4>", {"Stop", "", "", "Ab", "", "", 4, -1}},
        // absent tags: empty texts, zone 0, station -1; a blank station is absent too
        {"texte libre", {"", "", "", "", "", "", 0, -1}},
        {"<NoStation:   ><NoZone:x>", {"", "", "", "", "", "", 0, -1}},
        // numbers: halves to the even neighbour, a sign, text after the number ignored
        {"<NoZone:2.5><NoStation:-3abc>", {"", "", "", "", "", "", 2, -3}},
        // out of 16 bits: the default, not a wrapped value
        {"<NoZone:70000><NoStation:99999>", {"", "", "", "", "", "", 0, -1}},
        // beyond every double: out of range too, never 0
        {neufs.c_str(), {"", "", "", "", "", "", 0, -1}},
        // a tag without its ">" has no value
        {"<Do:Play", {"", "", "", "", "", "", 0, -1}},
        // the first occurrence wins
        {"<SongId:1><SongId:2>", {"", "", "", "1", "", "", 0, -1}},
    };
    for (const CasMessage& c : cas) {
        SCOPED_TRACE(c.message);
        const MessageUDP m = LireMessageUDP(QString::fromUtf8(c.message));
        EXPECT_EQ(m.Do, c.attendu.Do);
        EXPECT_EQ(m.EmissionId, c.attendu.EmissionId);
        EXPECT_EQ(m.ArticleId, c.attendu.ArticleId);
        EXPECT_EQ(m.SongId, c.attendu.SongId);
        EXPECT_EQ(m.SoundFile, c.attendu.SoundFile);
        EXPECT_EQ(m.GIEOnly, c.attendu.GIEOnly);
        EXPECT_EQ(m.NoZone, c.attendu.NoZone);
        EXPECT_EQ(m.NoStation, c.attendu.NoStation);
    }
}

TEST_F(UdpMessagesTest, TheRequestIdIsNotFoundInsideAnotherTag) {
    struct Cas {
        const char* message;
        const char* id;
        const char* adresse;
        int64_t port;
    };
    const Cas cas[] = {
        {"<Do:Check><Id:42><Address:127.0.0.1><NoPort:5000>", "42", "127.0.0.1", 5000},
        {"<Do:Check><SongId:777><Id:42><Address:10.0.0.5><NoPort:6000>", "42", "10.0.0.5", 6000},
        {"<Do:Check><SongId:777><Address:10.0.0.5>", "", "10.0.0.5", 0},
        {"<Do:Check><EmissionId:9><ArticleId:8>", "", "", 0},
        {"<DO:CHECK><ID:x><NOPORT: 7000.5>", "x", "", 7000},
        {"<Do:Check><NoPort:99999999999999>", "", "", 0},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.message);
        const DemandeCheck d = LireDemandeCheck(QString::fromLatin1(c.message));
        EXPECT_EQ(d.id, QString::fromLatin1(c.id));
        EXPECT_EQ(d.adresse, QString::fromLatin1(c.adresse));
        EXPECT_EQ(d.port, c.port);
    }
    EXPECT_EQ(ReponseCheck(QStringLiteral("42")), QStringLiteral("<Check:42>"));
    EXPECT_EQ(ReponseCheck(QString()), QStringLiteral("<Check:>"));
}

TEST_F(UdpMessagesTest, OnlyAMessageThatBeginsWithTheCheckTagIsACheckRequest) {
    EXPECT_TRUE(EstDemandeCheck(QStringLiteral("<Do:Check><Id:1>")));
    EXPECT_TRUE(EstDemandeCheck(QStringLiteral("<dO:cHeCk>")));
    EXPECT_FALSE(EstDemandeCheck(QStringLiteral(" <Do:Check><Id:1>")));
    EXPECT_FALSE(EstDemandeCheck(QStringLiteral("<Id:1><Do:Check>")));
    EXPECT_FALSE(EstDemandeCheck(QStringLiteral("<Check:1>")));
}

// --- where a check reply may go ----------------------------------------------------------------------

TEST_F(UdpMessagesTest, CheckRepliesGoOnlyToALiteralUnicastAddress) {
    struct Cas {
        const char* adresse;
        int64_t port;
        RefusReponse attendu;
    };
    const Cas cas[] = {
        {"127.0.0.1", 5000, RefusReponse::Aucun},
        {" 192.168.12.7 ", 96, RefusReponse::Aucun},
        {"::1", 5000, RefusReponse::Aucun},
        {"", 5000, RefusReponse::AdresseVide},
        {"localhost", 5000, RefusReponse::AdresseNonLitterale},
        {"poste-regie.example", 5000, RefusReponse::AdresseNonLitterale},
        {"127.0.0.1:5000", 5000, RefusReponse::AdresseNonLitterale},
        {"255.255.255.255", 5000, RefusReponse::Diffusion},
        {"::ffff:255.255.255.255", 5000, RefusReponse::Diffusion},
        {"224.0.0.1", 5000, RefusReponse::Multidiffusion},
        {"239.255.255.250", 1900, RefusReponse::Multidiffusion},
        {"ff02::1", 5000, RefusReponse::Multidiffusion},
        {"0.0.0.0", 5000, RefusReponse::AdresseNulle},
        {"::", 5000, RefusReponse::AdresseNulle},
        {"127.0.0.1", 0, RefusReponse::PortInvalide},
        {"127.0.0.1", -4, RefusReponse::PortInvalide},
        {"127.0.0.1", 65536, RefusReponse::PortInvalide},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.adresse);
        QHostAddress a;
        EXPECT_EQ(ControleDestinationReponse(QString::fromLatin1(c.adresse), c.port, &a), c.attendu);
        EXPECT_EQ(a.isNull(), c.attendu != RefusReponse::Aucun);
        EXPECT_EQ(TexteRefusReponse(c.attendu).isEmpty(), c.attendu == RefusReponse::Aucun);
    }
}

// --- log lines of hostile texts ---------------------------------------------------------------------

TEST_F(UdpMessagesTest, ControlCharactersAreEscapedAndLongTextsCut) {
    struct Cas {
        QString texte;
        QString attendu;
    };
    const Cas cas[] = {
        {QStringLiteral("<Do:Play>"), QStringLiteral("<Do:Play>")},
        {QStringLiteral("a\r\n12:00:00:000 -1 -1 -1    0 faux"),
         QStringLiteral("a\\r\\n12:00:00:000 -1 -1 -1    0 faux")},
        {QString::fromLatin1("x\0y", 3), QStringLiteral("x\\0y")},
        {QStringLiteral("\t\x1b[2J\x7f"), QStringLiteral("\\t\\x1b[2J\\x7f")},
        {QString(QChar(0x85)) + QChar(0x2028), QStringLiteral("\\x85\\x2028")},
        {QStringLiteral("C:\\Pod\\é€.ini"), QStringLiteral("C:\\Pod\\é€.ini")},
    };
    for (const Cas& c : cas) EXPECT_EQ(TexteJournalUDP(c.texte), c.attendu);

    const QString long_ = QString(5000, QLatin1Char('A')) + QStringLiteral("\nfin");
    const QString coupe = TexteJournalUDP(long_);
    EXPECT_TRUE(coupe.startsWith(QString(LongueurMaxTexteJournal, QLatin1Char('A'))));
    EXPECT_LT(coupe.size(), LongueurMaxTexteJournal + 60);
    EXPECT_TRUE(coupe.contains(QStringLiteral("(4604 caractères de plus)"))) << coupe.toStdString();
    EXPECT_FALSE(coupe.contains(QLatin1Char('\n')));
}

// --- the podcast rewrite ----------------------------------------------------------------------------

TEST_F(UdpMessagesTest, APodcastFileMessageBecomesASongMessage) {
    struct Cas {
        const char* message;
        const char* attendu;  // nullptr: left as it is
    };
    const Cas cas[] = {
        {"<POD:C:\\Podcasts\\123456_Podcast.ini>", "<Do:Podcast><SongId:123456>"},
        {"<pod:D:\\P\\A1_PODCAST.INI><NoZone:2>", "<Do:Podcast><SongId:A1>"},
        {"<POD:/srv/pod/77_Podcast.ini>", "<Do:Podcast><SongId:77>"},
        {"<POD:C:\\Podcasts\\123456.mp3>", nullptr},
        {"<Do:Play><POD:C:\\x\\1_Podcast.ini>", nullptr},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.message);
        QString nouveau = QStringLiteral("inchangé");
        const bool r = ReecriturePodcast(QString::fromLatin1(c.message), nouveau);
        EXPECT_EQ(r, c.attendu != nullptr);
        EXPECT_EQ(nouveau, c.attendu ? QString::fromLatin1(c.attendu) : QStringLiteral("inchangé"));
    }
    const MessageUDP m = UDPArrival(QStringLiteral("<POD:C:\\Podcasts\\123456_Podcast.ini>"));
    EXPECT_EQ(m.Do, QStringLiteral("Podcast"));
    EXPECT_EQ(m.SongId, QStringLiteral("123456"));
    EXPECT_TRUE(journalContient(
        QStringLiteral("Podcast: Change: <POD:C:\\Podcasts\\123456_Podcast.ini> |To: <Do:Podcast><SongId:123456>")));
}

// --- file-name placeholders -------------------------------------------------------------------------

TEST_F(UdpMessagesTest, PlaceholdersOfTheFileNameAreReplacedOnce) {
    horloge.setNow(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    struct Cas {
        const char* chemin;
        const char* attendu;
    };
    const Cas cas[] = {
        {"C:\\Pod\\sans_balise.mp3", "C:\\Pod\\sans_balise.mp3"},
        {"C:\\Pod\\<YYYY><MM><DD>_<HH><NN>.mp3", "C:\\Pod\\20240305_1407.mp3"},
        {"C:\\Pod\\<yyyy>-<mm>.mp3", "C:\\Pod\\2024-03.mp3"},
        {"C:\\Pod\\<POD_ID>_<Lib_Emission>_<ART_ID>_<article_lib>_<ZZ>.mp3", "C:\\Pod\\E1_Matin_A2_Sport_01.mp3"},
        {"C:\\Pod\\<rien>.mp3", "C:\\Pod\\rien.mp3"},
        {"C:\\Pod\\a<YYYY.mp3", "C:\\Pod\\a<YYYY.mp3"},
        {"C:\\Pod\\<YYYY>b<MM.mp3", "C:\\Pod\\2024b<MM.mp3"},
        {"C:\\<YYYY>\\<x>.<MM>", "C:\\<YYYY>\\x.<MM>"},
        {"C:\\Pod\\<DDD>.mp3", "C:\\Pod\\mar.mp3"},
        {"C:\\Pod\\<MMMM>.mp3", "C:\\Pod\\mars.mp3"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.chemin);
        EXPECT_EQ(ReplaceBalisePodcast(QString::fromUtf8(c.chemin), QStringLiteral("E1"), QStringLiteral("Matin"),
                                       QStringLiteral("A2"), QStringLiteral("Sport"), 0),
                  QString::fromUtf8(c.attendu));
    }
}

TEST_F(UdpMessagesTest, AValueThatReproducesItsPlaceholderDoesNotLoopForever) {
    // Each bracket is read once: the value's own brackets stay as written.
    EXPECT_EQ(ReplaceBalisePodcast(QStringLiteral("C:\\Pod\\<POD_ID>_<ZZ>.mp3"), QStringLiteral("<POD_ID>"), QString(),
                                   QString(), QString(), 9),
              QStringLiteral("C:\\Pod\\<POD_ID>_10.mp3"));
    EXPECT_EQ(ReplaceBalisePodcast(QStringLiteral("<ART_LIB>.ini"), QString(), QString(), QString(),
                                   QStringLiteral("<<ART_LIB>>"), 1),
              QStringLiteral("<<ART_LIB>>.ini"));
}

// --- socket error names -----------------------------------------------------------------------------

TEST_F(UdpMessagesTest, SocketErrorNames) {
    const std::pair<int32_t, const char*> cas[] = {
        {10014, "InvalidArgument"},
        {40014, "InvalidArgument"},
        {10048, "AddressInUse"},
        {10049, "AddressNotAvailable"},
        {7, "OutOfMemory"},
        {40026, "WrongProtocol"},
        {11004, "NoData"},
        {0, ""},
        {10013, ""},
        {10065, ""},
        {-1, ""},
    };
    for (const auto& [n, nom] : cas) EXPECT_EQ(LibSockectErr(n), QString::fromLatin1(nom)) << n;

    // A port the system keeps for its administrator is told plainly.
    const ErreurSocket acces = ErreurDeSocket(QAbstractSocket::SocketAccessError, QStringLiteral("Permission denied"));
    EXPECT_EQ(acces.numero, ErrSocketAccesRefuse);
    EXPECT_TRUE(acces.description.contains(QStringLiteral("1024")));
    EXPECT_EQ(ErreurDeSocket(QAbstractSocket::AddressInUseError, QString()).numero, 10048);
    EXPECT_EQ(ErreurDeSocket(QAbstractSocket::SocketAddressNotAvailableError, QString()).numero, 10049);
    EXPECT_EQ(ErreurDeSocket(QAbstractSocket::UnknownSocketError, QStringLiteral("x")).description,
              QStringLiteral("x"));
}

}  // namespace
