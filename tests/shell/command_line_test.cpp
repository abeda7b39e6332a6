#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "shell/command_line.h"
#include "shell/single_instance.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class CommandLineTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        AdresseIPCible.clear();
    }
    bool contientLigne(const QString& fin) const {
        for (const QString& l : lignesLog())
            if (l.endsWith(fin)) return true;
        return false;
    }
};

TEST_F(CommandLineTest, InstanceSwitchTable) {
    struct Cas {
        const char* ligne;
        int16_t instance;
    };
    const Cas cas[] = {
        {"/i=3", 3},
        {"/Instance=0", 1},
        {"/Instance=12", 10},
        {"/Instance=abc", 1},
        {"/Instance=000000000000000000000000000000007", 7},
        {"/INSTANCE=123456789012345678901234567890", 10},
        {"/Instance=2 /I=5", 2},
        {"/I=5 /Instance=2", 2},
        {"/I= 7", 7},
        {"/I=7b", 7},
        {"x /i=4/Wait=", 4},
        {"/IP=10.0.0.1", 0},  // "/IP=" is not "/I="
        {"/Base=Current", 0},
    };
    for (const auto& k : cas) {
        ReinitialiserListes();
        NoInstance = 99;
        const QString ligne = QString::fromLatin1(k.ligne);
        AnalyseChaineCommand(ligne);
        EXPECT_EQ(NoInstance, k.instance) << k.ligne;
        EXPECT_EQ(InstanceDemandee(ligne), k.instance) << k.ligne;
        EXPECT_TRUE(contientLigne(QStringLiteral("Instance: ") + QString::number(k.instance))) << k.ligne;
    }
}

TEST_F(CommandLineTest, CommandLineIsFramedBeforeAnythingElse) {
    AnalyseChaineCommand(QStringLiteral(" /I=2 "));
    const QStringList l = lignesLog();
    ASSERT_GE(l.size(), 4);
    const QString texte = QStringLiteral("Command Line: ' /I=2 '");
    EXPECT_TRUE(l[0].endsWith(QString(texte.size(), QLatin1Char('='))));
    EXPECT_TRUE(l[1].endsWith(texte));
    EXPECT_TRUE(l[2].endsWith(QString(texte.size(), QLatin1Char('='))));
    EXPECT_TRUE(l[3].endsWith(QStringLiteral("Instance: 2")));
    EXPECT_EQ(Listes().incidents(0).count(), 0);
}

TEST_F(CommandLineTest, WaitKeepsEventsRunningForTheWholeDelay) {
    int pompes = 0;
    QTimer t;
    t.setInterval(0);
    QObject::connect(&t, &QTimer::timeout, [&] { ++pompes; });
    t.start();
    const uint64_t debut = horloge.uptimeMs();
    AnalyseChaineCommand(QStringLiteral("/wait=1500 /I=1"));
    EXPECT_GE(horloge.uptimeMs() - debut, 1500u);
    EXPECT_LT(horloge.uptimeMs() - debut, 1600u);
    EXPECT_GT(pompes, 10);
    EXPECT_TRUE(contientLigne(QStringLiteral("WaitDuration: 1500")));
}

TEST_F(CommandLineTest, WaitWithoutDigitsOrTooLargeDoesNotWait) {
    const uint64_t debut = horloge.uptimeMs();
    AnalyseChaineCommand(QStringLiteral("/Wait=abc"));
    EXPECT_EQ(horloge.uptimeMs(), debut);
    EXPECT_TRUE(contientLigne(QStringLiteral("WaitDuration: 0")));
    EXPECT_EQ(Listes().incidents(0).count(), 0);

    ReinitialiserListes();
    AnalyseChaineCommand(QStringLiteral("/Wait=2147483648"));
    EXPECT_EQ(horloge.uptimeMs(), debut);
    // overflow reported through the error routine, and the line still names no delay
    EXPECT_GT(Listes().incidents(0).count(), 0);
    EXPECT_TRUE(Listes().incidents(0).lines().join(QLatin1Char('\n')).contains(QStringLiteral("Err: 6 ")));
    EXPECT_TRUE(contientLigne(QStringLiteral("WaitDuration: 0")));
}

