// The workbook reader process and what the program takes of it.
#include "platform/xls_reader.h"
#include "support/fixture.h"
#include "support/nomenclature_files.h"

#include <QFile>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <sys/resource.h>

namespace {

class XlsReaderTest : public KirvoTest {
protected:
    void TearDown() override {
        qunsetenv("KIRVO_LECTEUR_XLS");
        KirvoTest::TearDown();
    }
    // A reader of our own in place of kirvo_xls.
    QString lecteur(const char* nom, const QByteArray& script) {
        const QString chemin = tmp.filePath(QString::fromLatin1(nom));
        EcrireFichierTest(chemin, script);
        QFile::setPermissions(chemin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return chemin;
    }
    QString classeur() {
        const QString chemin = tmp.filePath(QStringLiteral("classeur.xls"));
        QFile::copy(ClasseurDeTest(QStringLiteral("workbook-declares-3m-rows.xls")), chemin);
        return chemin;
    }
};

// A sheet that declares far more than its records hold costs what it holds: under a memory bound
// far below what its declared size would take, its real rows are read, or it is refused as damaged.
TEST_F(XlsReaderTest, DeclaredSizeCostsNothingInTheReader) {
    const struct {
        const char* fichier;
        QByteArray attendu;
        qsizetype retouche = -1;  // where the file gets a sector chain that loops
    } cas[] = {
        {"workbook-declares-3m-rows.xls", "DIMENSIONS\t15\t5\nL\tFamille\tClasse\tSecteur\tVariete\tLibelle\n"},
        // Its sheet declares its size twice, the second time in a record too short to hold it.
        {"workbook-heavy-sheet.xls", "CLASSEUR\nERREUR-CLASSEUR\tfichier endommagé\nFIN\n"},
        {"damaged-workbook-crash.xls", "ERREUR-FEUILLE\tfichier endommagé\nFIN\n"},
        // The workbook stream's last sector (7, in the allocation table of sector 8) leads back
        // to its first.
        {"workbook-declares-3m-rows.xls", "PAS-UN-CLASSEUR\tfichier endommagé\nFIN\n", 512 * 9 + 7 * 4},
    };
    for (const auto& c : cas) {
        QString fichier = ClasseurDeTest(QString::fromLatin1(c.fichier));
        if (c.retouche >= 0) {
            QByteArray octets = LireFichierTest(fichier);
            octets.replace(c.retouche, 4, QByteArray(4, '\0'));
            fichier = tmp.filePath(QStringLiteral("boucle.xls"));
            EcrireFichierTest(fichier, octets);
        }
        QProcess p;
        p.setChildProcessModifier([] {
            const rlimit memoire{64 << 20, 64 << 20};
            setrlimit(RLIMIT_AS, &memoire);
        });
        p.start(CheminLecteurXls(), {fichier, QStringLiteral("0"), QStringLiteral("5")});
        ASSERT_TRUE(p.waitForFinished(60000)) << c.fichier;
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << c.fichier;
        EXPECT_EQ(p.exitCode(), 0) << c.fichier;
        const QByteArray sortie = p.readAllStandardOutput();
        EXPECT_TRUE(sortie.contains(c.attendu)) << c.fichier << "\n" << sortie.left(400).toStdString();
    }
}

bool enVie(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray l = stat.readAll();
    const qsizetype fin = l.lastIndexOf(')');
    return fin > 0 && l.mid(fin + 2, 1) != "Z";
}

// What the program reads of a reader is bounded whatever the reader writes, and a reader stopped
// at the bound goes with the processes it started.
TEST_F(XlsReaderTest, ReaderOutputIsBounded) {
    const QString pid = tmp.filePath(QStringLiteral("enfant.pid"));
    const QByteArray entete =
        "o = sys.stdout.buffer\n"
        "o.write(b'KIRVO-XLS 1\\nCLASSEUR\\nFEUILLE\\tF\\n')\n";
    const struct {
        const char* nom;
        QByteArray script;
        QString erreur;
    } cas[] = {
        // Every row of the format's size, each cell of 80 bytes: well formed, but more than the
        // program takes for five columns.
        {"pleine",
         "#!/usr/bin/python3\nimport sys\n" + entete +
             "o.write(b'DIMENSIONS\\t65536\\t5\\n')\n"
             "r = b'L' + (b'\\t' + b'x' * 80) * 5 + b'\\n'\n"
             "for i in range(65536): o.write(r)\n"
             "o.write(b'FIN\\n')\n",
         QStringLiteral("lecture trop volumineuse")},
        {"sans fin", "#!/usr/bin/python3\nimport sys\n" + entete + "while True: o.write(b'L\\tx\\n' * 4096)\n",
         QStringLiteral("lecture trop volumineuse")},
        // The writing is done by a child, which would go on after its parent.
        {"enfant",
         "#!/bin/sh\n/usr/bin/python3 -c '\nimport os, signal, time\n"
         "signal.signal(signal.SIGPIPE, signal.SIG_IGN)\n"
         "while True:\n    try: os.write(1, b\"x\" * 65536)\n    except OSError: time.sleep(0.01)\n' &\n"
         "echo $! > '" +
             pid.toUtf8() + "'\nwait\n",
         QStringLiteral("lecture trop volumineuse")},
        {"feuilles",
         "#!/usr/bin/python3\nimport sys\n" + entete +
             "for i in range(1024): o.write(b'FEUILLE\\tF%d\\n' % i)\n"
             "o.write(b'ERREUR-FEUILLE\\tx\\nFIN\\n')\n",
         QStringLiteral("trop de feuilles (plus de 1024)")},
        {"plante", "#!/bin/sh\nprintf 'KIRVO-XLS 1\\nCLASSEUR\\n'\nkill -SEGV $$\n",
         QStringLiteral("fichier endommagé")},
    };
    const QString xls = classeur();
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        QFile::remove(pid);
        qputenv("KIRVO_LECTEUR_XLS", lecteur(c.nom, c.script).toLocal8Bit());
        const LectureClasseur l = LireClasseur(xls, 0, 5, QString(), false);
        EXPECT_FALSE(l.feuilleLue);
        EXPECT_TRUE(l.lignes.empty());
        EXPECT_TRUE(l.erreur.startsWith(c.erreur)) << l.erreur.toStdString();
        if (QFile::exists(pid)) {
            const qint64 enfant = LireFichierTest(pid).trimmed().toLongLong();
            ASSERT_GT(enfant, 0);
            // Gone, or at most waiting to be reaped.
            for (int i = 0; i < 100 && enVie(enfant); ++i) QThread::msleep(20);
            EXPECT_FALSE(enVie(enfant));
            if (enVie(enfant)) ::kill(pid_t(enfant), SIGKILL);
        }
    }
    // A sheet list at the bound is taken.
    qputenv("KIRVO_LECTEUR_XLS", lecteur("juste", "#!/usr/bin/python3\nimport sys\n" + entete +
                                                      "for i in range(1023): o.write(b'FEUILLE\\tF%d\\n' % i)\n"
                                                      "o.write(b'DIMENSIONS\\t1\\t1\\nL\\tx\\nFIN\\n')\n")
                                     .toLocal8Bit());
    const LectureClasseur l = LireClasseur(xls, 0, 5, QString(), false);
    EXPECT_TRUE(l.feuilleLue) << l.erreur.toStdString();
    EXPECT_EQ(l.feuilles.size(), 1024);
}

}  // namespace
