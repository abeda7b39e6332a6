// The client synchronisation against the web-service double: 2,000 local clients created on the
// web by a first run, then a second run that finds nothing to do (one lookup per client), next to
// the bare request rate of the same HTTP client against the same double. Prints the time per
// client of each run and its ratio to one bare request.
#include "database/btrieve.h"
#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "platform/dialogs.h"
#include "support/web_double.h"
#include "sync/client_family.h"
#include "sync/web_requests.h"

#include "../tests/database/record_files_fixture.cpp"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kClients = 2000;

// No dialog may wait for a user here.
class SansDialogues : public DialogProvider {
public:
    int msgBox(const QString&, int, const QString&) override { return Mb::OK; }
    bool inputBox(const QString&, const QString&, QString&) override { return false; }
    QString pickFolder(const QString&, const QString&) override { return {}; }
    QString pickOpenFile(const QString&, const QString&, const QString&) override { return {}; }
};

struct Banc {
    QTemporaryDir tmp;
    std::unique_ptr<FichiersReels> fichiers;
    double_web::WebDouble web;
    QString url;

    Banc() {
        DossierApplication = tmp.path() + QStringLiteral("/app/");
        QDir().mkpath(DossierApplication + QStringLiteral("Local/QD3_Tools_Kirvo"));
        fichiers = std::make_unique<FichiersReels>(tmp.path());
        fichiers->ouvrir(3);
        fichiers->ouvrir(8);
        web.demarrer();
        url = web.adresseBase();
        const ParametresWeb p{url, web.options().utilisateur, web.options().motDePasse};
        SetSourceParametresWeb([p] { return p; });
        for (int i = 1; i <= kClients; ++i) {
            Vider(EnregClient);
            EcrireTexte(EnregClient.Code, QStringLiteral("B%1").arg(i, 7, 10, QLatin1Char('0')));
            EcrireTexte(EnregClient.Nom, QStringLiteral("Client numéro %1").arg(i));
            EcrireTexte(EnregClient.Ville, QStringLiteral("Brest"));
            EnregClient.Etat[0] = 'C';
            EnregClient.FlagWeb[0] = 'O';
            QString k(8, QLatin1Char(' '));
            BTRieve(0, BtrOp::Insert, k, 0, 3, 1, QStringLiteral("Bench"));
        }
    }
    ~Banc() {
        web.arreter();
        fichiers.reset();
    }
};

double g_nue = 0, g_premiere = 0, g_seconde = 0;

void BM_SynchroClients(benchmark::State& state) {
    for (auto _ : state) {
        Banc b;
        // The bare request: the HTTP client alone, one small answer, kept-alive connection.
        const QString fichier = b.tmp.path() + QStringLiteral("/nue.xml");
        ClientHttp& http = ClientWeb();
        http.HttpUtilisateur = b.web.options().utilisateur;
        http.HttpMotDePasse = b.web.options().motDePasse;
        const QString adresse = b.url + QStringLiteral("Client/GetByIdWeb?CltIdWeb=1");
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kClients; ++i) {
            http.HttpRequeteVersFichier(adresse, fichier);
            http.HttpFinRequete();
        }
        g_nue = double(t.nsecsElapsed()) / kClients;

        t.restart();
        SynchroniserPub_01_Client(b.url);
        g_premiere = double(t.nsecsElapsed()) / kClients;

        t.restart();
        SynchroniserPub_01_Client(b.url);
        g_seconde = double(t.nsecsElapsed()) / kClients;

        int surLeWeb = 0;
        for (const auto& e : b.web.elements(double_web::Client)) surLeWeb += e.statut == double_web::Synchronise;
        if (surLeWeb != kClients) state.SkipWithError("the first run did not create every client");
        state.counters["bare_us"] = g_nue / 1000;
        state.counters["first_us_per_client"] = g_premiere / 1000;
        state.counters["second_us_per_client"] = g_seconde / 1000;
    }
}
BENCHMARK(BM_SynchroClients)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SansDialogues dialogues;
    SetDialogues(&dialogues);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\n%d clients                                  per client   / bare request\n", kClients);
    std::printf("  bare request (HTTP client alone)       %8.1f us\n", g_nue / 1000);
    std::printf("  first run (all created on the web)     %8.1f us   %6.2f\n", g_premiere / 1000,
                g_nue > 0 ? g_premiere / g_nue : 0.0);
    std::printf("  second run (nothing to do)             %8.1f us   %6.2f\n", g_seconde / 1000,
                g_nue > 0 ? g_seconde / g_nue : 0.0);
    benchmark::Shutdown();
    return 0;
}
