#pragma once
// The main of a benchmark whose cases need widgets and nothing set up beforehand: an offscreen
// application, then every case asked for on the command line.
#include <QApplication>

#include <benchmark/benchmark.h>

inline int LancerBancsHorsEcran(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
