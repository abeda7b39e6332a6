// The advertising fill of a year (365 days) on ten stations, each day carrying about 120 spots
// (a running order with its items and contract headers; one day a week booked passages only),
// against the bare reads of the same records through the record manager alone. Prints the time
// per station-day of each, their ratio, and the process's peak memory.
#include "database/btrieve.h"
#include "database/catalogue.h"
#include "database/open_close.h"
#include "database/record_layouts.h"
#include "database/site_startup.h"
#include "database/zones.h"
#include "fill/fill_computation.h"
#include "fill/fill_settings.h"
#include "fill/time_slots.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "kirvo_btr/btr_utility.h"
#include "platform/dialogs.h"
#include "platform/record_manager.h"
#include "grids/list_grids.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kStations = 10;
constexpr int kJours = 365;
constexpr int kSpots = 120;
constexpr int kElements = 200;
constexpr int kContrats = 20;
const QDate kDebut(2025, 1, 1);

double g_lectures_ms = 0, g_calcul_ms = 0;

// No box may wait for an answer here.
class Silencieux : public DialogProvider {
public:
    int msgBox(const QString& prompt, int, const QString&) override {
        std::fprintf(stderr, "message: %s\n", prompt.toLocal8Bit().constData());
        return Mb::OK;
    }
    bool inputBox(const QString&, const QString&, QString&) override { return false; }
    QString pickFolder(const QString&, const QString&) override { return {}; }
    QString pickOpenFile(const QString&, const QString&, const QString&) override { return {}; }
};

void verifier(bool ok, const char* quoi) {
    if (!ok) {
        std::fprintf(stderr, "fill bench setup failed: %s\n", quoi);
        std::exit(1);
    }
}

long picMemoireKo() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// One record image of a file, inserted through the record manager on station s's file.
void inserer(int s, int16_t fichier, const void* image, int taille) {
    std::vector<char> donnees(size_t(LongueurEnregistrement(fichier)), 0);
    std::memcpy(donnees.data(), image, size_t(std::min<int>(taille, int(donnees.size()))));
    uint32_t lng = uint32_t(donnees.size());
    char cle[256] = {};
    const int16_t st =
        BTRCALL(BtrOp::Insert, PosBlk(0, s - 1, fichier).data(), donnees.data(), &lng, cle, sizeof cle, 0);
    verifier(st == 0, "insert");
}

void transaction(int s, int16_t op) {
    uint32_t lng = 0;
    verifier(BTRCALL(op, PosBlk(0, s - 1, 27).data(), nullptr, &lng, nullptr, 0, 0) == 0, "transaction");
}

QString n2(int v, int w) { return QStringLiteral("%1").arg(v, w, 10, QLatin1Char('0')); }

void semer() {
    for (int s = 1; s <= kStations; ++s) {
        transaction(s, BtrOp::BeginTransaction);
        for (int c = 0; c < kContrats; ++c) {
            ViderEnreg(*EnregFichier(5), &EnregEnteteContrat);
            EcrireTexte(EnregEnteteContrat.Code, QStringLiteral("C") + n2(c, 5));
            EcrireTexte(EnregEnteteContrat.National, c % 2 ? QStringLiteral("O") : QStringLiteral("N"));
            inserer(s, 5, &EnregEnteteContrat, sizeof EnregEnteteContrat);
        }
        for (int i = 0; i < kElements; ++i) {
            ViderEnreg(*EnregFichier(26), &EnregMagnetophone);
            EcrireTexte(EnregMagnetophone.Code, QStringLiteral("I") + n2(i, 7));
            EnregMagnetophone.Duree = 15000 + (i % 10) * 5000 + (i % 3) * 250;
            EcrireTexte(EnregMagnetophone.ReferenceContrat,
                        QStringLiteral("C") + n2(i % kContrats, 5) + QStringLiteral("/2025"));
            inserer(s, 26, &EnregMagnetophone, sizeof EnregMagnetophone);
        }
        for (int j = 0; j < kJours; ++j) {
            const QString date = D2S(kDebut.addDays(j));
            const bool passagesSeuls = j % 7 == 6;
            for (int e = 0; e < kSpots; ++e) {
                const QString heure = n2(6 + e / 8, 2), minute = n2((e % 8) * 7, 2);
                if (!passagesSeuls) {
                    ViderEnreg(*EnregFichier(27), &EnregConducteurPub);
                    EcrireTexte(EnregConducteurPub.Date, date);
                    EcrireTexte(EnregConducteurPub.Heure, heure);
                    EcrireTexte(EnregConducteurPub.Minute, minute);
                    EcrireTexte(EnregConducteurPub.Champ04, n2(e % 100, 2));
                    EcrireTexte(EnregConducteurPub.CodeElement, QStringLiteral("I") + n2((e * 7 + j) % kElements, 7));
                    inserer(s, 27, &EnregConducteurPub, sizeof EnregConducteurPub);
                } else {
                    ViderEnreg(*EnregFichier(7), &EnregDatePassage);
                    EcrireTexte(EnregDatePassage.Code, QStringLiteral("P") + n2(e, 5));
                    EcrireTexte(EnregDatePassage.Sequence, QStringLiteral("01"));
                    EcrireTexte(EnregDatePassage.Date, date);
                    EcrireTexte(EnregDatePassage.Niveau, QString::number(1 + e % 5));
                    EcrireTexte(EnregDatePassage.Heure, heure);
                    EcrireTexte(EnregDatePassage.Minute, minute);
                    EnregDatePassage.Duree = 10.5f + float(e % 40) + 0.25f;
                    EcrireTexte(EnregDatePassage.National, e % 3 ? QStringLiteral("N") : QStringLiteral("O"));
                    inserer(s, 7, &EnregDatePassage, sizeof EnregDatePassage);
                }
            }
        }
        transaction(s, BtrOp::EndTransaction);
    }
}

