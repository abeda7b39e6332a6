// The nomenclature workbook read the way the start-up reads it (one reader process: test, sheet
// list, first five columns of the first sheet), for the sample workbook, for the same workbook
// whose sheet claims 3,000,000 rows, for a damaged 5.6 KB workbook whose sheet declares its
// size twice (refused), for a workbook whose DIFAT chain loops (refused), for three workbooks
// the library reads as they are (a small stream in regular sectors, a sheet without a size, a
// run of 1,300 numbers before a sheet's size of 1 x 2), for a sheet without a size whose second
// number lies at row 65,536, column 243 (the library alone would size it 65,536 x 243), and for
// 60,000 empty sheets (refused before the library sees them). Reports the time of a read, whether the sheet was read,
// the readers' processor time per read and the largest reader's peak memory so far (the readers' memory is bounded by
// their limit), and this process's peak memory.
#include "platform/xls_reader.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <vector>

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

void poser16(QByteArray& b, quint16 v) { b.append(char(v & 0xFF)).append(char(v >> 8)); }
void poser32(QByteArray& b, quint32 v) {
    poser16(b, quint16(v & 0xFFFF));
    poser16(b, quint16(v >> 16));
}
void enregistrement(QByteArray& b, quint16 type, const QByteArray& donnees) {
    poser16(b, type);
    poser16(b, quint16(donnees.size()));
    b.append(donnees);
}

// A workbook of nbFeuilles empty sheets (the sheet list, then one empty substream per sheet) in
// a compound file of 4096-byte sectors: the header, the FAT, the directory, the stream.
QString classeurDeFeuilles(const QTemporaryDir& dossier, int nbFeuilles) {
    const auto bof = [](quint16 genre) {
        QByteArray d;
        poser16(d, 0x0600);
        poser16(d, genre);
        return d.append(12, '\0');
    };
    QByteArray flux;
    enregistrement(flux, 0x0809, bof(0x0005));
    std::vector<qsizetype> positions;
    for (int i = 0; i < nbFeuilles; ++i) {
        const QByteArray nom = "F" + QByteArray::number(i);
        positions.push_back(flux.size() + 4);
        enregistrement(flux, 0x0085, QByteArray(6, '\0') + char(nom.size()) + '\0' + nom);
    }
    enregistrement(flux, 0x000A, {});
    for (const qsizetype position : positions) {
        QByteArray debut;
        poser32(debut, quint32(flux.size()));
        flux.replace(position, 4, debut);
        enregistrement(flux, 0x0809, bof(0x0010));
        enregistrement(flux, 0x000A, {});
    }

    constexpr quint32 kTaille = 4096, kFin = 0xFFFFFFFE, kLibre = 0xFFFFFFFF;
    const quint32 n = quint32((flux.size() + kTaille - 1) / kTaille), nbFat = (n + 2 + 1023) / 1024;
    QByteArray f("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    f.append(16, '\0');
    for (const quint16 v : {0x3E, 4, 0xFFFE, 12, 6}) poser16(f, v);
    f.append(6, '\0');
    for (const quint32 v : {1u, nbFat, nbFat, 0u, kTaille, kFin, 0u, kFin, 0u}) poser32(f, v);
    for (quint32 i = 0; i < 109; ++i) poser32(f, i < nbFat ? i : kLibre);
    f.append(kTaille - f.size(), '\0');
    for (quint32 i = 0; i < nbFat * 1024; ++i) {
        if (i < nbFat)
            poser32(f, 0xFFFFFFFD);
        else if (i == nbFat || i == nbFat + n)
            poser32(f, kFin);
        else
            poser32(f, i < nbFat + n ? i + 1 : kLibre);
    }
    const auto entree = [&](const char* nom, char type, quint32 enfant, quint32 debut, quint32 taille) {
        QByteArray e;
        for (const char c : QByteArray(nom).leftJustified(32, '\0')) e.append(c).append('\0');
        poser16(e, quint16(2 * (qstrlen(nom) + 1)));
        e.append(type).append(char(1));
        for (const quint32 v : {kLibre, kLibre, enfant}) poser32(e, v);
        e.append(36, '\0');
        poser32(e, debut);
        poser32(e, taille);
        f.append(e.append(4, '\0'));
    };
    entree("Root Entry", 5, 1, kFin, 0);
    entree("Workbook", 2, kLibre, nbFat + 1, quint32(flux.size()));
    f.append(kTaille - 256, '\0');
    f.append(flux.leftJustified(qsizetype(n) * kTaille, '\0'));
    const QString chemin = dossier.filePath(QStringLiteral("feuilles.xls"));
    QFile s(chemin);
    if (!s.open(QIODevice::WriteOnly) || s.write(f) != f.size()) return {};
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

void BM_ClasseurDifatEnBoucle(benchmark::State& state) { lire(state, classeurDeTest("workbook-difat-loop.xls")); }
BENCHMARK(BM_ClasseurDifatEnBoucle)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ClasseurPetitFluxHorsMiniFlux(benchmark::State& state) {
    lire(state, classeurDeTest("workbook-small-stream.xls"));
}
BENCHMARK(BM_ClasseurPetitFluxHorsMiniFlux)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ClasseurFeuilleSansTaille(benchmark::State& state) { lire(state, classeurDeTest("workbook-no-dimension.xls")); }
BENCHMARK(BM_ClasseurFeuilleSansTaille)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ClasseurFeuilleSansTailleCelluleLointaine(benchmark::State& state) {
    lire(state, classeurDeTest("workbook-no-dimension-far-cell.xls"));
}
BENCHMARK(BM_ClasseurFeuilleSansTailleCelluleLointaine)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ClasseurCellulesAvantTaille(benchmark::State& state) {
    lire(state, classeurDeTest("workbook-cells-before-dimension.xls"));
}
BENCHMARK(BM_ClasseurCellulesAvantTaille)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ClasseurSoixanteMilleFeuilles(benchmark::State& state) {
    const QTemporaryDir dossier;
    lire(state, classeurDeFeuilles(dossier, 60000));
}
BENCHMARK(BM_ClasseurSoixanteMilleFeuilles)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
