#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/network.h"
#include "foundation/settings_access.h"
#include "foundation/system_info.h"
#include "platform/dialogs.h"
#include "platform/system_info.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>

namespace {

class NetworkTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ReinitialiserInfoSysteme();
        ReinitialiserMemoiresDossiers();
        InfoVersionOS.dwPlatformId = 2;
        smb = tmp.path() + QStringLiteral("/smb.conf");
        SetFichierPartages(smb);
    }
    void TearDown() override {
        SetFichierPartages(QString());
        ReinitialiserInfoSysteme();
        ReinitialiserMemoiresDossiers();
        KirvoTest::TearDown();
    }
    void ecrireSmb(const QString& texte) {
        QFile f(smb);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(texte.toUtf8());
    }
    // The log lines' texts, without time stamp, index fields and delay column.
    QStringList textes() const {
        QStringList out;
        for (const QString& l : lignesLog()) out << l.mid(25);
        return out;
    }
    QString smb;
};

TEST_F(NetworkTest, HostAddressIsNeverLoopback) {
    const QString a = GetHostName();
    if (!a.isEmpty()) {
        QHostAddress h;
        ASSERT_TRUE(h.setAddress(a)) << a.toStdString();
        EXPECT_EQ(h.protocol(), QAbstractSocket::IPv4Protocol);
        EXPECT_FALSE(h.isLoopback());
    }
    EXPECT_EQ(a, PremiereAdresseIPv4());
    EXPECT_TRUE(lignesLog().isEmpty());
}

TEST_F(NetworkTest, SharesFromTheSambaDefinitions) {
    ecrireSmb(
        QStringLiteral("# partages du poste\n"
                       "[global]\n   workgroup = ONDRUNE\n   path = /ne/compte/pas\n"
                       "[homes]\n   path = /home\n"
                       "[printers]\n   path = /var/spool/samba\n"
                       "[Sons]\n   comment = Audio du poste\n   path = /srv/audio\n   read only = no\n"
                       "; [Commente]\n;   path = /srv/c\n"
                       "[SansChemin]\n   comment = rien\n"
                       "[Coupe]\n   available = no\n   path = /srv/coupe\n"
                       "[Long]\n   path = /srv/\\\n   long/nom\n"
                       "[Imprimante]\n   printable = yes\n   path = /var/spool/imp\n"
                       "[Cite]\n   path = \"/srv/avec blanc\"\n"));
    QList<ShareInfo> s;
    ASSERT_EQ(GetLocalShares(s), 4);
    ASSERT_EQ(s.size(), 4);
    EXPECT_EQ(s[0].NetName, QStringLiteral("Sons"));
    EXPECT_EQ(s[0].Path, QStringLiteral("/srv/audio"));
    EXPECT_EQ(s[0].Remark, QStringLiteral("Audio du poste"));
    EXPECT_EQ(s[0].Type, 0);
    EXPECT_EQ(s[1].NetName, QStringLiteral("Long"));
    EXPECT_EQ(s[1].Path, QStringLiteral("/srv/long/nom"));
    EXPECT_EQ(s[2].NetName, QStringLiteral("Imprimante"));
    EXPECT_EQ(s[2].Type, 1);
    EXPECT_EQ(s[3].Path, QStringLiteral("/srv/avec blanc"));

    // This machine under its own name too; another machine is never asked.
    EXPECT_EQ(GetNetShares(s, QStringLiteral("\\\\") + ComputerName().toUpper()), 4);
    EXPECT_EQ(GetNetShares(s, QStringLiteral("AUTREPOSTE")), 0);
    EXPECT_TRUE(s.isEmpty());
    // Before the version record is filled, or without the file, there are none.
    InfoVersionOS.dwPlatformId = 0;
    EXPECT_EQ(GetLocalShares(s), 0);
    InfoVersionOS.dwPlatformId = 2;
    SetFichierPartages(tmp.path() + QStringLiteral("/absent.conf"));
    EXPECT_EQ(GetLocalShares(s), 0);
}

