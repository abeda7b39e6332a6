// Answers of about 4 MiB read by the answer readers, each shape flat and nested as deep as an
// answer may nest, side by side: the nested one must cost about what the flat one costs.
//   Resultats   a creation answer of 62 Result elements, a note in each: flat, one after the
//               other; nested, one in the other
//   Liste       a client list of 20 items: flat, one after the other; nested, each item's name
//               field holding the list of the next one; a long name in each
// And answers whose tags carry attributes, in UTF-8 and in UTF-16, beside a plain answer of the
// same encoding: each must cost about what the plain one costs for its size ("bytes_per_second";
// "lu" is 1 when the answer reads, 0 when it is refused).
//   Plate       4 MiB of client items, or of short elements only (elements:1), no attribute
//   Racine      a root tag with 256 attributes (read) and with 100,000 (refused; in UTF-16 their
//               names hold U+013E, whose low byte is ">")
//   Balises     4 MiB made only of tags with 2, 8, 16 or 256 attributes each (256: refused once
//               the answer's attributes have cost what its size allows)
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

QByteArray encode(const QString& xml, bool utf16) {
    if (!utf16) return xml.toUtf8();
    QByteArray r("\xFF\xFE", 2);
    r.append(reinterpret_cast<const char*>(xml.utf16()), xml.size() * 2);
    return r;
}

QString attributs(int n) {
    QString r;
    for (int i = 0; i < n; ++i) r += QStringLiteral(" \u013E%1='1'").arg(i);
    return r;
}

// The bytes an answer of this many characters takes in its encoding.
qsizetype caracteres(bool utf16) { return utf16 ? kTaille / 2 : kTaille; }

void lireReponse(benchmark::State& state, const char* nom, const QByteArray& contenu) {
    const QString fichier = ecrire(nom, contenu);
    bool err = true;
    for (auto _ : state) {
        err = true;
        LectureFichierXMLRequete_00_Generique_01_CreateXML(fichier, QString(), err);
        benchmark::DoNotOptimize(err);
    }
    state.counters["lu"] = err ? 0 : 1;
    state.SetBytesProcessed(int64_t(state.iterations()) * contenu.size());
    compter(state, fichier);
}

const QString kDebut = QStringLiteral("<R><Code>0</Code><Result>True</Result><Id>42</Id>");

void BM_Plate(benchmark::State& state) {
    const bool elements = state.range(0) != 0;
    const bool utf16 = state.range(1) != 0;
    QString r = kDebut;
    for (int i = 1; r.size() < caracteres(utf16); ++i)
        r += elements ? QStringLiteral("<e>1</e>")
                      : QStringLiteral(
                            "<ClientBO><CltIdWeb>%1</CltIdWeb><CltNom>Client %1</CltNom>"
                            "<CltVille>Lille</CltVille></ClientBO>")
                            .arg(i);
    lireReponse(state, "plate.xml", encode(r + QStringLiteral("</R>"), utf16));
}

void BM_Racine(benchmark::State& state) {
    const bool utf16 = state.range(1) != 0;
    const QString r = QStringLiteral("<R") + attributs(int(state.range(0))) +
                      QStringLiteral("><Code>0</Code><Result>True</Result><Id>42</Id></R>");
    lireReponse(state, "racine.xml", encode(r, utf16));
}

void BM_Balises(benchmark::State& state) {
    const bool utf16 = state.range(1) != 0;
    const QString balise = QStringLiteral("<a") + attributs(int(state.range(0))) + QStringLiteral("/>");
    QString r = kDebut;
    while (r.size() < caracteres(utf16)) r += balise;
    lireReponse(state, "balises.xml", encode(r + QStringLiteral("</R>"), utf16));
}

BENCHMARK(BM_ResultatsPlats)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ResultatsImbriques)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ListePlate)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ListeImbriquee)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Plate)
    ->ArgNames({"elements", "utf16"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_Racine)
    ->ArgNames({"attributs", "utf16"})
    ->ArgsProduct({{256, 100000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_Balises)
    ->ArgNames({"attributs", "utf16"})
    ->ArgsProduct({{2, 8, 16, 256}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    const int r = LancerBancsHorsEcran(argc, argv);
    delete g_dossier;
    return r;
}
