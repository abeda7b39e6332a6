// The synchronisation of each family (clients, products, business sectors, salespeople) on its
// real path, against the web-service double: N local records created on the web by a first run,
// then a second run that finds nothing to send. The advertising grids are laid out as the program
// lays them out at start-up, so the list fetches fill real rows and every step does its per-record
// work.
//
// Beside each run, in the same process and interleaved with it, the same requests are sent bare
// with the same HTTP client to a double of their own (CreateXML for a first run, GetByIdWeb for a
// second), then again with as many durable SQLite commits as the run made, spread among them.
// The ratio "run / bare + commits" is what the program itself adds. Where a side stands in its
// round changes its time (the same bare requests measured twice in one round differ by half), so
// the run and its bare counterparts take turns at going first, round after round.
//
// A request costs more after the sending thread has worked for a while than right after the one
// before: the client's network thread and the double's server thread have gone to sleep and must
// be woken. So the time spent inside the run's requests is printed too, beside the same bare
// requests sent after busy pauses as long as the run's own work between two of its requests.
//
//   bench_sync_bench [--shm | --dossier DIR] [--n N] [--tours R] [--famille NAME]
//
// The database files go to DIR (default: ./bench-sync-data under the current folder, a disk);
// --shm puts them on /dev/shm (a tmpfs: no durability cost). The folder and its file system are
// printed. R rounds (default 5; 4 or more let each side go first once); the median, min and max
// are printed.
#include "bench_records.h"
#include "database/btrieve.h"
#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "platform/dialogs.h"
#include "platform/record_manager.h"
#include "support/web_double.h"
#include "entities/product_family.h"
#include "entities/salesperson_family.h"
#include "entities/sector_family.h"
#include "entities/client_family.h"
#include "grids/list_grids.h"
#include "sync/sync_engine.h"
#include "sync/web_requests.h"

#include "../tests/database/record_files_fixture.cpp"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStorageInfo>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

// No dialog may wait for a user here.
class SansDialogues : public DialogProvider {
public:
    int msgBox(const QString&, int, const QString&) override { return Mb::OK; }
    bool inputBox(const QString&, const QString&, QString&) override { return false; }
    QString pickFolder(const QString&, const QString&) override { return {}; }
    QString pickOpenFile(const QString&, const QString&, const QString&) override { return {}; }
};

// What the bench needs of a family: its engine data, its driver, its web entity, and how to lay
// out local record i (a new record to create on the web) in its file's buffer.
struct FamilleBanc {
    const char* nom;
    std::function<const FamilleSynchro&()> famille;
    std::function<void(const QString& url)> synchroniser;
    QString entiteWeb;
    std::function<void(int i)> poserEnregistrement;
};

std::vector<FamilleBanc> Familles() {
    return {
        {"client", FamilleClient, SynchroniserPub_01_Client, double_web::Client, PoserClientBanc},
        {"product", FamilleProduit, SynchroniserPub_02_Produit, double_web::Produit,
         [](int i) {
             Vider(EnregProduit);
             EcrireTexte(EnregProduit.Code, QStringLiteral("P%1").arg(i, 9, 10, QLatin1Char('0')));
             EcrireTexte(EnregProduit.Libelle, QStringLiteral("Produit n° %1 + éclat").arg(i));
             EnregProduit.Etat[0] = 'C';
             EnregProduit.FlagWeb[0] = 'O';
         }},
        {"sector", FamilleSecteur, SynchroniserPub_03_Secteur, double_web::Secteur,
         [](int i) {
             Vider(EnregSecteur);
             EcrireTexte(EnregSecteur.Code, QStringLiteral("S%1").arg(i, 9, 10, QLatin1Char('0')));
             EcrireTexte(EnregSecteur.Libelle, QStringLiteral("Secteur %1 & co").arg(i));
             EnregSecteur.Etat[0] = 'C';
             EnregSecteur.FlagWeb[0] = 'O';
         }},
        {"salesperson", FamilleCommercial, SynchroniserPub_04_Commercial, double_web::Commercial,
         [](int i) {
             Vider(EnregCommercial);
             EcrireTexte(EnregCommercial.Code, QStringLiteral("C%1").arg(i, 7, 10, QLatin1Char('0')));
             EcrireTexte(EnregCommercial.Nom, QStringLiteral("Commercial %1 Élodie").arg(i));
             EnregCommercial.Etat[0] = 'C';
             EnregCommercial.FlagWeb[0] = 'O';
         }},
    };
}

