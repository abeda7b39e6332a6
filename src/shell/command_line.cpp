#include "shell/command_line.h"

#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"
#include "platform/clock.h"

#include <QCoreApplication>
#include <QStringList>
#include <optional>

QString AdresseIPCible;

namespace {

constexpr auto kInstance = "/Instance=";
constexpr auto kInstanceCourt = "/I=";
constexpr auto kWait = "/Wait=";
constexpr auto kIP = "/IP=";

void pomper() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

// The rest of the line after the switch's first occurrence, blanks dropped at both ends.
std::optional<QString> apres(const QString& ligne, const char* commutateur) {
    const QString c = QString::fromLatin1(commutateur);
    const qsizetype pos = ligne.indexOf(c, 0, Qt::CaseInsensitive);
    if (pos < 0) return std::nullopt;
    return TrimBlancs(ligne.mid(pos + c.size()));
}

// The leading run of characters that the predicate accepts.
template <class Pred>
QString enTete(const QString& valeur, Pred accepte) {
    qsizetype n = 0;
    while (n < valeur.size() && accepte(valeur[n])) ++n;
    return valeur.left(n);
}

bool estChiffre(QChar ch) { return ch >= QLatin1Char('0') && ch <= QLatin1Char('9'); }

// 1..10 from a digit run of any length (an empty run is 0, hence 1).
int16_t instanceBornee(const QString& chiffres) {
    int v = 0;
    for (QChar ch : chiffres) {
        v = v * 10 + (ch.unicode() - '0');
        if (v > 10) return 10;
    }
    return int16_t(v < 1 ? 1 : v);
}

// The instance switch's value, when one is there. A search that finds nothing lets pending
// events run once when asked.
std::optional<QString> valeurInstance(const QString& ligne, bool pompe) {
    auto v = apres(ligne, kInstance);
    if (v) return v;
    if (pompe) pomper();
    v = apres(ligne, kInstanceCourt);
    if (!v && pompe) pomper();
    return v;
}

}  // namespace

int16_t InstanceDemandee(const QString& ligne) {
    const auto v = valeurInstance(ligne, false);
    return v ? instanceBornee(enTete(*v, estChiffre)) : int16_t(0);
}

bool VeilleDemandee(const QString& ligne) {
    return ligne.contains(QStringLiteral("/Veille=True"), Qt::CaseInsensitive);
}

bool BaseCouranteDemandee(const QString& ligne) {
    return ligne.contains(QStringLiteral("/Base=Current"), Qt::CaseInsensitive);
}

QString LigneCommandeProgramme() {
    if (!QCoreApplication::instance()) return {};
    QStringList args = QCoreApplication::arguments();
    if (!args.isEmpty()) args.removeFirst();
    return args.join(QLatin1Char(' '));
}

void AnalyseChaineCommand(QString ligne) {
    Proc p(Cle::AnalyseChaineCommand, Trace::None);

    p(10, [&] {
        TraceLogEncadre(-1, -1, -1, QStringLiteral("Command Line: '") + ligne + QLatin1Char('\''), QStringLiteral("="),
                        false);
    });
    p(20, [&] { NoInstance = 0; });

    std::optional<QString> instance;
    p(30, [&] { instance = valeurInstance(ligne, true); });
    if (instance) p(40, [&] { NoInstance = instanceBornee(enTete(*instance, estChiffre)); });
    p(50, [&] { Log(QStringLiteral("Instance: ") + QString::number(NoInstance)); });

    std::optional<QString> attente;
    p(60, [&] { attente = apres(ligne, kWait); });
    if (attente) {
        int32_t duree = 0;
        p(70, [&] {
            const QString chiffres = enTete(*attente, estChiffre);
            qint64 v = 0;
            for (QChar ch : chiffres) {
                v = v * 10 + (ch.unicode() - '0');
                if (v > 2147483647) Raise(6);
            }
            duree = int32_t(v);
        });
        p(80, [&] { Log(QStringLiteral("WaitDuration: ") + QString::number(duree)); });
        p(90, [&] {
            // Windows stay alive meanwhile; the closing flag is not looked at. A short sleep
            // between pumps keeps the wait from spinning the processor.
            const uint64_t debut = GetTickCount64();
            for (;;) {
                const uint64_t maintenant = GetTickCount64();
                const uint64_t ecart = maintenant >= debut ? maintenant - debut : debut - maintenant;
                if (ecart >= uint64_t(duree)) break;
                pomper();
                HorlogeSysteme().sleepMs(uint32_t(std::min<uint64_t>(10, uint64_t(duree) - ecart)));
            }
        });
    }

    std::optional<QString> ip;
    p(100, [&] { ip = apres(ligne, kIP); });
    if (ip) {
        p(110,
          [&] { AdresseIPCible = enTete(*ip, [](QChar ch) { return estChiffre(ch) || ch == QLatin1Char('.'); }); });
        p(120, [&] { Log(QStringLiteral("Target IP Address: ") + AdresseIPCible); });
    }
}