TEST_F(NetworkTest, NetworkPathOfThisMachineBecomesLocal) {
    const QString audio = tmp.path() + QStringLiteral("/audio");
    QDir().mkpath(audio + QStringLiteral("/Pub"));
    ecrireSmb(QStringLiteral("[Imp]\nprintable = yes\npath = %1\n[Sons]\npath = %1/\n").arg(audio));
    struct Cas {
        QString entree;
        QString attendu;
        bool change;
    };
    const Cas cas[] = {
        {QStringLiteral("\\\\studio1\\SONS\\Pub\\"), audio + QStringLiteral("/Pub/"), true},
        {QStringLiteral("//STUDIO1/sons/Pub/"), audio + QStringLiteral("/Pub/"), true},
        {QStringLiteral("\\\\STUDIO1\\Sons\\"), audio + QStringLiteral("/"), true},
        {QStringLiteral("\\\\STUDIO1\\Sons"), QString(), false},  // no separator after the share
        {QStringLiteral("\\\\AUTRE\\Sons\\Pub\\"), QString(), false},
        {QStringLiteral("\\\\STUDIO1\\Imp\\x\\"), QString(), false},  // not a disk share
    };
    for (const auto& k : cas) {
        ReinitialiserListes();
        const QString r = ChangeUNCFolder2LocalFolder(3, k.entree, QStringLiteral("STUDIO1"));
        EXPECT_EQ(r, k.change ? k.attendu : k.entree) << k.entree.toStdString();
        const QStringList t = textes();
        ASSERT_GE(t.size(), 3) << k.entree.toStdString();
        EXPECT_EQ(t[1], QStringLiteral("Shared Paths List |UNC Path to Change: ") + k.entree);
        if (k.change) {
            ASSERT_EQ(t.size(), 5);
            EXPECT_EQ(t[3], QStringLiteral("01: UNC: Local Path found: ") + k.attendu);
            EXPECT_EQ(t[4],
                      QStringLiteral("01: UNC: Path change from: ") + k.entree + QStringLiteral(" to: ") + k.attendu);
        } else {
            EXPECT_EQ(t.size(), 3);
        }
        // Traces go under the zone given, never as incidents.
        EXPECT_TRUE(lignesLog()[0].mid(14).startsWith(QStringLiteral("3: : :")));
        EXPECT_EQ(Listes().incidents(0).count(), 0);
    }
}

TEST_F(NetworkTest, AShareWhoseFolderCannotBeMadeStopsTheSearch) {
    const QString fichier = tmp.path() + QStringLiteral("/pas_un_dossier");
    QFile(fichier).open(QIODevice::WriteOnly);
    const QString bon = tmp.path() + QStringLiteral("/bon");
    QDir().mkpath(bon);
    ecrireSmb(QStringLiteral("[Sons]\npath = %1/x\n[sons]\npath = %2\n").arg(fichier, bon));
    const QString entree = QStringLiteral("\\\\STUDIO1\\Sons\\Pub\\");
    EXPECT_EQ(ChangeUNCFolder2LocalFolder(0, entree, QStringLiteral("studio1")), entree);
    int trouves = 0, changes = 0;
    for (const QString& t : textes()) {
        trouves += t.contains(QStringLiteral("UNC: Local Path found: "));
        changes += t.contains(QStringLiteral("UNC: Path change"));
    }
    EXPECT_EQ(trouves, 1);
    EXPECT_EQ(changes, 0);
}

TEST_F(NetworkTest, WithoutSharesNothingIsTraced) {
    SetFichierPartages(tmp.path() + QStringLiteral("/absent.conf"));
    const QString entree = QStringLiteral("\\\\STUDIO1\\Sons\\Pub\\");
    EXPECT_EQ(ChangeUNCFolder2LocalFolder(0, entree, QStringLiteral("STUDIO1")), entree);
    EXPECT_TRUE(lignesLog().isEmpty());
}

// Records the start folder the picker is opened on.
class PickerTemoin : public ScriptedDialogs {
public:
    QString pickFolder(const QString& title, const QString& start) override {
        departs << start;
        return ScriptedDialogs::pickFolder(title, start);
    }
    QStringList departs;
};

TEST_F(NetworkTest, FolderPicker) {
    PickerTemoin d;
    SetDialogues(&d);
    DossierApplication = tmp.path() + QStringLiteral("/prog/");
    QDir().mkpath(DossierApplication);

    // Cancelled: "*" and nothing made.
    EXPECT_EQ(FolderSelect(QStringLiteral("sans_dossier.txt"), QString()), QStringLiteral("*"));
    EXPECT_EQ(d.pickerTitles.back(), QStringLiteral("Sélectionnez un dossier: "));
    EXPECT_EQ(d.departs.back(), tmp.path() + QStringLiteral("/prog"));

    const QString choisi = tmp.path() + QStringLiteral("/Data/Base1");
    d.folders.push_back(choisi);
    EXPECT_EQ(FolderSelect(tmp.path() + QStringLiteral("/prog/FRAD000.bt6"), QStringLiteral("Dossier des données")),
              choisi + QLatin1Char('/'));
    EXPECT_EQ(d.pickerTitles.back(), QStringLiteral("Dossier des données"));
    EXPECT_EQ(d.departs.back(), tmp.path() + QStringLiteral("/prog"));
    EXPECT_TRUE(QFileInfo(choisi).isDir());

    SetDialogues(&TestDialogs());
}

}  // namespace
