// The local search over a client file of 10,000 records ("contains": the whole file walked in name
// order, events pumped twice a record, one row in ten listed), and the competition-code label of
// a code of the last family of a 3,000-row standard sheet (the longest scan).
#include "bench_main.h"
#include "database/btrieve.h"
#include "database/catalogue.h"
#include "database/record_layouts.h"
#include "fill/local_search.h"
#include "fill/nomenclature.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "platform/dialogs.h"
#include "platform/record_manager.h"
#include "platform/spread_grid.h"
#include "grids/list_grids.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kClients = 10000;
constexpr int kLignesNomenclature = 3000;

void verifier(bool ok, const char* quoi) {
    if (ok) return;
    std::fprintf(stderr, "bench setup failed: %s\n", quoi);
    std::exit(1);
}

// File 3 of base 0 in the folder, open for station 1, with kClients clients; every tenth name
// holds "port".
void creerClients(const QString& dossier) {
    InitGeneralData();
    const QByteArray nom = QFile::encodeName(dossier + QStringLiteral("/") + NomFichierBTR(3, 0));
    InitStructureFichierBTR(3, false);
    StructureFichierBTR def = BtrFileSpec;
    std::array<char, kPosBlockSize> bloc{};
    uint32_t lng = sizeof def;
    QByteArray cle = nom;
    verifier(BTRCALL(BtrOp::Create, bloc.data(), &def, &lng, cle.data(), uint16_t(cle.size()), 0) == 0, "create");
    PositionBlock& pos = PosBlk(0, 0, 3);
    pos.fill(' ');
    cle = nom;
    lng = 0;
    std::array<char, 8> rien{};
    verifier(BTRCALL(BtrOp::Open, pos.data(), rien.data(), &lng, cle.data(), uint16_t(cle.size()), 0) == 0, "open");
    FileOpen(0, 0, 3) = true;
    RecLen[3] = CatalogueFichier(3).RecordLength;

    std::array<char, 255> tamponCle{};
    lng = 0;
    verifier(BTRCALL(BtrOp::BeginTransaction, pos.data(), nullptr, &lng, tamponCle.data(), 0, 0) == 0, "begin");
    std::vector<char> donnees(static_cast<size_t>(RecLen[3]));
    for (int i = 0; i < kClients; ++i) {
        ViderEnreg(3);
        EcrireTexte(EnregClient.Code, N2S(i, 8, 0, QStringLiteral("0")));
        const QString n = (i % 10 == 0 ? QStringLiteral("Bar du port ") : QStringLiteral("Client ")) +
                          QString::number(i * 7919 % kClients);
        EcrireTexte(EnregClient.Nom, n);
        EcrireTexte(EnregClient.Etat, QStringLiteral("O"));
        VersImageStockee(3, donnees.data(), int(donnees.size()));
        lng = uint32_t(donnees.size());
        verifier(BTRCALL(BtrOp::Insert, pos.data(), donnees.data(), &lng, tamponCle.data(), 255, 0) == 0, "insert");
    }
    verifier(BTRCALL(BtrOp::EndTransaction, pos.data(), nullptr, &lng, tamponCle.data(), 0, 0) == 0, "end");
}

void BM_RechercheContientClients(benchmark::State& state) {
    QTemporaryDir dossier;
    creerClients(dossier.path());
    InitGeneralTableurPub(1, true, false);
    for (auto _ : state) {
        RechercherDansLaBasePub(0, 1, 1, ChampRecherche::Libelle, ModeRecherche::Contient, QStringLiteral("port"));
        benchmark::DoNotOptimize(GrillePub(1)->maxRows());
    }
    verifier(GrillePub(1)->maxRows() == kClients / 10, "rows found");
    state.counters["enregistrements/s"] =
        benchmark::Counter(double(kClients) * double(state.iterations()), benchmark::Counter::kIsRate);
    uint32_t lng = 0;
    BTRCALL(BtrOp::Stop, nullptr, nullptr, &lng, nullptr, 0, 0);
    ReinitialiserEtatBTrieve();
}
BENCHMARK(BM_RechercheContientClients)->Unit(benchmark::kMillisecond);

// The window is loaded without its files (the missing-workbook box is answered here); the sheet is
// then filled directly.
class SansBoites : public DialogProvider {
public:
    int msgBox(const QString&, int, const QString&) override { return Mb::OK; }
    bool inputBox(const QString&, const QString&, QString&) override { return false; }
    QString pickFolder(const QString&, const QString&) override { return {}; }
    QString pickOpenFile(const QString&, const QString&, const QString&) override { return {}; }
};

void BM_LibNomenclatureDerniereFamille(benchmark::State& state) {
    QTemporaryDir dossier;
    DossierApplication = dossier.path() + QStringLiteral("/");
    SansBoites sansBoites;
    SetDialogues(&sansBoites);
    InitSettingsNomenclature();
    SetDialogues(nullptr);
    SpreadGrid* g = FrmPubNomenclatureChargee()->fpSpreadNomenclature[0];
    g->setMaxCols(5);
    g->setMaxRows(kLignesNomenclature);
    for (int r = 1; r <= kLignesNomenclature; ++r) {
        const int famille = 1 + (r - 1) / 31, rang = (r - 1) % 31;
        g->setTextAt(1, r, N2S(famille, 2, 0, QStringLiteral("0")));
        if (rang > 0) g->setTextAt(2, r, N2S(rang, 2, 0, QStringLiteral("0")));
        g->setTextAt(5, r, QStringLiteral("Libellé ") + QString::number(r));
    }
    const QString code = QStringLiteral("97230000");
    for (auto _ : state) benchmark::DoNotOptimize(LibNomenclature(code));
    verifier(LibNomenclature(code) == QStringLiteral("Libellé 3000"), "label found");
}
BENCHMARK(BM_LibNomenclatureDerniereFamille)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return LancerBancsHorsEcran(argc, argv); }
