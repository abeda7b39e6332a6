// The client synchronisation as the user starts it, against the engine's driver called alone on
// the same data.
//
// "program": the program brought up on a sample site (its main window, its real wait window, the
// options read from the base's settings file), then "Synchroniser" > "Publicité" > "Client"
// triggered. "engine": the client driver called directly on a copy of the same site's files, with
// the list grids laid out as the start-up lays them out, and no window at all.
//
// Each run is a process of its own (the platform is xcb when a display is there, as under
// xvfb-run, else offscreen), on a fresh copy of a site holding N clients still to create on the
// web (with their journal entries), against a fresh web-service double kept in this process, so
// that the double's lists weigh on neither side. A run makes two passes: the first creates every
// client on the web, the second finds nothing to send. The two paths alternate, R rounds (7 unless
// told) for each N (1,000 and 5,000 unless told); the medians are printed with their ratio, and
// the memory each pass added (its peak, and what is still in use after it), with how much it grows
// per 1,000 records more.
//
//   bench_program_sync_bench [--shm | --dossier DIR] [--tours R] [--n N[,N...]]
//
// To look into one path (perf, heaptrack), lay out a site and run that path alone against a
// standalone double (build/kirvo_web_double), KIRVO_DRIVES_ROOT and KIRVO_APP_DIR set as below:
//   bench_program_sync_bench --preparer SITE N
//   bench_program_sync_bench --moteur SITE URL USER PASSWORD     (the program: --programme, with
//                                                                the URL in the base's settings)
//
// DIR (default ./bench-program-sync-data, a disk) holds the sites; --shm puts them on /dev/shm
// (a tmpfs: without the durability cost, what the shell adds weighs more in the ratio).
#include "bench_records.h"
#include "database/btrieve.h"
#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "platform/dialogs.h"
#include "platform/record_manager.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "support/web_double.h"
#include "entities/client_family.h"
#include "grids/list_grids.h"
#include "sync/web_requests.h"

#include "../tests/database/record_files_fixture.cpp"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStorageInfo>
#include <QTimer>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Where the sample site keeps what the runs touch.
const QString kProgramme = QStringLiteral("/c/Tessival/Ondrune/Tools_Kirvo");
const QString kConfigBase = QStringLiteral("/c/Tessival/Ondrune/Config/Base_01");
const QString kDataBase = QStringLiteral("/d/Ondrune/Data/Base_01");

// No dialog may wait for a user here; the boxes a run would have shown are counted.
class SansDialogues : public DialogProvider {
public:
    int msgBox(const QString& prompt, int, const QString&) override {
        ++boites;
        std::fprintf(stderr, "program sync bench: box \"%s\"\n", qPrintable(prompt));
        return Mb::OK;
    }
    bool inputBox(const QString&, const QString&, QString&) override { return false; }
    QString pickFolder(const QString&, const QString&) override { return {}; }
    QString pickOpenFile(const QString&, const QString&, const QString&) override { return {}; }
    int boites = 0;
};

// --- resident memory of this process, kilobytes -------------------------------------------------

long champStatus(const char* nom) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray cle = QByteArray(nom) + ':';
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith(cle)) return l.mid(cle.size()).trimmed().split(' ').value(0).toLong();
    return 0;
}
// The peak starts again from the current resident size.
void repartirPic() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

// Lets the event loop run that long (a window's expose, timers the start-up left behind).
void laisserTourner(int ms) {
    QEventLoop boucle;
    QTimer::singleShot(ms, &boucle, &QEventLoop::quit);
    boucle.exec();
}

// Resident now, once the allocator has given back what it holds free: what is still in use.
long residentEnUsage() {
    malloc_trim(0);
    return champStatus("VmRSS");
}

// Processor time of this process so far (user and system), nanoseconds.
double tempsProcesseur() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e6 + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec)) *
           1e3;
}

