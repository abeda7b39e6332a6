// Start-up of the program on the sample site, to its main window on the screen, next to an empty
// Qt main window (a menu bar and a tab widget) started the same way. Each is a new process; the
// time runs from its start to the expose of its main window (the probe KIRVO_SONDE_DEMARRAGE
// prints a line then). Rounds alternate the two; the medians and their ratio are printed.
//   bench_startup [rounds]        (default 7; run under xvfb-run for a real window system)
#include "shell/startup_probe.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int fenetreVide(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow w;
    w.menuBar()->addMenu(QStringLiteral("Fichier"));
    w.menuBar()->addMenu(QStringLiteral("Synchroniser"));
    w.setCentralWidget(new QTabWidget);
    w.resize(1000, 700);
    InstallerSondeDemarrage(w);
    w.show();
    return app.exec();
}

// Milliseconds from the start of the process to its probe line; negative when it never came.
double mesurer(const QString& programme, const QStringList& arguments, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer t;
    t.start();
    p.start(programme, arguments);
    if (!p.waitForStarted(10000)) return -1;
    while (!p.canReadLine()) {
        if (!p.waitForReadyRead(30000)) {
            p.kill();
            p.waitForFinished(5000);
            return -1;
        }
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    p.waitForFinished(10000);
    return ms;
}

struct Serie {
    std::vector<double> ms;
    double mediane() const {
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    double min() const { return ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
    double max() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "--fenetre-vide") return fenetreVide(argc, argv);
    QCoreApplication app(argc, argv);
    const int tours = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 7;

    const QString build = QCoreApplication::applicationDirPath();
    const QString source = QStringLiteral(KIRVO_SOURCE_DIR);
    QTemporaryDir tmp;
    const QString site = tmp.path() + QStringLiteral("/site");
    QProcess exemple;
    exemple.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment envExemple = QProcessEnvironment::systemEnvironment();
    envExemple.insert(QStringLiteral("KIRVO_BTR"), build + QStringLiteral("/kirvo_btr"));
    exemple.setProcessEnvironment(envExemple);
    exemple.start(source + QStringLiteral("/scripts/sample-site"), {site});
    if (!exemple.waitForFinished(120000) || exemple.exitCode() != 0) {
        std::fprintf(stderr, "startup bench: the sample site could not be laid out\n");
        return 1;
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KIRVO_SONDE_DEMARRAGE"), QStringLiteral("1"));
    env.insert(QStringLiteral("KIRVO_DRIVES_ROOT"), site);
    env.insert(QStringLiteral("KIRVO_APP_DIR"), site + QStringLiteral("/c/Tessival/Ondrune/Tools_Kirvo"));
    if (!env.contains(QStringLiteral("DISPLAY")) && !env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    Serie programme, vide;
    // One start of each first, not counted: the files are in the page cache for every round.
    mesurer(build + QStringLiteral("/QD3_Tools_Kirvo"), {}, env);
    mesurer(QCoreApplication::applicationFilePath(), {QStringLiteral("--fenetre-vide")}, env);
    for (int i = 0; i < tours; ++i) {
        const double a = mesurer(build + QStringLiteral("/QD3_Tools_Kirvo"), {}, env);
        const double b = mesurer(QCoreApplication::applicationFilePath(), {QStringLiteral("--fenetre-vide")}, env);
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "startup bench: a start never showed its window (round %d)\n", i + 1);
            return 1;
        }
        programme.ms.push_back(a);
        vide.ms.push_back(b);
    }
    std::printf("start-up to the main window's expose, %d rounds (platform %s)\n", tours,
                qPrintable(env.value(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"))));
    std::printf("                      min      median     max   (ms)\n");
    std::printf("  empty main window %7.1f  %7.1f  %7.1f\n", vide.min(), vide.mediane(), vide.max());
    std::printf("  the program       %7.1f  %7.1f  %7.1f\n", programme.min(), programme.mediane(), programme.max());
    std::printf("  ratio of medians  %7.2f   (aim: at most 2.00)\n",
                vide.mediane() > 0 ? programme.mediane() / vide.mediane() : 0.0);
    return 0;
}