// Durable commits of the same kind as the record manager's (WAL, synchronous=FULL), one small row
// each, in a database of their own in the bench's folder.
class Commits {
public:
    explicit Commits(const QString& chemin) {
        sqlite3_open(QFile::encodeName(chemin).constData(), &db_);
        sqlite3_exec(db_,
                     "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                     "CREATE TABLE IF NOT EXISTS t(k INTEGER PRIMARY KEY, v BLOB)",
                     nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db_, "INSERT OR REPLACE INTO t(k, v) VALUES(?, zeroblob(400))", -1, &ins_, nullptr);
    }
    ~Commits() {
        sqlite3_finalize(ins_);
        sqlite3_close(db_);
    }
    void un() {
        sqlite3_bind_int64(ins_, 1, ++n_ % 4096);
        sqlite3_step(ins_);
        sqlite3_reset(ins_);
    }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* ins_ = nullptr;
    int64_t n_ = 0;
};

// The requests alone, with the same client, each answer written to a file as the run does;
// `commits` durable commits spread evenly among them; before each request, `pauseNs` of busy work
// on this thread (not counted), as the run's own work between its requests. Nanoseconds in all.
double RequetesNues(const QStringList& adresses, const QString& fichier, Commits* base, uint64_t commits,
                    qint64 pauseNs = 0) {
    ClientHttp& http = ClientWeb();
    const uint64_t n = uint64_t(adresses.size());
    QElapsedTimer t;
    t.start();
    qint64 enPause = 0;
    for (uint64_t i = 0; i < n; ++i) {
        if (pauseNs > 0) {
            QElapsedTimer p;
            p.start();
            while (p.nsecsElapsed() < pauseNs) {}
            enPause += p.nsecsElapsed();
        }
        http.HttpRequeteVersFichier(adresses[qsizetype(i)], fichier);
        http.HttpFinRequete();
        if (base)
            for (uint64_t c = i * commits / n; c < (i + 1) * commits / n; ++c) base->un();
    }
    return double(t.nsecsElapsed() - enPause);
}

// A run of the family, the time it spent inside its requests and the durable commits it made.
struct Passe {
    double total = 0, requetes = 0;
    qint64 nombre = 0;
    uint64_t commits = 0;
};
Passe Synchroniser(const std::function<void(const QString&)>& synchroniser, const QString& url) {
    const ClientHttp& http = ClientWeb();
    const qint64 n0 = http.nombreRequetes(), d0 = http.dureeRequetesNs();
    const uint64_t c0 = BtrNbCommits();
    QElapsedTimer t;
    t.start();
    synchroniser(url);
    Passe p;
    p.total = double(t.nsecsElapsed());
    p.requetes = double(http.dureeRequetesNs() - d0);
    p.nombre = http.nombreRequetes() - n0;
    p.commits = BtrNbCommits() - c0;
    return p;
}

// The run's own work between two of its requests.
qint64 PauseMoyenne(const Passe& p) { return p.nombre > 0 ? qint64((p.total - p.requetes) / double(p.nombre)) : 0; }

struct Mesure {
    double nueCreation = 0, nueCreationCommits = 0, premiere = 0;
    double nueLecture = 0, nueLectureCommits = 0, seconde = 0;
    // Inside the run's requests, and the bare requests after pauses as long as the run's own work.
    double requetesPremiere = 0, nueCreationPause = 0, requetesSeconde = 0, nueLecturePause = 0;
    uint64_t commitsPremiere = 0, commitsSeconde = 0;
    qint64 pausePremiere = 0, pauseSeconde = 0;  // the run's own work between two of its requests
    bool complete = false;
};

// A run of the family, into the figures a round keeps of it.
void Courir(const FamilleBanc& fb, const QString& url, double& total, double& requetes, uint64_t& commits,
            qint64& pause) {
    const Passe p = Synchroniser(fb.synchroniser, url);
    total = p.total;
    requetes = p.requetes;
    commits = p.commits;
    pause = PauseMoyenne(p);
}

