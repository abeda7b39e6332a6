#include "foundation/daily_log.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "foundation/system_info.h"
#include "options/options_fixture.h"
#include "options/options_window.h"
#include "options/udp_link.h"
#include "platform/cp1252.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QTimer>
#include <QTest>
#include <QUdpSocket>

#include <algorithm>
#include <memory>
#include <unistd.h>

namespace {

// A socket of the test on the loopback, on a port of the system's choice.
struct Pair {
    QUdpSocket s;
    Pair() { EXPECT_TRUE(s.bind(QHostAddress::LocalHost, 0)); }
    quint16 port() const { return s.localPort(); }
    QString portTexte() const { return QString::number(port()); }
};

// Waits (pumping events) until the condition holds; a guard, not a measure.
bool attendre(const std::function<bool()>& condition, int maxMs = 5000) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > maxMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// A port free at the time of the call.
quint16 portLibre() {
    QUdpSocket s;
    s.bind(QHostAddress::LocalHost, 0);
    return s.localPort();
}

class UdpLinkTest : public FenetreOptionsTest {
protected:
    void stockerIn(int i, const QString& ip, const QString& port, const QString& actif) {
        EcritureIni(programme(), QStringLiteral("UDP_IN"), QStringLiteral("IP_%1").arg(i), ip);
        EcritureIni(programme(), QStringLiteral("UDP_IN"), QStringLiteral("Port_%1").arg(i), port);
        EcritureIni(programme(), QStringLiteral("UDP_IN"), QStringLiteral("Actif_%1").arg(i), actif);
    }
    QString lire(const char* section, const QString& cle) const {
        return LectureIni(programme(), QString::fromLatin1(section), cle, QStringLiteral("<absent>"));
    }
    // The datagrams a test socket received, as texts.
    static QStringList recus(QUdpSocket& s) {
        QStringList r;
        while (s.hasPendingDatagrams()) r << QString::fromLatin1(s.receiveDatagram().data());
        return r;
    }
    FrmSetup* charger() {
        f = ChargerFrmSetup();
        return f;
    }
    // An output row ready to send.
    void ligne(int i, const QString& ip, const QString& port1, const QString& port2, const QString& texte) {
        f->TexteUDPIPCible[size_t(i)]->setText(ip);
        f->TexteUDPPortCible[size_t(i)]->setText(port1);
        f->TexteUDPPortBCible[size_t(i)]->setText(port2);
        f->TexteUDPDonneeEnvoyees[size_t(i)]->setText(texte);
    }

    FrmSetup* f = nullptr;
};

// --- the channel table ----------------------------------------------------------------------------

TEST_F(UdpLinkTest, ChannelsStoredActiveListenFromTheLoadAndShowTheirState) {
    Pair occupe;
    const quint16 libre = portLibre();
    struct Cas {
        int canal;
        QString ip, port, actif;
        LienUDP::EtatCanal etat;
        const char* etatTexte;  // what the row shows
        const char* journal;    // a log line that tells it
    };
    const Cas cas[] = {
        {1, QStringLiteral("127.0.0.1"), QString::number(libre), QStringLiteral("1"), LienUDP::EtatCanal::EnEcoute,
         "En écoute", "Listen IP: 127.0.0.1:"},
        {2, QStringLiteral("127.0.0.1"), occupe.portTexte(), QStringLiteral("1"), LienUDP::EtatCanal::Refuse,
         "Refusé : adresse déjà utilisée", "Err: AddressInUse: 127.0.0.1:"},
        {3, QStringLiteral("192.0.2.44"), QStringLiteral("7000"), QStringLiteral("1"), LienUDP::EtatCanal::Refuse,
         "Refusé : adresse d'écoute non valide",
         "Err: AddressNotAvailable: 192.0.2.44:7000 |Idx: 3 |FrmSetup:CheckUDPInActif_Click"},
        {4, QStringLiteral("poste-regie"), QStringLiteral("7001"), QStringLiteral("1"), LienUDP::EtatCanal::Refuse,
         "Refusé : adresse d'écoute non valide", "Err: SocketUDP # 4: Err: 10049"},
        {5, QStringLiteral("127.0.0.1"), QStringLiteral("abc"), QStringLiteral("1"), LienUDP::EtatCanal::Refuse,
         "Refusé : port non valide", "Err: SocketUDP # 5: Err: 380 Port non valide"},
        {8, QStringLiteral("127.0.0.1"), QStringLiteral("70000"), QStringLiteral("1"), LienUDP::EtatCanal::Refuse,
         "Refusé : port non valide", "Err: SocketUDP # 8: Err: 380 Port non valide"},
        {6, QStringLiteral("127.0.0.1"), QStringLiteral(" "), QStringLiteral("1"), LienUDP::EtatCanal::Refuse,
         "Refusé : port d'écoute vide", "Err: Unable to Check CheckUDPInActif due to Port source is empty"},
        {7, QStringLiteral("127.0.0.1"), QString::number(portLibre()), QStringLiteral("0"), LienUDP::EtatCanal::Inactif,
         "Inactif", nullptr},
    };
    for (const Cas& c : cas) stockerIn(c.canal, c.ip, c.port, c.actif);
    charger();
    EXPECT_FALSE(f->isVisible());
    EXPECT_TRUE(TestDialogs().shown.empty());  // hidden at load: lines, never a box
    EXPECT_FALSE(bPeripheriquesModifies);
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.canal);
        const size_t k = size_t(c.canal);
        EXPECT_EQ(f->UDP->etatCanal(c.canal), c.etat);
        EXPECT_TRUE(f->LabelUDPEtat[k]->text().startsWith(QString::fromUtf8(c.etatTexte)))
            << f->LabelUDPEtat[k]->text().toStdString();
        if (c.journal) {
            EXPECT_TRUE(journalContient(QString::fromUtf8(c.journal)));
        }
        const bool ecoute = c.etat == LienUDP::EtatCanal::EnEcoute;
        EXPECT_EQ(f->UDP->SocketUDP(c.canal)->state() == QAbstractSocket::BoundState, ecoute);
        // a listening channel's address and port cannot be edited
        EXPECT_EQ(f->TexteUDPIPSource[k]->isEnabled(), !ecoute);
        EXPECT_EQ(f->TexteUDPPortSource[k]->isEnabled(), !ecoute);
        EXPECT_EQ(f->CheckUDPInActif[k]->checkState() == Qt::Checked, c.actif == QStringLiteral("1"));
    }
    // every channel that cannot listen while the window is hidden is an incident, named as the
    // channel table names its errors; the row says it in French
    QStringList incidents;
    for (const QString& l : Listes().incidents(0).lines())
        if (l.contains(QStringLiteral("|FrmSetup:CheckUDPInActif_Click"))) incidents << l;
    for (const char* attendu :
         {"Err: AddressInUse: 127.0.0.1:", "Err: AddressNotAvailable: 192.0.2.44:7000 |Idx: 3",
          "Err: AddressNotAvailable: poste-regie:7001 |Idx: 4", "Err: InvalidPropertyValue: 127.0.0.1:abc |Idx: 5",
          "Err: InvalidPropertyValue: 127.0.0.1:70000 |Idx: 8"}) {
        EXPECT_EQ(std::count_if(incidents.begin(), incidents.end(),
                                [&](const QString& l) { return l.contains(QString::fromUtf8(attendu)); }),
                  1)
            << attendu;
    }
    EXPECT_EQ(incidents.size(), 5) << incidents.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(f->LabelUDPEtat[5]->toolTip().contains(QStringLiteral("« abc » n'est pas un port")));
    // the refused channel's lines come in order: report, listen line, error line
    const QStringList l = journal();
    qsizetype rapport = -1, ecoute = -1, erreur = -1;
    for (qsizetype n = 0; n < l.size(); ++n) {
        if (l[n].contains(QStringLiteral("Err: AddressInUse: 127.0.0.1:"))) rapport = n;
        if (l[n].contains(QStringLiteral("Listen IP: 127.0.0.1:") + occupe.portTexte())) ecoute = n;
        if (l[n].contains(QStringLiteral("Err: SocketUDP # 2: Err: 10048"))) erreur = n;
    }
    EXPECT_TRUE(rapport >= 0 && rapport < ecoute && ecoute < erreur) << rapport << " " << ecoute << " " << erreur;

    // the listening channel receives
    Pair emetteur;
    emetteur.s.writeDatagram(QByteArray("<Do:Play><SongId:5>"), QHostAddress::LocalHost, libre);
    ASSERT_TRUE(attendre([&] { return !f->TexteUDPDonneeRecues[1]->text().isEmpty(); }));
    EXPECT_EQ(f->TexteUDPDonneeRecues[1]->text(), QStringLiteral("<Do:Play><SongId:5>"));
    EXPECT_TRUE(journalContient(QStringLiteral("UDP: Data arrival: <Do:Play><SongId:5>")));
}

