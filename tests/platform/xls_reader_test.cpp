// The workbook reader process and what the program takes of it.
#include "platform/xls_reader.h"
#include "support/fixture.h"
#include "support/nomenclature_files.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <QtEndian>

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
    // A test workbook, or when retouche is not negative a copy of it with octets from there.
    QString classeurRetouche(const char* nom, qsizetype retouche, const QByteArray& octets) {
        const QString fichier = ClasseurDeTest(QString::fromLatin1(nom));
        if (retouche < 0) return fichier;
        QByteArray contenu = LireFichierTest(fichier);
        contenu.replace(retouche, octets.size(), octets);
        const QString chemin = tmp.filePath(QStringLiteral("retouche.xls"));
        EcrireFichierTest(chemin, contenu);
        return chemin;
    }
    QString classeur() {
        const QString chemin = tmp.filePath(QStringLiteral("classeur.xls"));
        QFile::copy(ClasseurDeTest(QStringLiteral("workbook-declares-3m-rows.xls")), chemin);
        return chemin;
    }
};

// The reader's output on a workbook, under a memory bound far below what a declared size would
// take and the program's processor bound (a reader that loops is stopped there and fails).
QByteArray lireAvecLimites(const QStringList& arguments) {
    QProcess p;
    p.setChildProcessModifier([] {
        const rlimit memoire{64 << 20, 64 << 20};
        const rlimit processeur{10, 10};
        setrlimit(RLIMIT_AS, &memoire);
        setrlimit(RLIMIT_CPU, &processeur);
    });
    p.start(CheminLecteurXls(), arguments);
    const bool fini = p.waitForFinished(60000);
    EXPECT_TRUE(fini);
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    return p.readAllStandardOutput();
}

// A sheet that declares far more than its records hold costs what it holds: its real rows are
// read, or it is refused as damaged. So does a damaged container, whose chains are followed no
// further than the file has sectors.
TEST_F(XlsReaderTest, DeclaredSizeCostsNothingInTheReader) {
    const struct {
        const char* fichier;
        QByteArray attendu;
        qsizetype retouche = -1;  // where the file gets 4 other bytes
        QByteArray octets = QByteArray(4, '\0');
    } cas[] = {
        {"workbook-declares-3m-rows.xls", "DIMENSIONS\t15\t5\nL\tFamille\tClasse\tSecteur\tVariete\tLibelle\n"},
        // Its sheet declares its size twice, the second time in a record too short to hold it.
        {"workbook-heavy-sheet.xls", "CLASSEUR\nERREUR-CLASSEUR\tfichier endommagé\nFIN\n"},
        {"damaged-workbook-crash.xls", "ERREUR-FEUILLE\tfichier endommagé\nFIN\n"},
        // The workbook stream's chain (in the allocation table of sector 8) leads back to its
        // first sector: from its last sector, after the records, which the library reads as
        // they are; from its second, in the midst of the records, which the library refuses.
        {"workbook-declares-3m-rows.xls", "DIMENSIONS\t15\t5\nL\tFamille\tClasse\tSecteur\tVariete\tLibelle\n",
         512 * 9 + 7 * 4},
        {"workbook-declares-3m-rows.xls", "KIRVO-XLS 1\nPAS-UN-CLASSEUR\t", 512 * 9 + 1 * 4},
        // Its DIFAT chain, of 2^32 - 1 sectors says the header, is sector 9, which leads to itself
        // and lists no allocation sector; the directory is that same sector, without a workbook.
        {"workbook-difat-loop.xls", "PAS-UN-CLASSEUR\tformat non reconnu\nFIN\n"},
        // The same without the header's allocation sector: all must come from the looping chain.
        {"workbook-difat-loop.xls", "PAS-UN-CLASSEUR\tfichier endommagé\nFIN\n", 76, QByteArray(4, '\xFF')},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.fichier);
        const QString fichier = classeurRetouche(c.fichier, c.retouche, c.octets);
        const QByteArray sortie = lireAvecLimites({fichier, QStringLiteral("0"), QStringLiteral("5")});
        EXPECT_TRUE(sortie.contains(c.attendu)) << sortie.left(400).toStdString();
    }
}