// One pass measured: its time (elapsed, and the processor time of this process: the double works
// in another one), then the memory it added over what was in use before it (the peak during the
// pass and what is still in use after it).
struct Passe {
    double ns = 0, cpuNs = 0;
    long picKo = 0, finKo = 0;
};
Passe mesurer(const std::function<void()>& passe) {
    const long avant = residentEnUsage();
    repartirPic();
    const double cpu = tempsProcesseur();
    QElapsedTimer t;
    t.start();
    passe();
    Passe p;
    p.ns = double(t.nsecsElapsed());
    p.cpuNs = tempsProcesseur() - cpu;
    p.picKo = champStatus("VmHWM") - avant;
    p.finKo = residentEnUsage() - avant;
    return p;
}

// The child's answer on its standard output: one line. Last, how much of the memory in use the
// client grid's rows (the web list the passes fetched) give back when it is emptied: a lower bound
// of what they hold, as the allocator returns only what lies at the end of its areas.
int rendre(const Passe& a, const Passe& b, int boites) {
    const long avant = residentEnUsage();
    GrillePub(GrillePubNo::Client)->setMaxRows(0);
    const long grilleKo = avant - residentEnUsage();
    std::printf("RESULTAT %.0f %.0f %ld %ld %.0f %.0f %ld %ld %d %ld\n", a.ns, a.cpuNs, a.picKo, a.finKo, b.ns, b.cpuNs,
                b.picKo, b.finKo, boites, grilleKo);
    std::fflush(stdout);
    // The site is thrown away: no orderly shutdown to pay for.
    std::_Exit(0);
}

// --- the two paths, each in its own process ----------------------------------------------------

int cheminProgramme(int argc, char** argv) {
    QApplication app(argc, argv);
    SansDialogues dialogues;
    SetDialogues(&dialogues);
    Frm_Main frm;
    if (!DemarrerProgramme(frm)) {
        std::fprintf(stderr, "program sync bench: the program did not start\n");
        return 1;
    }
    laisserTourner(500);
    QAction* client = frm.MnuSynchroniserPub[2];
    if (!client || client->text() != QLatin1String("Client")) {
        std::fprintf(stderr, "program sync bench: no \"Client\" entry where it was expected\n");
        return 1;
    }
    const Passe premiere = mesurer([&] { client->trigger(); });
    laisserTourner(200);
    const Passe seconde = mesurer([&] { client->trigger(); });
    return rendre(premiere, seconde, dialogues.boites);
}

int cheminMoteur(int argc, char** argv, const QString& site, const ParametresWeb& web) {
    QApplication app(argc, argv);
    SansDialogues dialogues;
    SetDialogues(&dialogues);
    DossierApplication = site + kProgramme + QLatin1Char('/');
    QDir().mkpath(DossierApplication + QStringLiteral("Local/QD3_Tools_Kirvo"));
    FichiersReels fichiers(site + kDataBase);
    for (int f : {3, 8})
        if (fichiers.ouvrir(f) != 0) {
            std::fprintf(stderr, "program sync bench: file %d of the site does not open\n", f);
            return 1;
        }
    SetSourceParametresWeb([web] { return web; });
    ClientWeb().HttpUtilisateur = web.utilisateur;
    ClientWeb().HttpMotDePasse = web.motDePasse;
    ReinitialiserGrillesPub();
    InitGeneralTableur(true, true);
    laisserTourner(100);
    const Passe premiere = mesurer([&] { SynchroniserPub_01_Client(web.adresse); });
    laisserTourner(200);
    const Passe seconde = mesurer([&] { SynchroniserPub_01_Client(web.adresse); });
    return rendre(premiere, seconde, dialogues.boites);
}

// --- the sites ----------------------------------------------------------------------------------

