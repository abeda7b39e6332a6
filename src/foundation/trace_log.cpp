#include "foundation/trace_log.h"

#include "foundation/conversions.h"
#include "foundation/daily_log.h"
#include "foundation/globals.h"
#include "foundation/log_secrets.h"
#include "foundation/log_lists.h"
#include "foundation/proc.h"
#include "platform/clock.h"

#include <bitset>

namespace {

uint64_t TickDerniereLigne = 0;
uint64_t DernierTick = 0;
uint64_t DecalageTick = 0;
bool TickAmorce = false;                // the wraps that happened before the program started are counted
std::bitset<256> FichiersOuvertsTable;  // file numbers in use (0 unused)

QString champIndex(int16_t v) {
    if (v < 0) return QStringLiteral(" :");
    return QString::number(v) + QLatin1Char(':');
}

QString champIndexC(int16_t v) {
    if (v < 0) return QStringLiteral(" :");
    if (v <= 9) return QString::number(v) + QLatin1Char(':');
    return QString(QChar(char16_t(v + 55))) + QLatin1Char(':');
}

}  // namespace

void TraceLog(int16_t a, int16_t b, int16_t c, const QString& texteRecu, bool bIncident, int16_t iIncident,
              bool bForceWrite) {
    // Errors inside are reported under the zone as corrected for the incident list.
    Proc p(Cle::TraceLog, Trace::None);
    p.zone(a);
    if (bFermetureEnCours && !bFrmSetupChargee) return;
    if (TrimBlancs(texteRecu).isEmpty()) return;
    const QString text = MasquerSecrets(texteRecu);

    QString ligne;
    p(10, [&] { ligne = TimingMilliSec() + QStringLiteral(" :"); });
    p(20, [&] {
        if (a == -2 && b == -2)
            ligne += QStringLiteral("Debug:");
        else
            ligne += champIndex(a) + champIndex(b) + champIndexC(c);
    });
    p(30, [&] {
        const uint64_t n = GetTickCount64();
        if (TickDerniereLigne == 0) {
            ligne += QStringLiteral("    :");
            TickDerniereLigne = n;
            return;
        }
        const uint64_t d = n - TickDerniereLigne;
        if (d > 9999) {
            ligne += QStringLiteral("xxxx:");
            TickDerniereLigne = n;
        } else if (d <= 20) {
            ligne += QStringLiteral("    :");
        } else {
            ligne += QString::number(d).rightJustified(4, QLatin1Char(' ')) + QLatin1Char(':');
            TickDerniereLigne = n;
        }
    });
    const QString entete = ligne;
    p(40, [&] {
        ListesLog& l = Listes();
        if (bFrmSetupChargee) {
            if (l.ListeLogTemp.count() > 0) {
                l.ListeLog.append(l.ListeLogTemp.lines());
                l.ListeLogTemp.clear();
            }
            l.ListeLog.append(entete + text);
        } else {
            l.ListeLogTemp.append(entete + text);
        }
    });
    if (bIncident || iIncident >= 0) {
        p(50, [&] {
            ListesLog& l = Listes();
            int z = a;
            if (z > l.nbListesIncidents() - 1 || z < 0) z = 0;
            p.zone(z);
            TextList& liste = l.incidents(z);
            if (liste.count() > 1000) liste.clear();
            QString t = TrimBlancs(text);
            while (t.startsWith(QLatin1Char(':'))) t = TrimBlancs(t.mid(1));
            liste.append(HorlogeSysteme().now().toString(QStringLiteral("dd/MM")) + QLatin1Char(' ') + entete + t);
            l.CheckIncidents(z);
        });
        p(60, [&] {
            if (bFrmSetupChargee && bForceWrite)
                TraceLogForce(Listes().ListeLog, QString(), false, false, QString::fromLatin1(Cle::TraceLog));
        });
    }
    p(70, [&] {
        if (bFrmSetupChargee && !TrimBlancs(CheminLog).isEmpty() && bForceWrite && Listes().ListeLog.count() > 0)
            TraceLogForce(Listes().ListeLog, QString(), false, false, QString::fromLatin1(Cle::TraceLog));
    });
}