// Workbooks the library reads are read to the same cells, at the cost of what they hold, and the
// private copy the library reads them from reads back to the same: a small stream kept in regular
// sectors of a file without a mini stream (the copy puts it in one), a sheet without a size (the
// library sizes it from all its cells: a run of 1 2 3 on the first row, a number in the sixth
// column of the second), a sheet without a size whose second number lies at row 65,536, column
// 243 (the library would size it 65,536 x 243, far past the memory bound), a run of 1,300 numbers
// on the last row before a sheet's size of 1 x 2 (the library drops it, and so does the size
// read), a workbook whose directory entry claims to be a storage (the library goes by its name).
TEST_F(XlsReaderTest, WorkbooksTheLibraryReadsAreRead) {
    const struct {
        const char* fichier;
        QByteArray attendu;
    } cas[] = {
        {"workbook-small-stream.xls", "FEUILLE\tFeuil1\nDIMENSIONS\t1\t1\nL\ta\nFIN\n"},
        {"workbook-no-dimension.xls", "FEUILLE\tA\nDIMENSIONS\t1\t5\nL\t1\t2\t3\t\t\nFIN\n"},
        {"workbook-no-dimension-far-cell.xls", "FEUILLE\tA\nDIMENSIONS\t1\t5\nL\t1\t\t\t\t\nFIN\n"},
        {"workbook-cells-before-dimension.xls", "FEUILLE\tA\nDIMENSIONS\t1\t1\nL\t42\nFIN\n"},
        {"workbook-entry-type-storage.xls",
         "FEUILLE\tS0\nFEUILLE\tS1\nFEUILLE\tS2\nDIMENSIONS\t49\t5\nL\ttxt80\t1\t\ttxt92\t82448.6921991573\n"
         "L\t1\t31299\t36855.1763941016\t1\t-492992\nL\ttxt35\t\t\t\t\nL\t\t\t\t\t\n"},
    };
    const QString copie = tmp.filePath(QStringLiteral("copie.xls"));
    for (const auto& c : cas) {
        SCOPED_TRACE(c.fichier);
        QFile::remove(copie);
        const QByteArray sortie = lireAvecLimites(
            {ClasseurDeTest(QString::fromLatin1(c.fichier)), QStringLiteral("0"), QStringLiteral("5"), copie});
        EXPECT_TRUE(sortie.startsWith("KIRVO-XLS 1\nCLASSEUR\n")) << sortie.left(400).toStdString();
        EXPECT_TRUE(sortie.contains(c.attendu)) << sortie.left(400).toStdString();
        ASSERT_TRUE(QFile::exists(copie));
        EXPECT_EQ(lireAvecLimites({copie, QStringLiteral("0"), QStringLiteral("5")}), sortie);
        // Where the copy keeps its stream agrees with its cut-off: under it, in a mini stream.
        const QByteArray octets = LireFichierTest(copie);
        const auto u32 = [&](qsizetype o) { return qFromLittleEndian<quint32>(octets.constData() + o); };
        const qsizetype entree = 4096 * (qsizetype(u32(48)) + 1) + 128;
        ASSERT_GE(octets.size(), entree + 128);
        EXPECT_EQ(u32(entree + 120) < u32(56), u32(64) > 0) << u32(entree + 120);
        // The library reads a small stream from the start of the mini stream, without the mini
        // stream's allocation table: a broken chain of that table changes nothing.
        if (u32(64) > 0) {
            EcrireFichierTest(copie, QByteArray(octets).replace(4096 + 4 * qsizetype(u32(60)), 4, "\x7F\x7F\x7F\x7F"));
            EXPECT_EQ(lireAvecLimites({copie, QStringLiteral("0"), QStringLiteral("5")}), sortie);
        }
    }
}