// The sides of a round one after the other, the first being a different one each round.
void EnAlternance(int tour, const std::vector<std::function<void()>>& cotes) {
    for (size_t i = 0; i < cotes.size(); ++i) cotes[(size_t(tour) + i) % cotes.size()]();
}

// A round. A bare side that goes before the run takes the run's commits and pauses from the round
// before (avant); the first round starts with the bare requests and the run.
Mesure Tour(const FamilleBanc& fb, const QString& dossier, int n, int tour, const Mesure* avant) {
    Mesure m;
    if (avant) {
        m.commitsPremiere = avant->commitsPremiere;
        m.commitsSeconde = avant->commitsSeconde;
        m.pausePremiere = avant->pausePremiere;
        m.pauseSeconde = avant->pauseSeconde;
    }
    QDir(dossier).removeRecursively();
    QDir().mkpath(dossier);
    DossierApplication = dossier + QStringLiteral("/app/");
    QDir().mkpath(DossierApplication + QStringLiteral("Local/QD3_Tools_Kirvo"));
    const FamilleSynchro& f = fb.famille();

    auto fichiers = std::make_unique<FichiersReels>(dossier);
    fichiers->ouvrir(f.noFichier);
    fichiers->ouvrir(8);

    double_web::WebDouble web, webNu;
    web.demarrer();
    webNu.demarrer();
    const ParametresWeb p{web.adresseBase(), web.options().utilisateur, web.options().motDePasse};
    SetSourceParametresWeb([p] { return p; });
    ClientWeb().HttpUtilisateur = p.utilisateur;
    ClientWeb().HttpMotDePasse = p.motDePasse;
    ReinitialiserGrillesPub();
    InitGeneralTableur(true, true);

    // The records, and the creation query of each as the run will build it.
    QStringList creations;
    for (int i = 1; i <= n; ++i) {
        fb.poserEnregistrement(i);
        creations << AdresseRequeteWeb(webNu.adresseBase(), fb.entiteWeb, QStringLiteral("CreateXML"),
                                       f.requeteCreation());
        QString k(f.largeurCode, QLatin1Char(' '));
        BTRieve(0, BtrOp::Insert, k, 0, f.noFichier, 1, QStringLiteral("Bench"));
    }
    const QString reponse = dossier + QStringLiteral("/nue.xml");
    Commits commits(dossier + QStringLiteral("/commits.db"));

    EnAlternance(
        tour,
        {
            [&] {
                webNu.vider();
                m.nueCreation = RequetesNues(creations, reponse, nullptr, 0);
            },
            [&] { Courir(fb, web.adresseBase(), m.premiere, m.requetesPremiere, m.commitsPremiere, m.pausePremiere); },
            [&] {
                webNu.vider();
                m.nueCreationCommits = RequetesNues(creations, reponse, &commits, m.commitsPremiere);
            },
            [&] {
                webNu.vider();
                m.nueCreationPause = RequetesNues(creations, reponse, nullptr, 0, m.pausePremiere);
            },
        });

    int surLeWeb = 0;
    QStringList lectures;
    for (const auto& e : web.elements(fb.entiteWeb)) {
        surLeWeb += e.statut == double_web::Synchronise;
        lectures << AdresseRequeteWeb(web.adresseBase(), fb.entiteWeb, QStringLiteral("GetByIdWeb"),
                                      RequeteIdWeb(f, e.idWeb));
    }
    m.complete = surLeWeb == n;

    EnAlternance(
        tour,
        {
            [&] { m.nueLecture = RequetesNues(lectures, reponse, nullptr, 0); },
            [&] { Courir(fb, web.adresseBase(), m.seconde, m.requetesSeconde, m.commitsSeconde, m.pauseSeconde); },
            [&] { m.nueLectureCommits = RequetesNues(lectures, reponse, &commits, m.commitsSeconde); },
            [&] { m.nueLecturePause = RequetesNues(lectures, reponse, nullptr, 0, m.pauseSeconde); },
        });

    fichiers.reset();
    web.arreter();
    webNu.arreter();
    return m;
}

struct Stat {
    double min = 0, med = 0, max = 0;
};
Stat Stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

