// Web requests against the double on 127.0.0.1, one small answer each, the connection kept alive:
//   Client     the HTTP client's bare request into an answer file
//   Routine    the same request through the program's routine: address built, credentials of the
//              options applied, answer file replaced, then read by the entity's list reader
// The run ends with the routine's cost over the bare request (aim: 30 % at most).
#include "foundation/globals.h"
#include "platform/http_client.h"
#include "support/web_double.h"
#include "sync/list_readers.h"
#include "sync/web_requests.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

std::unique_ptr<double_web::WebDouble> g_web;
QString g_dossier;

void BM_Client(benchmark::State& state) {
    ClientHttp& c = ClientWeb();
    c.HttpUtilisateur = QStringLiteral("kirvo");
    c.HttpMotDePasse = QStringLiteral("secret");
    const QString adresse = g_web->adresseBase() + QStringLiteral("Client/GetByIdWeb?CltIdWeb=101");
    const QString fichier = g_dossier + QStringLiteral("/bare.xml");
    for (auto _ : state) {
        c.HttpRequeteVersFichier(adresse, fichier);
        c.HttpFinRequete();
    }
}

void BM_Routine(benchmark::State& state) {
    const QString url = g_web->adresseBase();
    const QString fichier = FichierReponseWeb(EntiteWeb::Client, OperationWeb::GetByIdWeb);
    int32_t total = 0;
    for (auto _ : state) {
        if (!EchangeWeb(url, EntiteWeb::Client, OperationWeb::GetByIdWeb, QStringLiteral("?CltIdWeb=101"),
                        QStringLiteral("Lib_Kirvo:Banc"))) {
            state.SkipWithError("request failed");
            break;
        }
        bool err = false;
        LectureFichierXMLRequete_Pub_01_Clt_01_ReadXML(fichier, QString(), false, true, err);
        total += ReponseClient.CltIdWeb;
    }
    benchmark::DoNotOptimize(total);
}

// Interleaved repetitions, so that both see the same machine load.
BENCHMARK(BM_Client)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->Repetitions(3);
BENCHMARK(BM_Routine)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->Repetitions(3);

class Releve : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> meilleur;  // best real time per iteration, by benchmark
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
            const double t = r.GetAdjustedRealTime();
            const std::string nom = r.run_name.function_name;
            if (!meilleur.count(nom) || t < meilleur[nom]) meilleur[nom] = t;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    g_dossier = tmp.path();
    DossierApplication = tmp.path() + QLatin1Char('/');
    g_web = std::make_unique<double_web::WebDouble>();
    g_web->graineExemple();
    QString erreur;
    if (!g_web->demarrer(0, &erreur)) {
        std::fprintf(stderr, "double: %s\n", qPrintable(erreur));
        return 1;
    }
    SetSourceParametresWeb([] {
        return ParametresWeb{g_web->adresseBase(), QStringLiteral("kirvo"), QStringLiteral("secret")};
    });

    benchmark::Initialize(&argc, argv);
    Releve releve;
    benchmark::RunSpecifiedBenchmarks(&releve);
    if (releve.meilleur.count("BM_Client") && releve.meilleur.count("BM_Routine")) {
        const double nu = releve.meilleur["BM_Client"];
        const double routine = releve.meilleur["BM_Routine"];
        std::printf(
            "\nbare request %.1f us, through the routine and reader %.1f us: %+.1f %% per request (aim: <= 30 %%)\n",
            nu, routine, 100.0 * (routine - nu) / nu);
    }
    g_web->arreter();
    benchmark::Shutdown();
    return 0;
}
