// The spreadsheet grid holding a year of ten stations, filled the way the fill computation fills
// it (painting off; 9 rows a day, 54 columns; texts, day colours, percent cells with their band
// colours, empty columns hidden), then read back row by row as the fill-rate upload reads it.
// Reports the time of each pass, the bytes the grid's storage holds and the process's peak memory.
#include "platform/spread_grid.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kStations = 10;
constexpr int kJours = 365;
constexpr int kLignes = 9 * kJours;  // 3,285
constexpr int kColonnes = 54;

long picMemoireKo() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

QString deuxChiffres(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

QString duree(int s) { return deuxChiffres(s / 60) + QLatin1Char(':') + deuxChiffres(s % 60); }

void remplirAnnee(SpreadGrid& g) {
    g.setRedraw(false);
    g.setSheetCount(kStations);
    for (int s = 1; s <= kStations; ++s) {
        g.setSheet(s);
        g.setHeaderRowCount(3);
        g.setMaxCols(kColonnes);
        g.setMaxRows(kLignes);
        g.clearRange(1, 1, kColonnes, kLignes, false);
        for (int j = 0; j < kJours; ++j) {
            const QString date =
                deuxChiffres(1 + j % 28) + QLatin1Char('-') + deuxChiffres(1 + j / 31) + QStringLiteral("-26");
            const qint32 fond = (j % 2) ? RGB(225, 240, 255) : RGB(255, 255, 255);
            for (int k = 1; k <= 9; ++k) {
                const int r = 9 * j + k;
                g.setTextAt(1, r, QString::number(1 + j / 7));
                g.setTextAt(2, r, QStringLiteral("Lu"));
                g.setTextAt(3, r, date);
                g.setTextAt(4, r, QStringLiteral("Local: Disponible"));
                g.setRow(r);
                for (int c = 1; c <= kColonnes; ++c) {
                    g.setCol(c);
                    g.setBackColor(fond);
                }
                for (int c = 6; c <= kColonnes; ++c) {
                    if (c > 23 && c < 30) continue;  // slots not configured
                    g.setCol(c);
                    if (k == 4 || k == 7 || k == 9) {
                        const int p = (r * 7 + c * 13) % 120;
                        g.setCellType(Spread::Percent);
                        g.setTypeDecimals(0);
                        g.setText(QString::number(p));
                        g.setBackColor(p <= 25    ? RGB(0, 255, 0)
                                       : p <= 50  ? RGB(128, 255, 0)
                                       : p <= 100 ? RGB(255, 0, 0)
                                                  : RGB(0, 0, 0));
                        g.setForeColor(p <= 100 ? RGB(0, 0, 0) : RGB(255, 0, 0));
                    } else {
                        g.setText(duree((r * 31 + c * 17) % 3600));
                    }
                }
            }
        }
        for (int c = 5; c <= kColonnes; ++c) {
            bool vide = true;
            for (int r = 1; r <= kLignes && vide; ++r) vide = g.textAt(c, r).isEmpty();
            if (vide) {
                g.setCol(c);
                g.setColHidden(true);
            }
        }
    }
    g.setRedraw(true);
}

size_t lireAnnee(SpreadGrid& g) {
    size_t n = 0;
    for (int s = 1; s <= g.sheetCount(); ++s) {
        g.setSheet(s);
        for (int r = 1; r <= g.maxRows(); ++r)
            for (int c = 6; c <= kColonnes; ++c) {
                QString t;
                g.getText(c, r, t);
                n += size_t(t.size()) + (g.backColorAt(c, r) == RGB(0, 0, 0) ? 1 : 0);
            }
    }
    return n;
}

void BM_RemplirAnneeDixStations(benchmark::State& state) {
    for (auto _ : state) {
        SpreadGrid g;
        remplirAnnee(g);
        state.counters["octets_grille"] = double(g.store().octets());
        state.counters["textes_distincts"] = double(g.store().tailleTextes());
        state.counters["styles_distincts"] = double(g.store().tailleStyles());
    }
    state.counters["pic_memoire_Ko"] = double(picMemoireKo());
}
BENCHMARK(BM_RemplirAnneeDixStations)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RelireAnneeDixStations(benchmark::State& state) {
    SpreadGrid g;
    remplirAnnee(g);
    for (auto _ : state) benchmark::DoNotOptimize(lireAnnee(g));
    state.counters["cellules"] = double(kStations) * kLignes * (kColonnes - 5);
}
BENCHMARK(BM_RelireAnneeDixStations)->Unit(benchmark::kMillisecond)->Iterations(3);

// Showing a filled sheet: the view's reset, merged runs down every column, hidden columns.
void BM_AfficherFeuille(benchmark::State& state) {
    SpreadGrid g;
    remplirAnnee(g);
    g.resize(1200, 800);
    for (int s = 1; s <= kStations; ++s) {
        g.setSheet(s);
        g.setCol(Spread::All);
        g.setColMerge(1);
    }
    int s = 1;
    for (auto _ : state) {
        s = s % kStations + 1;
        g.setActiveSheet(s);
    }
}
BENCHMARK(BM_AfficherFeuille)->Unit(benchmark::kMillisecond)->Iterations(10);

// The fill settings' column flags: the 24 hour columns of a filled sheet hidden, then shown,
// one at a time with painting on.
void BM_MasquerHeures(benchmark::State& state) {
    SpreadGrid g;
    remplirAnnee(g);
    g.resize(1200, 800);
    for (int c = 1; c <= kColonnes; ++c) {
        g.setCol(c);
        g.setColMerge(1);
    }
    g.setSheet(1);
    for (auto _ : state)
        for (bool cache : {true, false})
            for (int c = 31; c <= kColonnes; ++c) {
                g.setCol(c);
                g.setColHidden(cache);
            }
}
BENCHMARK(BM_MasquerHeures)->Unit(benchmark::kMillisecond)->Iterations(3);

// A row flag of the fill settings: the rows of one kind hidden on every sheet, then shown, one
// row at a time with painting on.
void BM_MasquerLignesUneNature(benchmark::State& state) {
    SpreadGrid g;
    remplirAnnee(g);
    g.resize(1200, 800);
    for (auto _ : state)
        for (bool cache : {true, false})
            for (int s = 1; s <= kStations; ++s) {
                g.setSheet(s);
                for (int r = 5; r <= kLignes; r += 9) {
                    g.setRow(r);
                    g.setRowHidden(cache);
                }
            }
}
BENCHMARK(BM_MasquerLignesUneNature)->Unit(benchmark::kMillisecond)->Iterations(3);

// A web list read one row at a time with painting on, as a list reader adds its items: each new
// row raises the row count by one, then its 13 cells are written.
void BM_ListeLigneParLigne(benchmark::State& state) {
    const int n = int(state.range(0));
    for (auto _ : state) {
        SpreadGrid g;
        g.resize(1000, 600);
        g.setMaxCols(13);
        for (int r = 1; r <= n; ++r) {
            g.setMaxRows(r);
            for (int c = 1; c <= 13; ++c) g.setTextAt(c, r, QStringLiteral("Client %1-%2").arg(r).arg(c));
        }
        benchmark::DoNotOptimize(g.maxRows());
    }
}
BENCHMARK(BM_ListeLigneParLigne)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long avant = picMemoireKo();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("peak memory of the process: %ld KiB (%ld KiB before the first grid)\n", picMemoireKo(), avant);
    return 0;
}