TEST_F(UdpLinkTest, UntickingStopsListeningAndTickingAgainRestarts) {
    const quint16 port = portLibre();
    stockerIn(0, QStringLiteral("127.0.0.1"), QString::number(port), QStringLiteral("1"));
    charger();
    ASSERT_EQ(f->UDP->etatCanal(0), LienUDP::EtatCanal::EnEcoute);
    f->CheckUDPInActif[0]->setCheckState(Qt::Unchecked);
    EXPECT_EQ(f->UDP->etatCanal(0), LienUDP::EtatCanal::Inactif);
    EXPECT_EQ(f->LabelUDPEtat[0]->text(), QStringLiteral("Inactif"));
    EXPECT_TRUE(f->TexteUDPPortSource[0]->isEnabled());
    EXPECT_TRUE(bPeripheriquesModifies);
    // the port is free again
    QUdpSocket autre;
    EXPECT_TRUE(autre.bind(QHostAddress::LocalHost, port, QAbstractSocket::DontShareAddress));
    autre.close();
    f->CheckUDPInActif[0]->setCheckState(Qt::Checked);
    EXPECT_EQ(f->UDP->etatCanal(0), LienUDP::EtatCanal::EnEcoute);
}

// Ticked by the user in the shown window: a box, in the words the row uses, and no incident.
TEST_F(UdpLinkTest, AChannelTheUserTicksThatCannotListenGetsTheBox) {
    charger();
    f->show();
    struct Cas {
        int canal;
        QString ip, port;
        QString boite, etat, journal;
    };
    const Cas cas[] = {
        {3, QStringLiteral("300.1.1.1"), QStringLiteral("7000"), QStringLiteral("Adresse d'écoute non valide."),
         QStringLiteral("Refusé : adresse d'écoute non valide"), QStringLiteral("Adresse non valide: 300.1.1.1:7000")},
        {4, QStringLiteral("127.0.0.1"), QStringLiteral("x9"),
         QStringLiteral("Réception, ligne 4, Port : « x9 » n'est pas un port.\r\n\r\nUn port est un nombre de 1 à "
                        "65535."),
         QStringLiteral("Refusé : port non valide"), QStringLiteral("Err: SocketUDP # 4: Err: 380")},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.canal);
        TestDialogs().reset();
        const size_t k = size_t(c.canal);
        f->TexteUDPIPSource[k]->setText(c.ip);
        f->TexteUDPPortSource[k]->setText(c.port);  // as the file may give it
        f->CheckUDPInActif[k]->setCheckState(Qt::Checked);
        ASSERT_EQ(TestDialogs().shown.size(), 1u);
        EXPECT_EQ(TestDialogs().shown[0].prompt, c.boite);
        EXPECT_EQ(TestDialogs().shown[0].style, Mb::Exclamation);
        EXPECT_EQ(f->UDP->etatCanal(c.canal), LienUDP::EtatCanal::Refuse);
        EXPECT_EQ(f->LabelUDPEtat[k]->text(), c.etat);
        EXPECT_TRUE(journalContient(c.journal));
        EXPECT_TRUE(f->CheckUDPInActif[k]->isChecked());
    }
    EXPECT_TRUE(Listes().incidents(0).lines().isEmpty());
}