// ---- the bare reads: the same walks, straight to the record manager ----

struct Lecteur {
    std::vector<char> tampon = std::vector<char>(4096);
    char cle[256] = {};
    int16_t appel(int s, int16_t f, uint16_t op, const QByteArray& k, int16_t noCle) {
        std::memset(cle, 0, sizeof cle);
        std::memcpy(cle, k.constData(), size_t(k.size()));
        uint32_t lng = uint32_t(LongueurEnregistrement(f));
        return BTRCALL(op, PosBlk(0, s - 1, f).data(), tampon.data(), &lng, cle, sizeof cle, noCle);
    }
};

size_t lireJour(Lecteur& l, int s, const QDate& jour) {
    const QByteArray date = D2S(jour).toLatin1();
    size_t n = 0;
    bool trouve = false;
    QByteArray cle = date + QByteArray(6, '\0');
    uint16_t op = BtrOp::GetGreaterOrEqual;
    for (;;) {
        if (l.appel(s, 27, op, cle, 0) != 0) break;
        const QByteArray lue(l.cle, 14);
        if (!lue.startsWith(date)) break;
        trouve = true;
        const QByteArray element(l.tampon.data() + 14, 8);
        if (l.appel(s, 26, BtrOp::GetEqual, element, 0) == 0) {
            const QByteArray contrat(l.tampon.data() + 134, 6);
            n += l.appel(s, 5, BtrOp::GetEqual, contrat, 2) == 0;
        }
        cle = lue;
        op = BtrOp::GetNext;
    }
    if (trouve) return n;
    for (int niveau = 5; niveau >= 1; --niveau) {
        const QByteArray prefixe = date + QByteArray::number(niveau);
        cle = prefixe + QByteArray(4, '\0');
        op = BtrOp::GetGreaterOrEqual;
        for (;;) {
            if (l.appel(s, 7, op, cle, 1) != 0) break;
            const QByteArray lue(l.cle, 13);
            if (!lue.startsWith(prefixe)) break;
            ++n;
            cle = lue;
            op = BtrOp::GetNext;
        }
    }
    return n;
}