void Ligne(const char* quoi, const std::vector<double>& ns, int n) {
    std::vector<double> us;
    for (double x : ns) us.push_back(x / n / 1000);
    const Stat s = Stats(us);
    std::printf("  %-44s %8.1f us  (%.1f .. %.1f)\n", quoi, s.med, s.min, s.max);
}

void Ratio(const char* quoi, const std::vector<double>& a, const std::vector<double>& b, const char* but) {
    std::vector<double> r;
    for (size_t i = 0; i < a.size(); ++i) r.push_back(b[i] > 0 ? a[i] / b[i] : 0);
    const Stat s = Stats(r);
    std::printf("  %-44s %8.2f     (%.2f .. %.2f)   aim %s\n", quoi, s.med, s.min, s.max, but);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SansDialogues dialogues;
    SetDialogues(&dialogues);

    QString dossier = QDir::currentPath() + QStringLiteral("/bench-sync-data");
    int n = 2000, tours = 5;
    QString seule;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--shm"))
            dossier = QStringLiteral("/dev/shm/kirvo-bench-sync");
        else if (args[i] == QLatin1String("--dossier") && i + 1 < args.size())
            dossier = args[++i];
        else if (args[i] == QLatin1String("--n") && i + 1 < args.size())
            n = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--tours") && i + 1 < args.size())
            tours = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--famille") && i + 1 < args.size())
            seule = args[++i];
    }
    QDir().mkpath(dossier);
    const QStorageInfo fs(dossier);
    std::printf("database folder: %s (%s)\n%d records a family, %d rounds, median (min .. max)\n\n",
                qPrintable(dossier), fs.fileSystemType().constData(), n, tours);

    bool echec = false;
    for (const FamilleBanc& fb : Familles()) {
        if (!seule.isEmpty() && seule != QLatin1String(fb.nom)) continue;
        std::vector<Mesure> ms;
        for (int r = 0; r < tours; ++r)
            ms.push_back(Tour(fb, dossier + QStringLiteral("/run"), n, r, ms.empty() ? nullptr : &ms.back()));
        const auto champ = [&](double Mesure::*c) {
            std::vector<double> v;
            for (const Mesure& m : ms) v.push_back(m.*c);
            return v;
        };
        std::printf("%s, per record:\n", fb.nom);
        Ligne("CreateXML sent bare", champ(&Mesure::nueCreation), n);
        Ligne("CreateXML sent bare + the run's commits", champ(&Mesure::nueCreationCommits), n);
        Ligne("first run (every record created)", champ(&Mesure::premiere), n);
        std::printf("  %-44s %8.2f\n", "durable commits per created record", double(ms.back().commitsPremiere) / n);
        Ratio("first run / bare requests", champ(&Mesure::premiere), champ(&Mesure::nueCreation), "<= 1.30 on a tmpfs");
        Ratio("first run / bare requests + commits", champ(&Mesure::premiere), champ(&Mesure::nueCreationCommits),
              "<= 1.30");
        Ligne("  inside the run's requests", champ(&Mesure::requetesPremiere), n);
        Ligne("  CreateXML sent bare after as long pauses", champ(&Mesure::nueCreationPause), n);
        Ligne("GetByIdWeb sent bare", champ(&Mesure::nueLecture), n);
        Ligne("GetByIdWeb sent bare + the run's commits", champ(&Mesure::nueLectureCommits), n);
        Ligne("second run (nothing to send)", champ(&Mesure::seconde), n);
        std::printf("  %-44s %8.2f\n", "durable commits per record", double(ms.back().commitsSeconde) / n);
        Ratio("second run / bare requests", champ(&Mesure::seconde), champ(&Mesure::nueLecture), "<= 1.30");
        Ratio("second run / bare requests + commits", champ(&Mesure::seconde), champ(&Mesure::nueLectureCommits),
              "<= 1.30");
        Ligne("  inside the run's requests", champ(&Mesure::requetesSeconde), n);
        Ligne("  GetByIdWeb sent bare after as long pauses", champ(&Mesure::nueLecturePause), n);
        std::printf("\n");
        for (const Mesure& m : ms) echec |= !m.complete;
    }
    QDir(dossier).removeRecursively();
    if (echec) std::printf("ERROR: a first run did not create every record on the web\n");
    return echec ? 1 : 0;
}