// A sheet without a size holds its cells where the library reads them, whatever columns are asked:
// a run of numbers read past the columns asked keeps the width it needs (the library sizes the
// sheet by the farthest first column, here the number in the sixth); what makes the library
// refuse the workbook still does, outside the columns asked too: a run that overflows that width
// (the number brought back to the second column), a shared text where there is no table of them
// (the far cell's record turned into one).
TEST_F(XlsReaderTest, SheetWithoutSizeIsReadAsTheLibraryReadsIt) {
    const struct {
        const char* fichier;
        const char* colonnes;
        QByteArray attendu;
        qsizetype retouche = -1;  // where the file gets other bytes
        QByteArray octets = {};
    } cas[] = {
        {"workbook-no-dimension.xls", "1", "FEUILLE\tA\nDIMENSIONS\t1\t1\nL\t1\nFIN\n"},
        {"workbook-no-dimension.xls", "256", "FEUILLE\tA\nDIMENSIONS\t2\t6\nL\t1\t2\t3\t\t\t\nL\t\t\t\t\t\t7\nFIN\n"},
        // The number's column, in the stream that starts at the file's first sector.
        {"workbook-no-dimension.xls", "5", "CLASSEUR\nERREUR-CLASSEUR\t", 512 + 1290, QByteArray("\x01\x00", 2)},
        {"workbook-no-dimension-far-cell.xls", "0", "FEUILLE\tA\nDIMENSIONS\t0\t0\nFIN\n"},
        // The far cell's record type.
        {"workbook-no-dimension-far-cell.xls", "5", "CLASSEUR\nERREUR-CLASSEUR\t", 512 + 75, QByteArray("\xFD\x00", 2)},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(std::string(c.fichier) + " " + c.colonnes);
        const QString fichier = classeurRetouche(c.fichier, c.retouche, c.octets);
        const QByteArray sortie = lireAvecLimites({fichier, QStringLiteral("0"), QString::fromLatin1(c.colonnes)});
        EXPECT_TRUE(sortie.contains(c.attendu)) << sortie.left(400).toStdString();
    }
}

// Past the sheets the program takes, the reader refuses the workbook before the library sees it
// (the library's cost grows with the square of their number), in the program's words.
TEST_F(XlsReaderTest, TooManySheetsAreRefusedByTheReader) {
    const auto classeur = [&](int nbFeuilles) {
        const QString chemin = tmp.filePath(QStringLiteral("feuilles-%1.xls").arg(nbFeuilles));
        QJsonArray feuilles;
        for (int i = 0; i < nbFeuilles; ++i) feuilles.append(QJsonArray());
        QString erreur;
        EXPECT_TRUE(EcrireClasseurTest(chemin, QJsonObject{{QStringLiteral("feuilles"), feuilles}}, &erreur))
            << erreur.toStdString();
        return chemin;
    };
    const QString trop = classeur(1025);
    EXPECT_EQ(lireAvecLimites({trop, QStringLiteral("0"), QStringLiteral("5")}),
              "KIRVO-XLS 1\nCLASSEUR\nERREUR-CLASSEUR\ttrop de feuilles (plus de 1024)\nFIN\n");
    const QString log = tmp.filePath(QStringLiteral("import.log"));
    LectureClasseur l = LireClasseur(trop, 0, 5, log, true);
    EXPECT_EQ(l.test, TestClasseur::Lisible);
    EXPECT_FALSE(l.ouvert);
    EXPECT_EQ(l.erreur, QStringLiteral("trop de feuilles (plus de 1024)"));
    EXPECT_TRUE(LireFichierTest(log).contains(" Erreur: trop de feuilles (plus de 1024)\r\n"));

    l = LireClasseur(classeur(1024), 0, 5, QString(), false);
    EXPECT_TRUE(l.feuilleLue) << l.erreur.toStdString();
    EXPECT_EQ(l.feuilles.size(), 1024);
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
