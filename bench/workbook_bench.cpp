// The nomenclature workbook read the way the start-up reads it (one reader process: test, sheet
// list, first five columns of the first sheet), for the sample workbook and for the same
// workbook whose sheet claims 3,000,000 rows. Reports the time of a read and this process's peak
// memory; the reader's own memory is bounded by its limit.
#include "platform/xls_reader.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>

namespace {

QString classeurTroisMillions() {
    return QStringLiteral(KIRVO_SOURCE_DIR) + QStringLiteral("/tests/support/classeurs/workbook-declares-3m-rows.xls");
}

// The same workbook with its sheet's declared size brought back to its 15 real rows.
QString classeurSain(const QTemporaryDir& dossier) {
    QFile f(classeurTroisMillions());
    if (!f.open(QIODevice::ReadOnly)) return {};
    QByteArray octets = f.readAll();
    const char declare[] = {char(0xC0), char(0xC6), 0x2D, 0x00};   // 3,000,000
    const char reel[] = {15, 0, 0, 0};
    octets.replace(QByteArray(declare, 4), QByteArray(reel, 4));
    const QString chemin = dossier.filePath(QStringLiteral("sain.xls"));
    QFile s(chemin);
    if (!s.open(QIODevice::WriteOnly) || s.write(octets) != octets.size()) return {};
    return chemin;
}

void lire(benchmark::State& state, const QString& chemin) {
    size_t lignes = 0;
    for (auto _ : state) {
        const LectureClasseur l = LireClasseur(chemin, 0, 5, QString(), false);
        if (!l.feuilleLue) state.SkipWithError("lecture en échec");
        lignes = l.lignes.size();
    }
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
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

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
