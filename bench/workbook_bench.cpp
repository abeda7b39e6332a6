// The nomenclature workbook read the way the start-up reads it (one reader process: test, sheet
// list, first five columns of the first sheet), for the sample workbook, for the same workbook
// whose sheet claims 3,000,000 rows, and for a damaged 5.6 KB workbook whose sheet declares its
// size twice (refused). Reports the time of a read, whether the sheet was read, the readers'
// processor time per read and the largest reader's peak memory so far (the readers' memory is
// bounded by their limit), and this process's peak memory.
#include "platform/xls_reader.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>

namespace {

QString classeurDeTest(const char* nom) {
    return QStringLiteral(KIRVO_SOURCE_DIR) + QStringLiteral("/tests/support/classeurs/") + QLatin1String(nom);
}

QString classeurTroisMillions() { return classeurDeTest("workbook-declares-3m-rows.xls"); }

// The same workbook with its sheet's declared size brought back to its 15 real rows.
QString classeurSain(const QTemporaryDir& dossier) {
    QFile f(classeurTroisMillions());
    if (!f.open(QIODevice::ReadOnly)) return {};
    QByteArray octets = f.readAll();
    const char declare[] = {char(0xC0), char(0xC6), 0x2D, 0x00};  // 3,000,000
    const char reel[] = {15, 0, 0, 0};
    octets.replace(QByteArray(declare, 4), QByteArray(reel, 4));
    const QString chemin = dossier.filePath(QStringLiteral("sain.xls"));
    QFile s(chemin);
    if (!s.open(QIODevice::WriteOnly) || s.write(octets) != octets.size()) return {};
    return chemin;
}

double secondes(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

void lire(benchmark::State& state, const QString& chemin) {
    rusage avant{};
    getrusage(RUSAGE_CHILDREN, &avant);
    size_t lignes = 0;
    bool lue = false;
    for (auto _ : state) {
        const LectureClasseur l = LireClasseur(chemin, 0, 5, QString(), false);
        lue = l.feuilleLue;
        lignes = l.lignes.size();
    }
    rusage u{}, lecteurs{};
    getrusage(RUSAGE_SELF, &u);
    getrusage(RUSAGE_CHILDREN, &lecteurs);
    const double cpu =
        secondes(lecteurs.ru_utime) + secondes(lecteurs.ru_stime) - secondes(avant.ru_utime) - secondes(avant.ru_stime);
    state.counters["lecteur_cpu_ms"] = 1000 * cpu / double(state.iterations());
    state.counters["lecteur_pic_ko"] = double(lecteurs.ru_maxrss);
    state.counters["lue"] = lue ? 1 : 0;
    state.counters["lignes"] = double(lignes);
    state.counters["pic_ko"] = double(u.ru_maxrss);
}

void BM_ClasseurSain(benchmark::State& state) {
    const QTemporaryDir dossier;
    lire(state, classeurSain(dossier));
}
BENCHMARK(BM_ClasseurSain)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_ClasseurTroisMillionsDeLignesDeclarees(benchmark::State& state) { lire(state, classeurTroisMillions()); }
BENCHMARK(BM_ClasseurTroisMillionsDeLignesDeclarees)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ClasseurFeuilleEndommagee(benchmark::State& state) { lire(state, classeurDeTest("workbook-heavy-sheet.xls")); }
BENCHMARK(BM_ClasseurFeuilleEndommagee)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