TEST_F(UdpLinkTest, APrivilegedDefaultPortIsRefusedClearlyForANormalUser) {
    if (geteuid() == 0) GTEST_SKIP() << "the administrator may listen on any port";
    stockerIn(0, QStringLiteral("127.0.0.1"), QStringLiteral("96"), QStringLiteral("1"));  // channel 0's default port
    charger();
    EXPECT_EQ(f->UDP->etatCanal(0), LienUDP::EtatCanal::Refuse);
    EXPECT_EQ(f->LabelUDPEtat[0]->text(), QStringLiteral("Refusé : port réservé à l'administrateur"));
    EXPECT_TRUE(f->LabelUDPEtat[0]->toolTip().contains(QStringLiteral("inférieur à 1024")));
    EXPECT_TRUE(journalContient(QStringLiteral("Err: SocketUDP # 0: Err: 10013")));
}

TEST_F(UdpLinkTest, AnErrorOfTheSocketClosesTheChannelVisibly) {
    stockerIn(2, QStringLiteral("127.0.0.1"), QString::number(portLibre()), QStringLiteral("1"));
    charger();
    ASSERT_EQ(f->UDP->etatCanal(2), LienUDP::EtatCanal::EnEcoute);
    f->UDP->SocketUDP_Error(2, 10054, QStringLiteral("Connexion interrompue par le poste distant"));
    EXPECT_EQ(f->UDP->etatCanal(2), LienUDP::EtatCanal::Ferme);
    EXPECT_TRUE(f->LabelUDPEtat[2]->text().startsWith(QStringLiteral("Fermé : connexion interrompue")));
    EXPECT_NE(f->UDP->SocketUDP(2)->state(), QAbstractSocket::BoundState);
    EXPECT_TRUE(f->CheckUDPInActif[2]->isChecked());
    EXPECT_TRUE(journalContient(QStringLiteral("Err: SocketUDP # 2: Err: 10054 Connexion interrompue")));
}