TEST_F(CommandLineTest, TargetAddressStopsAtTheFirstForeignCharacter) {
    AnalyseChaineCommand(QStringLiteral("/ip= 192.168.1.20/Veille=True"));
    EXPECT_EQ(AdresseIPCible, QStringLiteral("192.168.1.20"));
    EXPECT_TRUE(contientLigne(QStringLiteral("Target IP Address: 192.168.1.20")));
    EXPECT_EQ(NoInstance, 0);
}

TEST_F(CommandLineTest, SwitchesWithoutValueAreFoundInAnyCase) {
    struct Cas {
        const char* ligne;
        bool veille;
        bool base;
    };
    const Cas cas[] = {
        {"/Veille=True", true, false},
        {"/veille=trueXYZ /base=current", true, true},
        {"/Veille=False /Base=Currents", false, true},
        {"", false, false},
    };
    for (const auto& k : cas) {
        EXPECT_EQ(VeilleDemandee(QString::fromLatin1(k.ligne)), k.veille) << k.ligne;
        EXPECT_EQ(BaseCouranteDemandee(QString::fromLatin1(k.ligne)), k.base) << k.ligne;
    }
}

// --- single instance ------------------------------------------------------------------------

class SingleInstanceTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        SetDossierVerrous(tmp.path() + QStringLiteral("/run"));
        QDir().mkpath(tmp.path() + QStringLiteral("/run"));
        id.dossierProgramme = tmp.path() + QStringLiteral("/prog/");
        id.instance = 2;
        SetIdentiteInstance(id);
    }
    void TearDown() override {
        LibererVerrousInstance();
        SetIdentiteInstance(std::nullopt);
        SetDossierVerrous(QString());
        KirvoTest::TearDown();
    }
    bool tester(int32_t attente) {
        QWidget fenetre;
        fenetre.setWindowTitle(QStringLiteral("Ondrune: Tools Kirvo"));
        bool fermer = false;
        return TesterPrevInstance(&fenetre, fermer, attente);
    }
    IdentiteInstance id;
};

TEST_F(SingleInstanceTest, FirstInstanceGoesOnAndHoldsItsPlace) {
    EXPECT_TRUE(tester(5000));
    EXPECT_TRUE(TestDialogs().shown.empty());
    // the place is now taken for anyone else
    VerrouFichier autre(CheminVerrouInstance(id));
    EXPECT_FALSE(autre.prendre());
    // the same process asking again is not another instance
    EXPECT_FALSE(AutreInstanceActive());
}

TEST_F(SingleInstanceTest, SecondInstanceRefusedAfterTheWait) {
    VerrouFichier premier(CheminVerrouInstance(id));
    ASSERT_TRUE(premier.prendre());
    int pompes = 0;
    QTimer t;
    t.setInterval(0);
    // time moves on only while the wait runs events
    QObject::connect(&t, &QTimer::timeout, [&] {
        ++pompes;
        horloge.advance(10);
    });
    t.start();
    const uint64_t debut = horloge.uptimeMs();
    EXPECT_FALSE(tester(5000));
    EXPECT_GE(horloge.uptimeMs() - debut, 5000u);
    EXPECT_GT(pompes, 0);
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    const auto& b = TestDialogs().shown[0];
    EXPECT_EQ(b.prompt,
              QStringLiteral("Application encore chargée en mémoire.\r\n\r\n"
                             "Veuillez la quitter avant de relancer une autre instance de cette application."));
    EXPECT_EQ(b.style, Mb::Critical);
    EXPECT_EQ(b.title, QStringLiteral("Ondrune: Tools Kirvo"));
}

TEST_F(SingleInstanceTest, SecondInstanceAcceptedWhenTheFirstEndsWithinTheWait) {
    VerrouFichier premier(CheminVerrouInstance(id));
    ASSERT_TRUE(premier.prendre());
    const uint64_t debut = horloge.uptimeMs();
    // the first instance ends 2 s into the wait (seen only because the wait runs events)
    QTimer t;
    t.setInterval(0);
    QObject::connect(&t, &QTimer::timeout, [&] {
        horloge.advance(10);
        if (horloge.uptimeMs() - debut >= 2000) premier.liberer();
    });
    t.start();
    EXPECT_TRUE(tester(5000));
    EXPECT_TRUE(TestDialogs().shown.empty());
    // it waited the full delay before testing again
    EXPECT_GE(horloge.uptimeMs() - debut, 5000u);
    EXPECT_FALSE(premier.prendre());  // now this process holds the place
}