bool copier(const QString& de, const QString& vers) {
    QDir(vers).removeRecursively();
    QDirIterator it(de, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    QDir().mkpath(vers);
    while (it.hasNext()) {
        const QString chemin = it.next();
        const QString cible = vers + chemin.mid(de.size());
        if (it.fileInfo().isDir()) {
            if (!QDir().mkpath(cible)) return false;
        } else if (!QFile::copy(chemin, cible)) {
            return false;
        }
    }
    return true;
}

// The sample site laid out in dossier, its clients and journal replaced by n clients that wait to
// be created on the web, each written through the wrapper with its journal entry, as the suite's
// programs leave them.
bool preparerSite(const QString& dossier, int n) {
    const QString build = QCoreApplication::applicationDirPath();
    QDir(dossier).removeRecursively();
    QProcess exemple;
    exemple.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KIRVO_BTR"), build + QStringLiteral("/kirvo_btr"));
    exemple.setProcessEnvironment(env);
    exemple.start(QStringLiteral(KIRVO_SOURCE_DIR) + QStringLiteral("/scripts/sample-site"), {dossier});
    if (!exemple.waitForFinished(120000) || exemple.exitCode() != 0) return false;

    const QString data = dossier + kDataBase;
    for (const QString& nom : QDir(data).entryList({QStringLiteral("FRAD003.bt6*"), QStringLiteral("FRAD008.bt6*")}))
        QFile::remove(data + QLatin1Char('/') + nom);
    DossierApplication = dossier + kProgramme + QLatin1Char('/');
    {
        FichiersReels fichiers(data);
        if (fichiers.ouvrir(3) != 0 || fichiers.ouvrir(8) != 0) return false;
        for (int i = 1; i <= n; ++i) {
            PoserClientBanc(i);
            QString k(8, QLatin1Char(' '));
            BTRieve(0, BtrOp::Insert, k, 0, 3, 1, QStringLiteral("Bench"));
            if (BtrStatus != 0) return false;
        }
    }
    ReinitialiserEtatBTrieve();
    return true;
}

// The web settings of the site's base, as the options window reads them.
bool ecrireOptionsWeb(const QString& site, const ParametresWeb& web) {
    QFile f(site + kConfigBase + QStringLiteral("/QD3_Tools_Kirvo.Ini"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const QString texte =
        QStringLiteral("[URL]\r\nAdresse=%1\r\nUser=%2\r\nPW=%3\r\n").arg(web.adresse, web.utilisateur, web.motDePasse);
    return f.write(texte.toLatin1()) > 0;
}

struct Run {
    Passe premiere, seconde;
    int boites = 0;
    long grilleKo = 0;
    int creesSurLeWeb = 0;
    // In use after both passes, beside the web list the client grid holds.
    long horsGrilleKo() const { return premiere.finKo + seconde.finKo - grilleKo; }
};

// One run of a path on a fresh copy of the site and a fresh double; nullopt when it failed.
std::optional<Run> lancer(bool programme, const QString& modele, const QString& site, int n) {
    if (!copier(modele, site)) {
        std::fprintf(stderr, "program sync bench: the site could not be copied\n");
        return std::nullopt;
    }
    double_web::WebDouble web;
    QString erreur;
    if (!web.demarrer(0, &erreur)) {
        std::fprintf(stderr, "program sync bench: the double did not start: %s\n", qPrintable(erreur));
        return std::nullopt;
    }
    const ParametresWeb p{web.adresseBase(), web.options().utilisateur, web.options().motDePasse};
    if (!ecrireOptionsWeb(site, p)) return std::nullopt;

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KIRVO_DRIVES_ROOT"), site);
    env.insert(QStringLiteral("KIRVO_APP_DIR"), site + kProgramme);
    if (!env.contains(QStringLiteral("DISPLAY")) && !env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess enfant;
    enfant.setProcessEnvironment(env);
    enfant.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QStringList args =
        programme ? QStringList{QStringLiteral("--programme")}
                  : QStringList{QStringLiteral("--moteur"), site, p.adresse, p.utilisateur, p.motDePasse};
    enfant.start(QCoreApplication::applicationFilePath(), args);
    if (!enfant.waitForFinished(-1) || enfant.exitCode() != 0) {
        std::fprintf(stderr, "program sync bench: the %s run failed\n", programme ? "program" : "engine");
        web.arreter();
        return std::nullopt;
    }
    std::optional<Run> r;
    for (const QByteArray& l : enfant.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> c = l.trimmed().split(' ');
        if (c.size() != 11 || c[0] != "RESULTAT") continue;
        r = Run{{c[1].toDouble(), c[2].toDouble(), c[3].toLong(), c[4].toLong()},
                {c[5].toDouble(), c[6].toDouble(), c[7].toLong(), c[8].toLong()},
                c[9].toInt(),
                c[10].toLong(),
                0};
    }
    if (r)
        for (const auto& e : web.elements(double_web::Client)) r->creesSurLeWeb += e.statut == double_web::Synchronise;
    web.arreter();
    if (!r) std::fprintf(stderr, "program sync bench: the %s run gave no result\n", programme ? "program" : "engine");
    return r;
}

double mediane(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Serie {
    std::vector<Run> runs;
    std::vector<double> champ(const std::function<double(const Run&)>& f) const {
        std::vector<double> v;
        for (const Run& r : runs) v.push_back(f(r));
        return v;
    }
};

struct Resultat {
    int n = 0;
    Serie programme, moteur;
};

// A time of the runs, microseconds a record: the medians of both paths and the ratio of the
// medians, with the least and greatest ratio of a round's pair.
void ligneTemps(const char* quoi, const Resultat& r, const std::function<double(const Run&)>& ns, const char* but) {
    const auto us = [&](const Serie& s) { return s.champ([&](const Run& x) { return ns(x) / r.n / 1000; }); };
    const std::vector<double> p = us(r.programme), m = us(r.moteur);
    std::vector<double> ratios;
    for (size_t i = 0; i < p.size() && i < m.size(); ++i) ratios.push_back(m[i] > 0 ? p[i] / m[i] : 0);
    std::printf("  %-26s %8.1f  %8.1f   %6.3f  (%.3f .. %.3f)  %s\n", quoi, mediane(m), mediane(p),
                mediane(m) > 0 ? mediane(p) / mediane(m) : 0.0, *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()), but);
}

// The median of a memory figure of the runs, megabytes.
double memoireMo(const Serie& s, const std::function<long(const Run&)>& ko) {
    return mediane(s.champ([&](const Run& x) { return double(ko(x)) / 1024; }));
}

struct FigureMemoire {
    const char* nom;
    std::function<long(const Run&)> ko;
};
std::vector<FigureMemoire> FiguresMemoire() {
    return {
        {"first pass, peak", [](const Run& r) { return r.premiere.picKo; }},
        {"first pass, end", [](const Run& r) { return r.premiere.finKo; }},
        {"second pass, peak", [](const Run& r) { return r.seconde.picKo; }},
        {"second pass, end", [](const Run& r) { return r.seconde.finKo; }},
        {"given back by emptying the client grid", [](const Run& r) { return r.grilleKo; }},
        {"both passes' end, less what the grid gave", [](const Run& r) { return r.horsGrilleKo(); }},
    };
}

// The platform plugins' notes on what they cannot do, and the runtime folder's, said at every
// start, would bury the figures.
void filtrerMessages(QtMsgType type, const QMessageLogContext& contexte, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support")) ||
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, contexte, message)));
}

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(filtrerMessages);
    if (argc > 1 && QByteArray(argv[1]) == "--programme") return cheminProgramme(argc, argv);
    if (argc > 5 && QByteArray(argv[1]) == "--moteur")
        return cheminMoteur(
            argc, argv, QString::fromLocal8Bit(argv[2]),
            {QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]), QString::fromLocal8Bit(argv[5])});

    QCoreApplication app(argc, argv);
    SansDialogues dialogues;
    SetDialogues(&dialogues);
    if (argc > 3 && QByteArray(argv[1]) == "--preparer") return preparerSite(app.arguments()[2], atoi(argv[3])) ? 0 : 1;
    QString dossier = QDir::currentPath() + QStringLiteral("/bench-program-sync-data");
    int tours = 7;
    std::vector<int> tailles{1000, 5000};
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--shm"))
            dossier = QStringLiteral("/dev/shm/kirvo-bench-program-sync");
        else if (args[i] == QLatin1String("--dossier") && i + 1 < args.size())
            dossier = args[++i];
        else if (args[i] == QLatin1String("--tours") && i + 1 < args.size())
            tours = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--n") && i + 1 < args.size()) {
            tailles.clear();
            for (const QString& t : args[++i].split(QLatin1Char(',')))
                if (t.toInt() > 0) tailles.push_back(t.toInt());
        }
    }
    if (tailles.empty()) tailles = {1000};
    QDir().mkpath(dossier);
    const QString plateforme = qEnvironmentVariable(
        "QT_QPA_PLATFORM", qEnvironmentVariableIsSet("DISPLAY") ? QStringLiteral("xcb") : QStringLiteral("offscreen"));
    std::printf("sites in: %s (%s), platform %s, %d rounds, the paths alternating\n\n", qPrintable(dossier),
                QStorageInfo(dossier).fileSystemType().constData(), qPrintable(plateforme), tours);
    std::fflush(stdout);

    std::vector<Resultat> resultats;
    bool echec = false;
    for (int n : tailles) {
        const QString modele = dossier + QStringLiteral("/modele-%1").arg(n);
        if (!preparerSite(modele, n)) {
            std::fprintf(stderr, "program sync bench: the site of %d clients could not be laid out\n", n);
            return 1;
        }
        const QString site = dossier + QStringLiteral("/site");
        Resultat res;
        res.n = n;
        // One run of each first, not counted: the program and the files are in the page cache.
        for (bool programme : {true, false})
            if (!lancer(programme, modele, site, n)) return 1;
        for (int t = 0; t < tours; ++t) {
            for (int k = 0; k < 2; ++k) {
                const bool programme = (t + k) % 2 == 0;
                const std::optional<Run> r = lancer(programme, modele, site, n);
                if (!r) return 1;
                if (r->creesSurLeWeb != n) {
                    std::fprintf(stderr, "program sync bench: %s run: %d of %d clients created on the web\n",
                                 programme ? "program" : "engine", r->creesSurLeWeb, n);
                    echec = true;
                }
                if (r->boites) echec = true;
                (programme ? res.programme : res.moteur).runs.push_back(*r);
            }
        }
        QDir(site).removeRecursively();
        QDir(modele).removeRecursively();
        resultats.push_back(res);

        std::printf("%d clients, medians\n", n);
        std::printf("  us a record                  engine   program    ratio  (pairs' range)\n");
        ligneTemps(
            "first pass", res, [](const Run& x) { return x.premiere.ns; }, "aim <= 1.10");
        ligneTemps(
            "second pass", res, [](const Run& x) { return x.seconde.ns; }, "aim <= 1.10");
        ligneTemps(
            "both passes", res, [](const Run& x) { return x.premiere.ns + x.seconde.ns; }, "aim <= 1.10");
        ligneTemps(
            "both passes, processor", res, [](const Run& x) { return x.premiere.cpuNs + x.seconde.cpuNs; },
            "(this process's own)");
        std::printf("  memory in use added, MB                       engine   program\n");
        for (const FigureMemoire& f : FiguresMemoire())
            std::printf("    %-42s %8.1f  %8.1f\n", f.nom, memoireMo(res.moteur, f.ko), memoireMo(res.programme, f.ko));
        std::printf("\n");
        std::fflush(stdout);
    }

    // Memory flat in the number of records: what the added memory grows by from the smallest to
    // the largest N, per 1,000 records more.
    if (resultats.size() >= 2) {
        const Resultat& a = resultats.front();
        const Resultat& b = resultats.back();
        const double milliers = double(b.n - a.n) / 1000;
        std::printf("memory flat in the number of records: what each figure grows by from %d to %d clients\n", a.n,
                    b.n);
        std::printf("  per 1,000 records more, MB                     engine   program\n");
        for (const FigureMemoire& f : FiguresMemoire())
            std::printf("    %-42s %8.2f  %8.2f\n", f.nom,
                        (memoireMo(b.moteur, f.ko) - memoireMo(a.moteur, f.ko)) / milliers,
                        (memoireMo(b.programme, f.ko) - memoireMo(a.programme, f.ko)) / milliers);
    }
    QDir(dossier).removeRecursively();
    if (echec) std::printf("ERROR: a run did not create every client on the web, or showed a box\n");
    return echec ? 1 : 0;
}
