// A note made of many formatting runs (bold and plain words taking turns in one paragraph), read
// into the document of a text box as the note window reads it and laid out, then written back. The reading must
// grow in step with the number of runs; the figures for 1,000 to 50,000 runs show it. The writing
// of a note whose runs each have a font and a colour of their own shows that the tables of fonts
// and colours grow in step too.
#include "bench_main.h"
#include "shell/rtf.h"

#include <QApplication>
#include <QTextCursor>
#include <QTextEdit>
#include <benchmark/benchmark.h>

namespace {

QByteArray noteAlternee(int runs) {
    QByteArray r =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n\\viewkind4\\uc1\\pard\\fs24 ";
    r.reserve(r.size() + qsizetype(runs) * 10);
    for (int k = 0; k < runs; ++k) r += (k % 2) ? "\\b0 mot " : "\\b mot ";
    r += "\\par\r\n}";
    return r;
}

void BM_LireNoteAlternee(benchmark::State& state) {
    const QByteArray rtf = noteAlternee(int(state.range(0)));
    QTextEdit boite;
    for (auto _ : state) {
        LireRtf(rtf, *boite.document());
        // The layout is part of showing the note.
        benchmark::DoNotOptimize(boite.document()->size());
    }
    state.SetComplexityN(state.range(0));
    state.counters["octets"] = double(rtf.size());
}
BENCHMARK(BM_LireNoteAlternee)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Complexity(benchmark::oN);

void BM_EcrireNoteAlternee(benchmark::State& state) {
    QTextEdit boite;
    LireRtf(noteAlternee(int(state.range(0))), *boite.document());
    for (auto _ : state) benchmark::DoNotOptimize(EcrireRtf(*boite.document()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_EcrireNoteAlternee)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Complexity(benchmark::oN);

void BM_EcrireNotePolicesDistinctes(benchmark::State& state) {
    QTextDocument doc;
    QTextCursor c(&doc);
    for (int k = 0; k < int(state.range(0)); ++k) {
        QTextCharFormat f;
        f.setFontFamilies({QStringLiteral("Police %1").arg(k)});
        f.setForeground(QColor(k % 256, (k / 256) % 256, (k / 65536) % 256));
        c.insertText(QStringLiteral("mot "), f);
    }
    for (auto _ : state) benchmark::DoNotOptimize(EcrireRtf(doc));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_EcrireNotePolicesDistinctes)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Complexity(benchmark::oN);

}  // namespace

int main(int argc, char** argv) { return LancerBancsHorsEcran(argc, argv); }