TEST_F(SingleInstanceTest, NoWaitRefusesAtOnce) {
    VerrouFichier premier(CheminVerrouInstance(id));
    ASSERT_TRUE(premier.prendre());
    const uint64_t debut = horloge.uptimeMs();
    EXPECT_FALSE(tester(0));
    EXPECT_EQ(horloge.uptimeMs(), debut);
    EXPECT_EQ(TestDialogs().shown.size(), 1u);
}

TEST_F(SingleInstanceTest, OtherFolderOrInstanceNumberIsAnotherProgram) {
    VerrouFichier premier(CheminVerrouInstance(id));
    ASSERT_TRUE(premier.prendre());
    IdentiteInstance autreNumero = id;
    autreNumero.instance = 3;
    IdentiteInstance autreDossier = id;
    autreDossier.dossierProgramme = tmp.path() + QStringLiteral("/prog2/");
    EXPECT_NE(CheminVerrouInstance(autreNumero), CheminVerrouInstance(id));
    EXPECT_NE(CheminVerrouInstance(autreDossier), CheminVerrouInstance(id));
    // the same folder written another way is the same program
    IdentiteInstance memeDossier = id;
    memeDossier.dossierProgramme = tmp.path() + QStringLiteral("/x/../prog");
    EXPECT_EQ(CheminVerrouInstance(memeDossier), CheminVerrouInstance(id));
    SetIdentiteInstance(autreNumero);
    EXPECT_TRUE(tester(0));
}

// Another process that takes the place and keeps it until told to end (or 30 s at most).
class AutreProcessus {
public:
    explicit AutreProcessus(const QByteArray& chemin) {
        int versEnfant[2], versParent[2];
        if (::pipe2(versEnfant, O_CLOEXEC) != 0 || ::pipe2(versParent, O_CLOEXEC) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::alarm(30);
            ::close(versEnfant[1]);
            ::close(versParent[0]);
            const int fd = ::open(chemin.constData(), O_RDWR | O_CREAT, 0644);
            char c = (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ? 'o' : 'n';
            if (::write(versParent[1], &c, 1) != 1) _exit(2);
            if (::read(versEnfant[0], &c, 1) < 0) _exit(3);
            _exit(0);
        }
        ::close(versEnfant[0]);
        ::close(versParent[1]);
        fin_ = versEnfant[1];
        char c = 0;
        pret_ = pid_ > 0 && ::read(versParent[0], &c, 1) == 1 && c == 'o';
        ::close(versParent[0]);
    }
    ~AutreProcessus() { terminer(); }
    bool pret() const { return pret_; }
    void terminer() {
        if (fin_ >= 0) ::close(fin_);
        fin_ = -1;
        if (pid_ > 0) {
            int etat = 0;
            ::waitpid(pid_, &etat, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int fin_ = -1;
    bool pret_ = false;
};

TEST_F(SingleInstanceTest, RunningProcessIsSeenAndItsEndFreesThePlace) {
    AutreProcessus autre(QFile::encodeName(CheminVerrouInstance(id)));
    ASSERT_TRUE(autre.pret());
    EXPECT_FALSE(tester(0));
    autre.terminer();
    EXPECT_TRUE(tester(0));
    EXPECT_EQ(TestDialogs().shown.size(), 1u);
}

TEST_F(SingleInstanceTest, SuiteMarkIsSharedByEveryProgramOfTheSuite) {
    CreerMutexSuite();
    VerrouFichier autreProgramme(DossierVerrous() + QStringLiteral("Ondrune 3.4.lock"));
    EXPECT_TRUE(autreProgramme.prendre(true));
    VerrouFichier exclusif(DossierVerrous() + QStringLiteral("Ondrune 3.4.lock"));
    EXPECT_FALSE(exclusif.prendre());  // a program of the suite runs
}

}  // namespace
