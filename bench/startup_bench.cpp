// Start-up of the program on the sample site, to its main window on the screen, next to an empty
// Qt main window (a menu bar and a tab widget) started the same way. Each is a new process; the
// time runs from its start to the moment the X server maps its main window: the bench watches the
// maps of top-level windows on the root window, and the probe KIRVO_SONDE_DEMARRAGE names the main
// window once it is exposed (the expose comes after the map, by a delay that depends on the window
// system rather than on the program, so it is not what is timed). The two sides take turns at
// going first, round after round; each side's times and the ratio program / empty window of each
// round are printed (min, median, max).
//   bench_startup_bench [rounds]   (default 7; under xvfb-run: an X server without a window
//                                   manager, whose top-level windows are children of the root)
#include "shell/startup_probe.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
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

// The X server's word on when windows are mapped: the maps of the root window's children (the
// top-level windows when no window manager reparents them), each stamped as it is read.
class CartesX {
public:
    CartesX() {
        int ecran = 0;
        c_ = xcb_connect(nullptr, &ecran);
        if (xcb_connection_has_error(c_)) return;
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c_));
        for (int i = 0; i < ecran && it.rem; ++i) xcb_screen_next(&it);
        if (!it.rem) return;
        const uint32_t masque = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_generic_error_t* e =
            xcb_request_check(c_, xcb_change_window_attributes_checked(c_, it.data->root, XCB_CW_EVENT_MASK, &masque));
        ok_ = e == nullptr;
        std::free(e);
    }
    ~CartesX() { xcb_disconnect(c_); }
    bool ok() const { return ok_; }

    // Forgets the maps seen so far and starts stamping against t.
    void depuis(const QElapsedTimer& t) {
        t_ = nullptr;
        lire(0);  // maps of an earlier start, not stamped
        cartes_.clear();
        t_ = &t;
    }
    // Reads the maps that came, waiting up to ms for the first one.
    void lire(int ms) {
        pollfd pf{xcb_get_file_descriptor(c_), POLLIN, 0};
        bool attendu = false;
        for (;;) {
            while (xcb_generic_event_t* ev = xcb_poll_for_event(c_)) {
                if ((ev->response_type & 0x7F) == XCB_MAP_NOTIFY && t_) {
                    const auto* m = reinterpret_cast<const xcb_map_notify_event_t*>(ev);
                    if (!cartes_.contains(m->window)) cartes_.insert(m->window, double(t_->nsecsElapsed()) / 1e6);
                }
                std::free(ev);
            }
            if (attendu || ms <= 0 || ::poll(&pf, 1, ms) <= 0) return;
            attendu = true;
        }
    }
    // Milliseconds at which the window was mapped; negative when its map was not seen.
    double carte(uint32_t fenetre) const { return cartes_.value(fenetre, -1); }

private:
    xcb_connection_t* c_ = nullptr;
    bool ok_ = false;
    const QElapsedTimer* t_ = nullptr;
    QHash<uint32_t, double> cartes_;
};

// Milliseconds from the start of the process to the map of the window its probe names; negative
// when it never came.
double mesurer(CartesX& x, const QString& programme, const QStringList& arguments, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer t;
    t.start();
    x.depuis(t);
    p.start(programme, arguments);
    if (!p.waitForStarted(10000)) return -1;
    QByteArray ligne;
    while (!ligne.startsWith("affichee ")) {
        x.lire(10);
        p.waitForReadyRead(0);
        if (p.canReadLine() || (p.state() == QProcess::NotRunning && p.bytesAvailable() > 0)) {
            ligne = p.readLine().trimmed();
            continue;
        }
        if (p.state() == QProcess::NotRunning || t.elapsed() > 30000) {
            p.kill();
            p.waitForFinished(5000);
            return -1;
        }
    }
    p.waitForFinished(10000);
    x.lire(0);
    return x.carte(uint32_t(ligne.mid(9).toULongLong()));
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
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    CartesX x;
    if (!x.ok()) {
        std::fprintf(stderr, "startup bench: no X server to watch the windows being mapped (run it under xvfb-run)\n");
        return 1;
    }

    const QString leProgramme = build + QStringLiteral("/QD3_Tools_Kirvo");
    const QString laFenetreVide = QCoreApplication::applicationFilePath();
    const QStringList argsVide{QStringLiteral("--fenetre-vide")};
    Serie programme, vide, ratio;
    // One start of each first, not counted: the files are in the page cache for every round.
    mesurer(x, leProgramme, {}, env);
    mesurer(x, laFenetreVide, argsVide, env);
    for (int i = 0; i < tours; ++i) {
        double a, b;
        // Each side goes first in every other round: what the first start leaves behind (caches,
        // the X server's state) favours neither.
        if (i % 2 == 0) {
            a = mesurer(x, leProgramme, {}, env);
            b = mesurer(x, laFenetreVide, argsVide, env);
        } else {
            b = mesurer(x, laFenetreVide, argsVide, env);
            a = mesurer(x, leProgramme, {}, env);
        }
        if (a < 0 || b < 0) {
            std::fprintf(stderr,
                         "startup bench: the map of a main window was not seen (round %d; a window manager that "
                         "reparents windows hides it: run under xvfb-run)\n",
                         i + 1);
            return 1;
        }
        programme.ms.push_back(a);
        vide.ms.push_back(b);
        ratio.ms.push_back(a / b);
    }
    std::printf("start-up to the main window mapped on the X server, %d rounds, each side first in every other round\n",
                tours);
    std::printf("                      min      median     max   (ms)\n");
    std::printf("  empty main window %7.1f  %7.1f  %7.1f\n", vide.min(), vide.mediane(), vide.max());
    std::printf("  the program       %7.1f  %7.1f  %7.1f\n", programme.min(), programme.mediane(), programme.max());
    std::printf("  ratio per round   %7.2f  %7.2f  %7.2f   (aim: median at most 2.00)\n", ratio.min(), ratio.mediane(),
                ratio.max());
    return 0;
}