void BM_LecturesSeules(benchmark::State& state) {
    Lecteur l;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        size_t n = 0;
        for (int s = 1; s <= kStations; ++s)
            for (int j = 0; j < kJours; ++j) n += lireJour(l, s, kDebut.addDays(j));
        benchmark::DoNotOptimize(n);
        g_lectures_ms = double(t.nsecsElapsed()) / 1e6;
    }
    state.counters["us_par_station_jour"] = g_lectures_ms * 1000.0 / (kStations * kJours);
    state.counters["pic_memoire_Ko"] = double(picMemoireKo());
}
BENCHMARK(BM_LecturesSeules)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_Remplissage(benchmark::State& state) {
    for (auto _ : state) {
        InitGeneralTableurPub(6, true, true);
        QElapsedTimer t;
        t.start();
        const bool ok = Remplissage(*GrilleRemplissage(), QDateTime(kDebut, QTime()),
                                    QDateTime(kDebut.addDays(kJours - 1), QTime()));
        g_calcul_ms = double(t.nsecsElapsed()) / 1e6;
        verifier(ok, "computation");
    }
    SpreadGrid& g = *GrilleRemplissage();
    g.setSheet(kStations);
    verifier(g.maxRows() == kJours * 9, "rows");
    state.counters["us_par_station_jour"] = g_calcul_ms * 1000.0 / (kStations * kJours);
    state.counters["octets_grille"] = double(g.store().octets());
    state.counters["pic_memoire_Ko"] = double(picMemoireKo());
}
BENCHMARK(BM_Remplissage)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Silencieux silencieux;
    SetDialogues(&silencieux);
    QTemporaryDir tmp;
    const QString data = tmp.path() + QStringLiteral("/data/"), config = tmp.path() + QStringLiteral("/config/");
    QDir().mkpath(data);
    QDir().mkpath(config);
    DossierApplication = tmp.path() + QLatin1Char('/');
    {
        QString sortie, erreurs;
        QTextStream out(&sortie), err(&erreurs);
        verifier(KirvoBtr({QStringLiteral("create"), data, QString::number(kStations)}, out, err) == 0, "create");
    }
    InitGeneralData();
    DossierData[0] = data;
    DossierConfigGlobal[0] = config;
    BaseInfo[0].NbStation = kStations;
    BaseInfo[0].ConfigFolder = config;
    BaseInfo[0].DataFolder = data;
    for (int s = 0; s < kStations; ++s) BaseInfo[0].Stations[size_t(s)].Lib = QStringLiteral("Station %1").arg(s + 1);
    NoBaseCourante = 0;
    int16_t tout = -1;
    PervasiveOuvertureFichiers(0, 1, kStations, tout);
    verifier(FileOpen(0, kStations - 1, 27), "open");

    // Slots of a broadcast day and an hourly capacity from 06:00 to 22:59.
    QFile xt(config + QStringLiteral("XT_PUB.ini"));
    verifier(xt.open(QIODevice::WriteOnly), "XT_PUB.ini");
    xt.write(
        "[Pub_Heures_Des_Tranches]\r\nDebut_Tranche_01=06\r\nDebut_Tranche_02=09\r\nDebut_Tranche_03=12\r\n"
        "Debut_Tranche_04=14\r\nDebut_Tranche_05=18\r\nDebut_Tranche_06=21\r\n");
    for (int k = 7; k <= 17; ++k)
        xt.write(QStringLiteral("Debut_Tranche_%1=24\r\n").arg(k, 2, 10, QLatin1Char('0')).toLatin1());
    xt.close();
    QByteArray local, national;
    for (int h = 0; h < 24; ++h) {
        local += h >= 6 && h <= 22 ? "0240" : "0000";
        national += h >= 6 && h <= 22 ? "0120" : "0000";
    }
    QFile rp(config + QStringLiteral("QD3_Remplissage.Ini"));
    verifier(rp.open(QIODevice::WriteOnly), "QD3_Remplissage.Ini");
    rp.write("[National]\r\nDureeMax=" + national + "\r\n[Local]\r\nDureeMax=" + local + "\r\n");
    rp.close();
    Tranches().InitGeneral(config);
    SourcesGrillesDepuisTranches();
    ReinitialiserParametresRemplissage();

    QElapsedTimer t;
    t.start();
    semer();
    std::printf("seeded %d stations x %d days x %d spots in %.1f s\n", kStations, kJours, kSpots,
                double(t.elapsed()) / 1000.0);

    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    if (g_lectures_ms > 0 && g_calcul_ms > 0)
        std::printf(
            "fill: %.1f us per station-day, bare reads %.1f us per station-day, ratio %.2f, peak memory %.1f MB\n",
            g_calcul_ms * 1000.0 / (kStations * kJours), g_lectures_ms * 1000.0 / (kStations * kJours),
            g_calcul_ms / g_lectures_ms, double(picMemoireKo()) / 1024.0);
    uint32_t lng = 0;
    BTRCALL(BtrOp::Stop, nullptr, nullptr, &lng, nullptr, 0, 0);
    return 0;
}
