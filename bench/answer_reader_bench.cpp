// Answers of about 4 MiB read by the answer readers, each shape flat and nested as deep as an
// answer may nest, side by side: the nested one must cost about what the flat one costs.
//   Resultats   a creation answer of 62 Result elements, a note in each: flat, one after the
//               other; nested, one in the other
//   Liste       a client list of 20 items: flat, one after the other; nested, each item's name
//               field holding the list of the next one; a long name in each
//   Attributs   a root tag with 256 attributes (read) and with 100,000 (refused)
// "pic_Mo" is the process's peak memory after the case (it only grows: the cases run in the order
// above, flat before nested).
#include "bench_main.h"
#include "foundation/globals.h"
#include "sync/answer_readers.h"
#include "sync/list_readers.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr qsizetype kTaille = 4 * 1024 * 1024;
constexpr int kResultats = 62;
constexpr int kItems = 20;

QTemporaryDir* g_dossier = nullptr;

QString ecrire(const char* nom, const QByteArray& contenu) {
    if (!g_dossier) {
        g_dossier = new QTemporaryDir;
        DossierApplication = g_dossier->path() + QStringLiteral("/");
    }
    const QString chemin = g_dossier->path() + QLatin1Char('/') + QLatin1String(nom);
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(contenu) != contenu.size()) {
        std::fprintf(stderr, "bench setup failed: %s\n", nom);
        std::exit(1);
    }
    return chemin;
}

void compter(benchmark::State& state, const QString& fichier) {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    state.counters["pic_Mo"] = double(u.ru_maxrss) / 1024.0;
    state.counters["octets"] = double(QFile(fichier).size());
}

QByteArray note(int parts) { return "<Note>" + QByteArray(kTaille / parts, 'x') + "</Note>"; }

QByteArray resultats(bool imbriques) {
    QByteArray r = "<R><Code>0</Code>";
    if (!imbriques) {
        for (int i = 1; i < kResultats; ++i) r += "<Result>" + note(kResultats) + "</Result>";
        r += "<Result>True</Result><Id>42</Id>" + note(kResultats);
    } else {
        for (int i = 1; i < kResultats; ++i) r += "<Result>" + note(kResultats);
        r += "<Result>True</Result><Id>42</Id>" + note(kResultats);
        for (int i = 1; i < kResultats; ++i) r += "</Result>";
    }
    return r + "</R>";
}

void lireResultats(benchmark::State& state, const char* nom, bool imbriques) {
    const QString fichier = ecrire(nom, resultats(imbriques));
    for (auto _ : state) {
        bool err = true;
        LectureFichierXMLRequete_00_Generique_01_CreateXML(fichier, QString(), err);
        if (err || ReponseCreateXML.Id != 42) state.SkipWithError("answer not read");
    }
    compter(state, fichier);
}

void BM_ResultatsPlats(benchmark::State& state) { lireResultats(state, "plats.xml", false); }
void BM_ResultatsImbriques(benchmark::State& state) { lireResultats(state, "imbriques.xml", true); }

QByteArray liste(bool imbriquee) {
    QByteArray r = "<r><Code>0</Code>", fin;
    if (!imbriquee) r += "<Items>";
    for (int i = 1; i <= kItems; ++i) {
        const QByteArray item =
            "<ClientBO><CltIdWeb>" + QByteArray::number(i) + "</CltIdWeb><CltNom>" + QByteArray(kTaille / kItems, 'n');
        const QByteArray apres = "</CltNom></ClientBO>";
        if (imbriquee) {
            r += "<Items>" + item;
            fin.prepend(apres + "</Items>");
        } else {
            r += item + apres;
        }
    }
    if (!imbriquee) r += "</Items>";
    return r + fin + "</r>";
}

void lireListe(benchmark::State& state, const char* nom, bool imbriquee) {
    const QString fichier = ecrire(nom, liste(imbriquee));
    for (auto _ : state) {
        bool err = true;
        LectureFichierXMLRequete_Pub_01_Clt_01_ReadXML(fichier, QString(), false, true, err);
        if (err || ReponseClient.CltIdWeb != kItems) state.SkipWithError("list not read");
    }
    compter(state, fichier);
}

void BM_ListePlate(benchmark::State& state) { lireListe(state, "liste_plate.xml", false); }
void BM_ListeImbriquee(benchmark::State& state) { lireListe(state, "liste_imbriquee.xml", true); }

void BM_Attributs(benchmark::State& state) {
    const int n = int(state.range(0));
    QByteArray r = "<R";
    for (int i = 0; i < n; ++i) r += " a" + QByteArray::number(i) + "='1'";
    r += "><Code>0</Code><Result>True</Result><Id>42</Id></R>";
    const QString fichier = ecrire("attributs.xml", r);
    for (auto _ : state) {
        bool err = false;
        LectureFichierXMLRequete_00_Generique_01_CreateXML(fichier, QString(), err);
        benchmark::DoNotOptimize(err);
    }
    compter(state, fichier);
}

BENCHMARK(BM_ResultatsPlats)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ResultatsImbriques)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ListePlate)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ListeImbriquee)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Attributs)->Arg(256)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    const int r = LancerBancsHorsEcran(argc, argv);
    delete g_dossier;
    return r;
}