// A port box takes digits only; a number out of 1 to 65535 is refused when the box is left, and
// the port it held comes back.
TEST_F(UdpLinkTest, APortBoxTakesAPortOnly) {
    charger();
    f->show();
    f->SftTabsOptions->setCurrentIndex(1);
    f->activateWindow();
    QCoreApplication::processEvents();
    QLineEdit* boites[] = {f->TexteUDPPortSource[3], f->TexteUDPPortCible[4], f->TexteUDPPortBCible[4]};
    const char* noms[] = {"Réception, ligne 3, Port", "Emission, ligne 4, Port 1", "Emission, ligne 4, Port 2"};
    for (size_t n = 0; n < 3; ++n) {
        QLineEdit* b = boites[n];
        SCOPED_TRACE(noms[n]);
        b->setText(QStringLiteral("5101"));
        f->SftTabsUDP->setCurrentIndex(n == 0 ? 0 : 1);
        b->setFocus();
        QCoreApplication::processEvents();
        ASSERT_TRUE(b->hasFocus());
        QTest::keyClick(b, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(b, QStringLiteral("a7b 0;0-2"));
        EXPECT_EQ(b->text(), QStringLiteral("7002"));  // what is not a digit does not go in
        QTest::keyClick(b, Qt::Key_Return);
        EXPECT_TRUE(TestDialogs().shown.empty());
        QTest::keyClick(b, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(b, QStringLiteral("700001"));
        EXPECT_EQ(b->text(), QStringLiteral("70000"));
        QTest::keyClick(b, Qt::Key_Return);
        ASSERT_EQ(TestDialogs().shown.size(), 1u);
        EXPECT_EQ(TestDialogs().shown[0].prompt,
                  QString::fromUtf8(noms[n]) + QStringLiteral(" : « 70000 » n'est pas un port.\r\n\r\nUn port est "
                                                              "un nombre de 1 à 65535."));
        EXPECT_EQ(b->text(), QStringLiteral("7002"));
        QTest::keyClick(b, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(b, QStringLiteral("0"));
        QTest::keyClick(b, Qt::Key_Tab);
        EXPECT_FALSE(b->hasFocus());
        EXPECT_EQ(TestDialogs().shown.size(), 2u);
        EXPECT_EQ(b->text(), QStringLiteral("7002"));
        TestDialogs().reset();
    }
}

// Ports the file gave that are not ports: the save writes nothing of the table, says which boxes
// to put right and logs them; put right, the table is saved.
TEST_F(UdpLinkTest, TheTableIsNotSavedWithAPortThatIsNoPort) {
    EcritureIni(programme(), QStringLiteral("UDP_IN"), QStringLiteral("Port_2"), QStringLiteral("abc"));
    EcritureIni(programme(), QStringLiteral("UDP_OUT"), QStringLiteral("PortB_7"), QStringLiteral("99999"));
    charger();
    EXPECT_EQ(f->TexteUDPPortSource[2]->text(), QStringLiteral("abc"));
    f->TexteUDPIPCible[1]->setText(QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(bPeripheriquesModifies);
    f->CommandSave->click();
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_EQ(
        TestDialogs().shown[0].prompt,
        QStringLiteral("Les paramètres UDP n'ont pas été enregistrés : un port est un nombre de 1 à 65535.\r\n\r\n"
                       "Réception, ligne 2, Port : « abc »\r\nEmission, ligne 7, Port 2 : « 99999 »\r\n\r\n"
                       "Corrigez ces ports puis enregistrez à nouveau."));
    EXPECT_TRUE(
        journalContient(QStringLiteral("Err: FrmSetup: SaveSettingsPeripheriques: port non valide: "
                                       "Réception, ligne 2, Port : « abc » | Emission, ligne 7, Port 2 : « 99999 »")));
    EXPECT_TRUE(bPeripheriquesModifies);
    EXPECT_EQ(lire("UDP_OUT", QStringLiteral("IP_1")), QStringLiteral("<absent>"));

    f->TexteUDPPortSource[2]->setText(QStringLiteral("7002"));
    f->TexteUDPPortBCible[7]->clear();
    f->CommandSave->click();
    EXPECT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_FALSE(bPeripheriquesModifies);
    EXPECT_EQ(lire("UDP_OUT", QStringLiteral("IP_1")), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(lire("UDP_IN", QStringLiteral("Port_2")), QStringLiteral("7002"));
}

// At the shutdown there is no later save: "Oui" writes the user's edits, and a port the file gave
// that is no port goes back as it was, named in the log.
TEST_F(UdpLinkTest, TheLastSaveWritesTheEditsAndGivesABadStoredPortBackAsItWas) {
    EcritureIni(programme(), QStringLiteral("UDP_OUT"), QStringLiteral("Port_3"), QStringLiteral("abc"));
    charger();
    f->TexteUDPIPCible[1]->setText(QStringLiteral("127.0.0.1"));
    f->TexteUDPPortBCible[1]->setText(QStringLiteral("6001"));
    f->CommandSave->click();  // refused: the port to put right is named, the edits stay
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    ASSERT_EQ(lire("UDP_OUT", QStringLiteral("IP_1")), QStringLiteral("<absent>"));
    TestDialogs().reset();
    TestDialogs().answers = {Mb::Yes};
    DechargerFrmSetup();
    ASSERT_EQ(TestDialogs().shown.size(), 1u);  // the question, and nothing about lost changes
    EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("Voulez-vous enregistrer les options ?"));
    EXPECT_EQ(lire("UDP_OUT", QStringLiteral("IP_1")), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(lire("UDP_OUT", QStringLiteral("PortB_1")), QStringLiteral("6001"));
    EXPECT_EQ(lire("UDP_OUT", QStringLiteral("Port_3")), QStringLiteral("abc"));
    EXPECT_EQ(lire("UDP_IN", QStringLiteral("Port_0")), QStringLiteral("96"));  // the whole table
    EXPECT_TRUE(journalContient(QStringLiteral(
        "Err: FrmSetup: SaveSettingsPeripheriques: port non valide enregistré tel quel: Emission, ligne 3, Port 1 : "
        "« abc »")));
}

// --- sending ------------------------------------------------------------------------------------------

// The row's ports are taken by their numeric value: port 1 of value 0 (blank, "0", letters) sends
// nothing; a port not positive is left out; a number beyond the ports is left out with a word,
// the other port still getting the text. "P" and "Q" stand for two listeners' ports; texts other
// than digits come from the settings file (the boxes let only digits be typed).
TEST_F(UdpLinkTest, AnOutputRowSendsToEachPortOfPositiveValue) {
    charger();
    struct Cas {
        const char* port1;
        const char* port2;
        bool recuP, recuQ;
        const char* boite;  // the refused port's words, when one is refused
    };
    const Cas cas[] = {
        {"P", "Q", true, true, nullptr},
        {"P", "", true, false, nullptr},
        {"P", "0", true, false, nullptr},
        {"P", "-3", true, false, nullptr},
        {"P", "abc", true, false, nullptr},
        {" P", "Q ", true, true, nullptr},
        {"Pabc", "", true, false, nullptr},  // the number the text begins with
        {"-5", "Q", false, true, nullptr},
        {"0", "Q", false, false, nullptr},
        {"", "Q", false, false, nullptr},
        {"abc", "Q", false, false, nullptr},
        {"70000", "Q", false, true, "Emission, ligne 4, Port 1 : « 70000 » n'est pas un port."},
        {"P", "99999", true, false, "Emission, ligne 4, Port 2 : « 99999 » n'est pas un port."},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(std::string(c.port1) + " / " + c.port2);
        TestDialogs().reset();
        Pair a, b;
        const auto port = [&](const char* t) {
            return QString::fromLatin1(t)
                .replace(QLatin1Char('P'), a.portTexte())
                .replace(QLatin1Char('Q'), b.portTexte());
        };
        const int avant = lignesContenant(QStringLiteral("UDP: Send to: "));
        ligne(4, QStringLiteral("127.0.0.1"), port(c.port1), port(c.port2), QStringLiteral("  <Do:Play><SongId:9>  "));
        f->BtnUDPSend[4]->click();
        if (c.recuP) {
            ASSERT_TRUE(attendre([&] { return a.s.hasPendingDatagrams(); }));
        }
        if (c.recuQ) {
            ASSERT_TRUE(attendre([&] { return b.s.hasPendingDatagrams(); }));
        }
        QCoreApplication::processEvents();
        const QStringList texte{QStringLiteral("<Do:Play><SongId:9>")};
        EXPECT_EQ(recus(a.s), c.recuP ? texte : QStringList{});
        EXPECT_EQ(recus(b.s), c.recuQ ? texte : QStringList{});
        // each send framed by its two lines, which show the port's text
        EXPECT_EQ(lignesContenant(QStringLiteral("UDP: Send to: ")) - avant, int(c.recuP) + int(c.recuQ));
        if (c.recuQ) {
            EXPECT_TRUE(journalContient(QStringLiteral("UDP: NoAddress: 4| 127.0.0.1:") + port(c.port2) +
                                        QStringLiteral(" <Do:Play><SongId:9>")));
        }
        if (c.boite) {
            ASSERT_EQ(TestDialogs().shown.size(), 1u);
            EXPECT_EQ(TestDialogs().shown[0].prompt,
                      QString::fromUtf8(c.boite) +
                          QStringLiteral("\r\n\r\nUn port est un nombre de 1 à 65535.\r\n\r\nLe message n'a pas été "
                                         "envoyé à ce port."));
            const bool premier = QString::fromUtf8(c.boite).contains(QStringLiteral("Port 1"));
            EXPECT_TRUE(journalContient(QStringLiteral("Err: UDP: Port non valide: ") +
                                        port(premier ? c.port1 : c.port2) + QStringLiteral(" |Idx: 4 |Port ") +
                                        (premier ? QStringLiteral("1") : QStringLiteral("2")) +
                                        QStringLiteral(" |Pas d'envoi à ce port")));
        } else {
            EXPECT_TRUE(TestDialogs().shown.empty());
        }
    }
    EXPECT_TRUE(Listes().incidents(0).lines().isEmpty());
}

TEST_F(UdpLinkTest, ARowWithoutAddressPortOrTextSendsNothing) {
    charger();
    Pair a;
    const struct {
        QString ip, port, texte;
    } cas[] = {
        {QString(), a.portTexte(), QStringLiteral("x")},
        {QStringLiteral("127.0.0.1"), a.portTexte(), QStringLiteral("   ")},
    };
    for (const auto& c : cas) {
        ligne(1, c.ip, c.port, QString(), c.texte);
        f->BtnUDPSend[1]->click();
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(a.s.hasPendingDatagrams());
    EXPECT_FALSE(journalContient(QStringLiteral("UDP: NoAddress:")));
}

TEST_F(UdpLinkTest, AHostNameIsLookedUpWithoutHoldingTheWindow) {
    charger();
    Pair a;
    ReponseResolution enAttente;
    QString demande;
    SetResolveurNomsUDP([&](const QString& nom, QObject*, ReponseResolution r) {
        demande = nom;
        enAttente = std::move(r);
    });
    ligne(2, QStringLiteral("poste-regie"), a.portTexte(), QString(), QStringLiteral("<Do:Stop>"));
    f->BtnUDPSend[2]->click();
    // the click has returned: the row waits for the answer, nothing left yet
    EXPECT_EQ(demande, QStringLiteral("poste-regie"));
    EXPECT_FALSE(f->BtnUDPSend[2]->isEnabled());
    EXPECT_FALSE(a.s.hasPendingDatagrams());
    enAttente({QHostAddress(QStringLiteral("::1")), QHostAddress::LocalHost}, QString());
    EXPECT_TRUE(f->BtnUDPSend[2]->isEnabled());
    ASSERT_TRUE(attendre([&] { return a.s.hasPendingDatagrams(); }));
    EXPECT_EQ(recus(a.s), QStringList{QStringLiteral("<Do:Stop>")});

    // an unknown name: told, nothing sent
    f->TexteUDPIPCible[2]->setText(QStringLiteral("inconnu"));
    f->BtnUDPSend[2]->click();
    enAttente({}, QStringLiteral("Host not found"));
    EXPECT_TRUE(f->BtnUDPSend[2]->isEnabled());
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_TRUE(TestDialogs().shown[0].prompt.startsWith(QStringLiteral("Adresse introuvable : inconnu")));
    EXPECT_TRUE(journalContient(QStringLiteral("Err: UDP: Adresse introuvable: inconnu |Idx: 2")));
    QCoreApplication::processEvents();
    EXPECT_FALSE(a.s.hasPendingDatagrams());
}

TEST_F(UdpLinkTest, AFailedSendIsLoggedAndTheSecondPortStillTried) {
    charger();
    Pair b;
    // A first port of a positive value that rounds to no port: the socket refuses it.
    ligne(0, QStringLiteral("127.0.0.1"), QStringLiteral("0.4"), b.portTexte(), QStringLiteral("x"));
    f->BtnUDPSend[0]->click();
    ASSERT_TRUE(attendre([&] { return b.s.hasPendingDatagrams(); }));
    EXPECT_TRUE(
        journalContient(QStringLiteral("Err: 10014: Invalid argument/Bad address |Source:FrmSetup:SendMessageUDP:")));
    EXPECT_TRUE(journalContient(QStringLiteral("UDP: Send to: 127.0.0.1:0.4 x")));
    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_TRUE(Listes().incidents(0).lines().isEmpty());
}

// --- check requests -----------------------------------------------------------------------------------

TEST_F(UdpLinkTest, CheckRequestsAreAnsweredOnlyToLiteralUnicastAddresses) {
    const quint16 ecoute = portLibre();
    stockerIn(5, QStringLiteral("127.0.0.1"), QString::number(ecoute), QStringLiteral("1"));
    charger();
    ASSERT_EQ(f->UDP->etatCanal(5), LienUDP::EtatCanal::EnEcoute);
    Pair demandeur, repondeur;
    const QString p = repondeur.portTexte();
    struct Cas {
        QString requete;
        const char* reponse;  // nullptr: refused
        const char* journal;
    };
    const Cas cas[] = {
        {QStringLiteral("<Do:Check><Id:42><Address:127.0.0.1><NoPort:") + p + QLatin1Char('>'), "<Check:42>",
         "UDP: Send to: 127.0.0.1:"},
        {QStringLiteral("<do:check><SongId:7><Id:43><Address:127.0.0.1><NoPort:") + p + QLatin1Char('>'), "<Check:43>",
         "UDP: Send to: 127.0.0.1:"},
        {QStringLiteral("<Do:Check><Address:127.0.0.1><NoPort:") + p + QLatin1Char('>'), "<Check:>",
         "UDP: Send to: 127.0.0.1:"},
        {QStringLiteral("<Do:Check><Id:1><Address:255.255.255.255><NoPort:") + p + QLatin1Char('>'), nullptr,
         "adresse de diffusion refusée"},
        {QStringLiteral("<Do:Check><Id:2><Address:localhost><NoPort:") + p + QLatin1Char('>'), nullptr,
         "nom d'hôte refusé"},
        {QStringLiteral("<Do:Check><Id:3><Address:224.0.0.1><NoPort:") + p + QLatin1Char('>'), nullptr,
         "multidiffusion refusée"},
        {QStringLiteral("<Do:Check><Id:4><Address:127.0.0.1><NoPort:0>"), nullptr, "port de réponse hors de 1 à 65535"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.requete.toStdString());
        const qsizetype avant = journal().size();
        // the lines this request gave
        auto ligneDuCas = [&](const QString& texte) {
            const QStringList l = journal().mid(avant);
            return std::any_of(l.begin(), l.end(), [&](const QString& x) { return x.contains(texte); });
        };
        demandeur.s.writeDatagram(c.requete.toLatin1(), QHostAddress::LocalHost, ecoute);
        ASSERT_TRUE(attendre([&] { return journalContient(QStringLiteral("UDP: Data arrival: ") + c.requete); }));
        if (c.reponse) {
            ASSERT_TRUE(attendre([&] { return repondeur.s.hasPendingDatagrams(); }));
            EXPECT_EQ(recus(repondeur.s), QStringList{QString::fromLatin1(c.reponse)});
        } else {
            QCoreApplication::processEvents();
            EXPECT_FALSE(repondeur.s.hasPendingDatagrams());
            EXPECT_TRUE(ligneDuCas(QStringLiteral("UDP: Check: Err: réponse refusée:")));
        }
        EXPECT_TRUE(ligneDuCas(QString::fromUtf8(c.journal)));
        // answered or refused, a check request never waits in the queue
        EXPECT_TRUE(f->UDP->fileAttente().empty());
        EXPECT_EQ(f->TexteUDPDonneeRecues[5]->text(), c.requete);
    }
    // the reply did not go back to the request's sender
    EXPECT_FALSE(demandeur.s.hasPendingDatagrams());
}

TEST_F(UdpLinkTest, AReplyThatCannotLeaveIsALogLineNotAnIncident) {
    // Socket 0 listens on the loopback: a reply to another network cannot leave it.
    const quint16 ecoute = portLibre();
    stockerIn(0, QStringLiteral("127.0.0.1"), QString::number(ecoute), QStringLiteral("1"));
    charger();
    ASSERT_EQ(f->UDP->etatCanal(0), LienUDP::EtatCanal::EnEcoute);
    Pair demandeur;
    demandeur.s.writeDatagram(QByteArray("<Do:Check><Id:5><Address:192.0.2.1><NoPort:7000>"), QHostAddress::LocalHost,
                              ecoute);
    ASSERT_TRUE(attendre([&] { return journalContient(QStringLiteral("UDP: Send to: 192.0.2.1:7000 <Check:5>")); }));
    EXPECT_TRUE(journalContient(QStringLiteral("UDP: Check: Err: ")));
    EXPECT_TRUE(Listes().incidents(0).lines().isEmpty());
    // the channel keeps listening
    EXPECT_EQ(f->UDP->etatCanal(0), LienUDP::EtatCanal::EnEcoute);
    EXPECT_EQ(f->UDP->SocketUDP(0)->state(), QAbstractSocket::BoundState);
}

// --- the receive queue ----------------------------------------------------------------------------

TEST_F(UdpLinkTest, QueuedMessagesAreHandledInOrderOnePerTurnOfTheTimer) {
    charger();
    LienUDP& u = *f->UDP;
    EXPECT_FALSE(u.TimerUDP()->isActive());
    u.TexteRecu(1, QStringLiteral("<Do:A>"));
    u.TexteRecu(2, QStringLiteral("<Do:B>"));
    u.TexteRecu(2, QStringLiteral("   "));  // blank: nothing at all
    EXPECT_EQ(f->TexteUDPDonneeRecues[2]->text(), QStringLiteral("<Do:B>"));
    ASSERT_EQ(u.fileAttente().size(), 2u);
    EXPECT_EQ(f->ListeUL->count(), 2);
    EXPECT_TRUE(u.TimerUDP()->isActive());
    EXPECT_EQ(u.TimerUDP()->interval(), IntervalleTimerUDP);

    u.TimerUDP_Timer();
    EXPECT_TRUE(journalContient(QStringLiteral("Processing: <Do:A>: End")));
    EXPECT_FALSE(journalContient(QStringLiteral("Processing: <Do:B>: Start")));
    EXPECT_TRUE(u.bTimerUDPEnCours());
    // the next one waits for the pause, without holding the program
    EXPECT_TRUE(u.TimerUDP()->isActive());
    EXPECT_GT(u.TimerUDP()->interval(), 2000);
    EXPECT_EQ(f->ListeUL->count(), 1);

    // a message arriving during the pause joins the end and leaves the pause as it is
    u.TexteRecu(3, QStringLiteral("<Do:C>"));
    EXPECT_GT(u.TimerUDP()->interval(), 2000);

    horloge.advance(PauseTimerUDP);
    u.TimerUDP_Timer();
    horloge.advance(PauseTimerUDP);
    u.TimerUDP_Timer();
    EXPECT_TRUE(u.fileAttente().empty());
    EXPECT_FALSE(u.TimerUDP()->isActive());
    EXPECT_FALSE(u.bTimerUDPEnCours());
    EXPECT_EQ(u.TimerUDP()->interval(), IntervalleTimerUDP);

    // framed lines, in arrival order
    QStringList ordre;
    const QStringList j = journal();
    for (qsizetype n = 1; n + 1 < j.size(); ++n) {
        const qsizetype pos = j[n].indexOf(QStringLiteral("Processing: "));
        if (pos < 0) continue;
        ordre << j[n].mid(pos);
        // framed by lines of "=" as long as the text
        const QString cadre = QLatin1Char(':') + QString(j[n].size() - pos, QLatin1Char('='));
        EXPECT_TRUE(j[n - 1].endsWith(cadre) && j[n + 1].endsWith(cadre)) << j[n].toStdString();
    }
    EXPECT_EQ(ordre,
              (QStringList{QStringLiteral("Processing: <Do:A>: Start"), QStringLiteral("Processing: <Do:A>: End"),
                           QStringLiteral("Processing: <Do:B>: Start"), QStringLiteral("Processing: <Do:B>: End"),
                           QStringLiteral("Processing: <Do:C>: Start"), QStringLiteral("Processing: <Do:C>: End")}));
}

TEST_F(UdpLinkTest, AMessageAfterTheQueueEmptiedWaitsForThePauseOfTheLastOne) {
    charger();
    LienUDP& u = *f->UDP;
    u.TexteRecu(0, QStringLiteral("<Do:A>"));
    u.TimerUDP_Timer();
    ASSERT_TRUE(journalContient(QStringLiteral("Processing: <Do:A>: End")));
    EXPECT_FALSE(u.TimerUDP()->isActive());

    horloge.advance(500);
    u.TexteRecu(0, QStringLiteral("<Do:B>"));
    EXPECT_EQ(u.TimerUDP()->interval(), IntervalleTimerUDP);
    // the timer's tick, 1.5 s after A: B waits for the rest of the pause
    horloge.advance(IntervalleTimerUDP);
    u.TimerUDP_Timer();
    EXPECT_FALSE(journalContient(QStringLiteral("Processing: <Do:B>: Start")));
    EXPECT_TRUE(u.TimerUDP()->isActive());
    EXPECT_EQ(u.TimerUDP()->interval(), PauseTimerUDP - 1500);
    horloge.advance(PauseTimerUDP - 1500);
    u.TimerUDP_Timer();
    EXPECT_TRUE(journalContient(QStringLiteral("Processing: <Do:B>: End")));
    EXPECT_TRUE(u.fileAttente().empty());
    EXPECT_FALSE(u.TimerUDP()->isActive());
}

TEST_F(UdpLinkTest, TheDrainStopsWhenShutdownBegins) {
    charger();
    LienUDP& u = *f->UDP;
    u.TexteRecu(0, QStringLiteral("<Do:A>"));
    u.TexteRecu(0, QStringLiteral("<Do:B>"));
    u.TimerUDP_Timer();
    bFermetureEnCours = true;
    u.TimerUDP_Timer();
    EXPECT_FALSE(u.TimerUDP()->isActive());
    EXPECT_EQ(u.fileAttente().size(), 1u);
    EXPECT_FALSE(journalContient(QStringLiteral("Processing: <Do:B>")));
}

TEST_F(UdpLinkTest, TheTimerDrainsTheQueueByItself) {
    const quint16 ecoute = portLibre();
    stockerIn(1, QStringLiteral("127.0.0.1"), QString::number(ecoute), QStringLiteral("1"));
    charger();
    Pair e;
    e.s.writeDatagram(QByteArray("<Do:Seul>"), QHostAddress::LocalHost, ecoute);
    ASSERT_TRUE(attendre([&] { return !f->UDP->fileAttente().empty(); }));
    ASSERT_TRUE(attendre([&] { return journalContient(QStringLiteral("Processing: <Do:Seul>: End")); }));
    EXPECT_FALSE(f->UDP->TimerUDP()->isActive());
}

TEST_F(UdpLinkTest, TheQueueKeepsTheNewestThousandMessages) {
    charger();
    LienUDP& u = *f->UDP;
    for (int n = 1; n <= NbMaxMessagesEnAttente + 2; ++n) u.TexteRecu(0, QStringLiteral("<Do:%1>").arg(n));
    ASSERT_EQ(int(u.fileAttente().size()), NbMaxMessagesEnAttente);
    EXPECT_EQ(u.fileAttente().front(), QStringLiteral("<Do:3>"));
    EXPECT_EQ(u.fileAttente().back(), QStringLiteral("<Do:1002>"));
    EXPECT_EQ(f->ListeUL->count(), NbMaxMessagesEnAttente);
    EXPECT_EQ(f->ListeUL->item(0)->text(), QStringLiteral("<Do:3>"));
    EXPECT_EQ(lignesContenant(QStringLiteral("file d'attente pleine")), 2);
    EXPECT_TRUE(journalContient(QStringLiteral("message le plus ancien abandonné: <Do:1>")));
}

TEST_F(UdpLinkTest, DatagramsBeyondEightKibibytesAreRefused) {
    const quint16 ecoute = portLibre();
    stockerIn(1, QStringLiteral("127.0.0.1"), QString::number(ecoute), QStringLiteral("1"));
    charger();
    Pair e;
    const QByteArray juste = "<Do:X>" + QByteArray(TailleMaxDatagramme - 6, 'a');
    const QByteArray trop = "<Do:Y>" + QByteArray(TailleMaxDatagramme - 5, 'b');
    e.s.writeDatagram(trop, QHostAddress::LocalHost, ecoute);
    ASSERT_TRUE(attendre([&] { return journalContient(QStringLiteral("octets refusé")); }));
    EXPECT_TRUE(journalContient(QStringLiteral("datagramme de 8193 octets refusé (plus de 8192)")));
    EXPECT_TRUE(f->UDP->fileAttente().empty());
    EXPECT_TRUE(f->TexteUDPDonneeRecues[1]->text().isEmpty());
    e.s.writeDatagram(juste, QHostAddress::LocalHost, ecoute);
    ASSERT_TRUE(attendre([&] { return !f->UDP->fileAttente().empty(); }));
    EXPECT_EQ(f->UDP->fileAttente().front().size(), TailleMaxDatagramme);
}

TEST_F(UdpLinkTest, AHostileDatagramCannotForgeLogLines) {
    const quint16 ecoute = portLibre();
    stockerIn(1, QStringLiteral("127.0.0.1"), QString::number(ecoute), QStringLiteral("1"));
    charger();
    Pair e;
    QByteArray hostile("<Do:X>\r\n14:03:22:015 -1 -1 -1    0 Err: faux");
    hostile += '\0';
    hostile += QByteArray(3000, 'z');
    e.s.writeDatagram(hostile, QHostAddress::LocalHost, ecoute);
    ASSERT_TRUE(attendre([&] { return !f->UDP->fileAttente().empty(); }));
    // the message itself is kept whole for its handling
    EXPECT_EQ(f->UDP->fileAttente().front().size(), hostile.size());
    f->UDP->TimerUDP_Timer();
    for (const QString& l : journal()) {
        EXPECT_FALSE(l.contains(QLatin1Char('\n')) || l.contains(QLatin1Char('\r')) || l.contains(QChar(0)));
        EXPECT_LT(l.size(), 600);
    }
    EXPECT_TRUE(
        journalContient(QStringLiteral("UDP: Data arrival: <Do:X>\\r\\n14:03:22:015 -1 -1 -1    0 Err: faux\\0zzz")));
    EXPECT_TRUE(f->UDP->fileAttente().empty());
    // and the day's file holds no line that begins with the forged text
    TraceLogForce(Listes().ListeLog, QString(), false, false, QString());
    QDir d(CheminLog);
    const QStringList jours = d.entryList({QStringLiteral("*.Log")}, QDir::Files);
    ASSERT_EQ(jours.size(), 1);
    QFile jour(CheminLog + jours[0]);
    ASSERT_TRUE(jour.open(QIODevice::ReadOnly));
    for (const QByteArray& l : jour.readAll().split('\n'))
        EXPECT_FALSE(l.startsWith("14:03:22:015 -1 -1 -1    0 Err: faux"));
}

// --- settings ---------------------------------------------------------------------------------------------

TEST_F(UdpLinkTest, DefaultsWithoutSettings) {
    charger();
    for (int i = 0; i < NbCanauxUDP; ++i) {
        const size_t k = size_t(i);
        EXPECT_EQ(f->TexteUDPIPSource[k]->text(), f->TexteComputerNameAdresse[1]->text());
        EXPECT_EQ(f->TexteUDPPortSource[k]->text(), QString::number(96 + i));
        EXPECT_EQ(f->TexteUDPPortCible[k]->text(), QString::number(96 + i));
        EXPECT_TRUE(f->TexteUDPIPCible[k]->text().isEmpty());
        EXPECT_TRUE(f->TexteUDPPortBCible[k]->text().isEmpty());
        EXPECT_FALSE(f->CheckUDPInActif[k]->isChecked());
        EXPECT_FALSE(f->CheckUDPOutActif[k]->isChecked());
        EXPECT_EQ(f->UDP->etatCanal(i), LienUDP::EtatCanal::Inactif);
    }
    EXPECT_EQ(f->TexteComputerNameAdresse[0]->text(), ComputerName());
    EXPECT_FALSE(QFile::exists(programme()));
}

TEST_F(UdpLinkTest, SettingsRoundTrip) {
    stockerIn(0, QStringLiteral("0.0.0.0"), QString::number(portLibre()), QStringLiteral("0"));
    charger();
    // a stored "0.0.0.0" stays as it is
    EXPECT_EQ(f->TexteUDPIPSource[0]->text(), QStringLiteral("0.0.0.0"));
    // only the table's boxes mark a change
    f->TexteUDPDonneeEnvoyees[3]->setText(QStringLiteral("x"));
    EXPECT_FALSE(bPeripheriquesModifies);
    f->TexteUDPIPSource[6]->setText(QStringLiteral(" 127.0.0.1 "));
    f->TexteUDPPortSource[6]->setText(QStringLiteral("5006"));
    f->TexteUDPIPCible[8]->setText(QStringLiteral("poste-regie"));
    f->TexteUDPPortCible[8]->setText(QStringLiteral("6008"));
    f->TexteUDPPortBCible[8]->setText(QStringLiteral("6009"));
    f->CheckUDPOutActif[8]->setCheckState(Qt::Checked);
    EXPECT_TRUE(bPeripheriquesModifies);
    EXPECT_TRUE(f->UDP->SaveSettingsPeripheriques());
    EXPECT_FALSE(bPeripheriquesModifies);
    EXPECT_EQ(lire("UDP_IN", QStringLiteral("IP_6")), QStringLiteral("127.0.0.1"));  // the reader trims
    EXPECT_EQ(lire("UDP_IN", QStringLiteral("Port_6")), QStringLiteral("5006"));
    EXPECT_EQ(lire("UDP_IN", QStringLiteral("Actif_6")), QStringLiteral("0"));
    EXPECT_EQ(lire("UDP_OUT", QStringLiteral("PortB_8")), QStringLiteral("6009"));
    EXPECT_EQ(lire("UDP_OUT", QStringLiteral("Actif_8")), QStringLiteral("1"));
    // every row is written, unchanged ones included
    EXPECT_EQ(lire("UDP_OUT", QStringLiteral("Port_2")), QStringLiteral("98"));
    EXPECT_EQ(lire("UDP_OUT", QStringLiteral("PortB_2")), QString());

    DechargerFrmSetup();
    EXPECT_TRUE(TestDialogs().shown.empty());
    charger();
    EXPECT_EQ(f->TexteUDPIPSource[6]->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(f->TexteUDPPortSource[6]->text(), QStringLiteral("5006"));
    EXPECT_EQ(f->TexteUDPIPCible[8]->text(), QStringLiteral("poste-regie"));
    EXPECT_EQ(f->TexteUDPPortCible[8]->text(), QStringLiteral("6008"));
    EXPECT_EQ(f->TexteUDPPortBCible[8]->text(), QStringLiteral("6009"));
    EXPECT_TRUE(f->CheckUDPOutActif[8]->isChecked());
    EXPECT_FALSE(bPeripheriquesModifies);
}

TEST_F(UdpLinkTest, AStoredActiveValueABoxCannotTakeIsReportedAndLoadingGoesOn) {
    EcritureIni(programme(), QStringLiteral("UDP_IN"), QStringLiteral("Actif_1"), QStringLiteral("7"));
    EcritureIni(programme(), QStringLiteral("UDP_IN"), QStringLiteral("Port_2"), QStringLiteral("5002"));
    charger();
    EXPECT_FALSE(f->CheckUDPInActif[1]->isChecked());
    EXPECT_EQ(f->TexteUDPPortSource[2]->text(), QStringLiteral("5002"));
    EXPECT_TRUE(journalContient(QStringLiteral("FrmSetup:InitSettingsPeripheriques")));
}

TEST_F(UdpLinkTest, AFailedSaveKeepsTheChangeFlagAndTellsTheUser) {
    charger();
    f->TexteUDPPortCible[0]->setText(QStringLiteral("6000"));
    // the settings file's name is taken by a folder: nothing can be written there
    QDir().mkpath(programme());
    EXPECT_FALSE(f->UDP->SaveSettingsPeripheriques());
    EXPECT_TRUE(bPeripheriquesModifies);
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_TRUE(
        TestDialogs().shown[0].prompt.startsWith(QStringLiteral("Les paramètres UDP n'ont pas pu être enregistrés.")));
    EXPECT_TRUE(TestDialogs().shown[0].prompt.contains(programme()));
    EXPECT_TRUE(journalContient(QStringLiteral("Err: FrmSetup: SaveSettingsPeripheriques: ")));
    // through the window's save command: the same, once
    TestDialogs().reset();
    f->CommandSave->click();
    EXPECT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_TRUE(bPeripheriquesModifies);
}

}  // namespace