void TraceLogEncadre(int16_t a, int16_t b, int16_t c, const QString& text, const QString& frame, bool bIncident) {
    Proc p(Cle::TraceLogEncadre, Trace::DebugOnly);
    p.zone(a);
    // The frame fits the text as it is written.
    const QString texte = MasquerSecrets(text);
    QString cadre;
    p(10, [&] {
        const QChar ch = frame.isEmpty() ? QLatin1Char(' ') : frame.at(0);
        cadre = QString(texte.size(), ch);
    });
    p(20, [&] { TraceLog(a, b, c, cadre, false, -1, true); });
    p(30, [&] { TraceLog(a, b, c, texte, bIncident, -1, true); });
    p(40, [&] { TraceLog(a, b, c, cadre, false, -1, true); });
}

void TraceLogEntree(const QString& key) {
    try {
        TraceLog(-2, -2, -2, QStringLiteral("     ") + key, false, -1, true);
    } catch (const ProgramEnded&) {
        throw;
    } catch (...) {}
}

void TraceDebugEcran(const QString& text) {
    try {
        TextList& l = Listes().ListeDebug;
        if (l.count() > 2000) l.clear();
        l.insertTop(TimingMilliSec() + QLatin1Char(' ') + MasquerSecrets(text));
    } catch (const ProgramEnded&) {
        throw;
    } catch (...) {}
}

QString TimingMilliSec() {
    Proc p(Cle::TimingMilliSec, Trace::None);
    QString s;
    p(10, [&] {
        const QTime t = HorlogeSysteme().now().time();
        s = QStringLiteral("%1:%2:%3:%4")
                .arg(t.hour(), 2, 10, QLatin1Char('0'))
                .arg(t.minute(), 2, 10, QLatin1Char('0'))
                .arg(t.second(), 2, 10, QLatin1Char('0'))
                .arg(t.msec(), 3, 10, QLatin1Char('0'));
    });
    return s;
}

uint64_t GetTickCount64() {
    if (!TickAmorce) {
        // The 32-bit counter has wrapped every 49.7 days of uptime before this run began: the
        // real uptime gives those wraps, the counter the rest.
        const uint64_t depuisDemarrage = HorlogeSysteme().uptimeMs();
        DecalageTick = depuisDemarrage & ~uint64_t(0xFFFFFFFFu);
        DernierTick = depuisDemarrage & 0xFFFFFFFFu;
        TickAmorce = true;
    }
    const uint64_t lecture = HorlogeSysteme().tick32();
    if (lecture < DernierTick) DecalageTick += 4294967296ull;
    DernierTick = lecture;
    return DecalageTick + lecture;
}

int16_t CheckFreeFile(const QString& caller, bool bWarn) {
    Proc p(Cle::CheckFreeFile, Trace::None);
    int16_t n = 0;
    p(10, [&] {
        for (int i = 1; i < 256; ++i)
            if (!FichiersOuvertsTable.test(size_t(i))) {
                n = int16_t(i);
                return;
            }
        Raise(67);
    });
    p(20, [&] {
        if (bWarn && n > 2) Log(QStringLiteral("FreeFile #") + QString::number(n) + QStringLiteral(" |Sub: ") + caller);
    });
    return n;
}

NumeroFichier::NumeroFichier(const QString& caller, bool bWarn) : n_(CheckFreeFile(caller, bWarn)) {
    if (n_ > 0) FichiersOuvertsTable.set(size_t(n_));
}

NumeroFichier::~NumeroFichier() {
    if (n_ > 0) FichiersOuvertsTable.reset(size_t(n_));
}

void ReinitialiserTraceLog() {
    TickDerniereLigne = 0;
    DernierTick = 0;
    DecalageTick = 0;
    TickAmorce = false;
    FichiersOuvertsTable.reset();
}
