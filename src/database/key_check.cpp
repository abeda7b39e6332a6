#include "database/key_check.h"

#include "database/catalogue.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"

#include <array>

namespace {

constexpr int kNbFichiersControles = 50;  // files 0..49; file 50 has no row
constexpr int kNbClesMax = 8;

// The key lengths of the catalogue, with the few rows the check has always held apart: the
// journal's keys (8 and 10), a file 18 the catalogue leaves empty, and key 1 of the artists.
struct Minimums {
    std::array<std::array<int, kNbClesMax>, kNbFichiersControles> lng{};
    Minimums() {
        for (auto& f : lng) f.fill(-1);
        for (int no = 0; no < kNbFichiersControles; ++no) {
            const FileInfoEntry& e = CatalogueFichier(no);
            for (int k = 0; k < e.KeyCount && k < kNbClesMax; ++k) lng[size_t(no)][size_t(k)] = LongueurCle(e, k);
        }
        lng[8][0] = 8;
        lng[8][1] = 10;
        lng[18][0] = 14;
        lng[18][1] = 16;
        lng[18][2] = 16;
        lng[20][1] = 3;
    }
};

const Minimums& minimums() {
    static const Minimums m;
    return m;
}

}  // namespace

int LongueurMinimaleCle(int FileNo, int KeyNum) {
    if (FileNo < 0 || FileNo >= kNbFichiersControles || KeyNum < 0 || KeyNum >= kNbClesMax) return -1;
    return minimums().lng[size_t(FileNo)][size_t(KeyNum)];
}

void BTrieveTestCle(int16_t OP, const QString& Key, int16_t KeyNum, int16_t FileNo, const QString& Source) {
    Proc p(Cle::BTrieveTestCle, Trace::DebugOnly);
    // Transactions name no key.
    if (OP == 19 || OP == 20 || OP == 21 || OP == 1019) return;
    int minimum = -1;
    p(10, [&] { minimum = LongueurMinimaleCle(FileNo, KeyNum); });
    if (minimum < 0) return;
    p(20, [&] {
        if (Key.size() >= minimum) return;
        TraceLog(-1, -1, -1,
                 QStringLiteral("Err: Key too short: NoFile: ") + QString::number(FileNo) + QStringLiteral(" Key: ") +
                     QString::number(KeyNum) + QStringLiteral(" Lng: ") + QString::number(Key.size()) +
                     QStringLiteral(" OP: ") + QString::number(OP) + QLatin1Char('\n') + QStringLiteral("Key:") + Key +
                     QStringLiteral(" Sub: ") + Source,
                 true, -1, true);
    });
}
