#include "foundation/error_routine.h"

#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"

#include <QCoreApplication>

namespace {

bool g_occupe = false;
std::function<void(int32_t, int16_t)> g_special;

constexpr int32_t kObjetMin = -2147221503;   // &H80040001
constexpr int32_t kObjetMax = -2147155970;   // &H8004FFFE
constexpr int32_t kObjetBase = -2147221504;  // &H80040000

// Failures inside the routine are skipped: the next step still runs.
template <class F>
void etape(F&& f) {
    try {
        f();
    } catch (const ProgramEnded&) {
        throw;
    } catch (...) {}
}

}  // namespace

void GestionDesErreurs(int16_t zone, const QString& procKey) {
    if (bFermetureEnCours) return;
    if (bTraceDebugEcran) etape([] { TraceDebugEcran(QString::fromLatin1(Cle::GestionDesErreurs)); });
    if (g_occupe) return;
    g_occupe = true;
    struct Liberation {
        ~Liberation() { g_occupe = false; }
    } liberation;

    if (zone >= NbZones) zone = NbZones;
    int32_t n = DerniereErreur.Number;
    QString d = DerniereErreur.Description;
    bool objet = false;
    if (n >= kObjetMin && n <= kObjetMax) {
        n -= kObjetBase;
        objet = true;
    }
    if (n != 0) {
        etape([&] {
            if (d.size() > 100) d.replace(QStringLiteral(". "), QStringLiteral("\n "));
            QString t = QStringLiteral("Err: ") + QString::number(n) + QStringLiteral(" (") + d + QLatin1Char(')');
            if (!TrimBlancs(procKey).isEmpty())
                t += QStringLiteral("\n\nSource:") + procKey + QLatin1Char(':') + QString::number(DerniereErreur.Erl);
            if (objet && !TrimBlancs(DerniereErreur.Source).isEmpty())
                t += QStringLiteral("\n(Source: ") + DerniereErreur.Source + QLatin1Char(')');
            t.replace(QLatin1Char('\n'), QLatin1Char(' '));
            TraceLogEncadre(zone, -1, -1, t, QStringLiteral("="), true);
        });
        if (g_special) etape([&] { g_special(DerniereErreur.Number, zone); });
    }
    // DerniereErreur keeps the last trapped error until the next one: callers that reset its
    // number before a statement test it afterwards.
    etape([] {
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
    });
}

void SetTraitementErreurSpecial(std::function<void(int32_t, int16_t)> hook) { g_special = std::move(hook); }

void ReinitialiserGestionDesErreurs() { g_occupe = false; }

// --- the procedure scope ---

Proc::Proc(const char* key, Trace trace) : key_(key) {
    if (trace == Trace::Both && bTraceLogDebug) TraceLogEntree(QString::fromLatin1(key));
    if (trace != Trace::None && bTraceDebugEcran) TraceDebugEcran(QString::fromLatin1(key));
}

Proc::Proc(const char* key, Trace trace, const QString& debugText) : key_(key) {
    if (trace == Trace::Both && bTraceLogDebug) TraceLogEntree(QString::fromLatin1(key));
    if (trace != Trace::None && bTraceDebugEcran) TraceDebugEcran(debugText);
}

void Proc::fail(int stmt, const AppError& e) {
    ++failures_;
    DerniereErreur.Number = e.number;
    DerniereErreur.Source = e.source;
    DerniereErreur.Description = e.description;
    DerniereErreur.Erl = stmt;
    if (leave_) left_ = true;
    if (handler_ && handler_(stmt)) return;
    if (silent_) return;
    GestionDesErreurs(int16_t(zone_), fullKey());
}
