#include "foundation/daily_log.h"

#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/proc.h"
#include "foundation/restart_shortcut.h"
#include "foundation/system_info.h"
#include "foundation/trace_log.h"
#include "foundation/window_helpers.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

const QString kPrefixe = QStringLiteral("==:==:==:====:=:=:=:");

// State of the run.
QString JourEnteteLog;  // day key of the last header written
QString JourPurgeLog;   // day key of the last purge
bool bAlerteReboot45 = false;
bool bAlerteReboot48 = false;
// Lines handed over but not on disk yet, oldest first, and how many were dropped for room.
QStringList g_attente;
int64_t g_perdues = 0;
// A failed write was reported; the next ones of the same outage are not.
bool g_echecSignale = false;
// A write is under way: a report logged meanwhile (a header query that failed) only queues its
// lines, which that write then takes along.
bool g_ecritureEnCours = false;

void garder(const QStringList& lignes) {
    g_attente += lignes;
    const qsizetype trop = g_attente.size() - LignesEnAttenteMax;
    if (trop > 0) {
        g_attente.remove(0, trop);
        g_perdues += trop;
    }
}

// Moves the list's lines into the pending ones and empties the list.
void reprendre(TextList& list) {
    if (list.count() == 0) return;
    garder(list.lines());
    list.clear();
}

QString ligneEntete(const QString& texte) { return kPrefixe + texte; }

QString nomProgramme() {
    if (QCoreApplication::instance()) return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return QStringLiteral("QD3_Tools_Kirvo");
}

QString nomProduit() {
    const QString n = QCoreApplication::instance() ? QCoreApplication::applicationName() : QString();
    return n.isEmpty() ? QStringLiteral("QD3_Tools_Kirvo") : n;
}

QString themeActif() {
    QString v;
    if (Reg_GetValue(HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"),
                     QStringLiteral("ThemeActive"), v) != 0)
        v.clear();
    return NombreEnTete(v) == 0 ? QStringLiteral("WinClassic") : QStringLiteral("WinXP");
}

// The header block. The grid control's file of the old platform does not exist here, so its
// version line is left out, as when the file is not found; the two control libraries are ours,
// built on the toolkit, whose version they report.
QStringList entete(Proc& p, uint64_t ms) {
    QStringList l;
    const QString cadre = ligneEntete(QString(43, QLatin1Char('=')));
    p(41, [&] { l << cadre << ligneEntete(QStringLiteral("System started since ") + TexteDepuisDemarrage(ms)); });
    p(42, [&] { l << ligneEntete(QStringLiteral("App.Version: ") + VersionApplication()); });
    p(43, [&] { l << ligneEntete(QStringLiteral("App.ExeName: ") + DossierApplication + nomProgramme()); });
    p(44, [&] { l << ligneEntete(QStringLiteral("App.ProductName: ") + nomProduit()); });
    p(45, [&] { l << ligneEntete(QStringLiteral("Computer.Name: ") + ComputerName()); });
    p(46, [&] { l << ligneEntete(QStringLiteral("ActiveTheme: ") + themeActif()); });
    p(47, [&] { l << ligneEntete(QStringLiteral("Operating System: ") + GetOSDisplayString()); });
    p(48, [&] {
        const QString v = QString::fromLatin1(qVersion());
        l << ligneEntete(QStringLiteral("PropertyGrid.Version: ") + v)
          << ligneEntete(QStringLiteral("SkinFramework.Version: ") + v) << cadre << cadre;
    });
    return l;
}

bool blanc(const QString& s) { return TrimBlancs(s).isEmpty(); }

bool estNomDeJour(const QString& nom) {
    if (nom.size() != 8) return false;
    for (QChar c : nom)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

}  // namespace

QString TexteDepuisDemarrage(uint64_t milliseconds) {
    uint64_t s = milliseconds / 1000u;
    const uint64_t reste = milliseconds % 1000u;
    if (reste > 500u || (reste == 500u && (s & 1u))) ++s;
    const uint64_t secondes = s % 60u;
    uint64_t m = milliseconds / 60000u, h = 0, d = 0;
    if (m >= 60) {
        h = m / 60;
        m %= 60;
        if (h >= 24) {
            d = h / 24;
            h %= 24;
        }
    }
    QString t;
    if (d > 0)
        t = QString::number(d) + QStringLiteral(" D ") + QString::number(h) + QStringLiteral(" H ");
    else if (h > 0)
        t = QString::number(h) + QStringLiteral(" H ");
    return t + QString::number(m) + QStringLiteral(" Min ") + QString::number(secondes) + QStringLiteral(" Sec");
}

void TraceLogForce(TextList& list, const QString& fileBase, bool, bool, const QString&) {
    Proc p(Cle::TraceLogForce, Trace::None);
    const QDateTime maintenant = HorlogeSysteme().now();
    QString jour;
    p(10, [&] { jour = Date2StringEx(maintenant, FormatDate); });
    if (list.count() == 0 && g_attente.isEmpty() && jour == JourEnteteLog) return;
    if (g_ecritureEnCours) {
        reprendre(list);
        return;
    }

    // Without a log folder nothing is written and nothing purged: the lines wait for one.
    if (blanc(CheminLog)) {
        reprendre(list);
        return;
    }
    const QString dossier = CheminReel(CheckRep(CheminLog));

    QString base = fileBase;
    p(20, [&] {
        if (blanc(base)) base = D2S(maintenant);
    });
    const QString chemin = dossier + base + QStringLiteral(".Log");

    bool ecrit = false;
    p(30, [&] {
        g_ecritureEnCours = true;
        struct Fin {
            ~Fin() { g_ecritureEnCours = false; }
        } fin;
        NumeroFichier numero(QString::fromLatin1(Cle::TraceLogForce), false);
        QFile f(chemin);
        const bool ouvert = f.open(QIODevice::WriteOnly | QIODevice::Append);
        reprendre(list);

        QStringList lignes;
        if (jour != JourEnteteLog) {
            const uint64_t ms = GetTickCount64();
            const uint64_t jours = ms / 86400000u;
            if (ouvert) lignes = entete(p, ms);
            // The warnings go to the end of the log list, after the lines already pending.
            if (jours > 45 && !bAlerteReboot45) {
                TraceLog(-1, -1, -1, QStringLiteral("Reboot needed because computer started since more 45 days"), true,
                         -1, false);
                bAlerteReboot45 = true;
            }
            if (jours > 48 && !bAlerteReboot48) {
                TraceLog(-1, -1, -1, QStringLiteral("Reboot needed because computer started since more 48 days"), true,
                         -1, false);
                bAlerteReboot48 = true;
            }
        }
        reprendre(list);
        if (!ouvert) return;

        if (g_perdues > 0)
            lignes << TimingMilliSec() + QStringLiteral(" : : : :    :Log: ") + QString::number(g_perdues) +
                          QStringLiteral(" lines lost while the log file could not be written");
        lignes += g_attente;
        QByteArray octets;
        for (const QString& l : lignes) octets += ToCp1252(l) + "\r\n";
        ecrit = f.write(octets) == octets.size() && f.flush();
        f.close();
        if (!ecrit) return;
        // The header day is recorded only once the header is on disk, so a folder that comes
        // back later in the day still gets its header.
        JourEnteteLog = jour;
        g_attente.clear();
        g_perdues = 0;
        g_echecSignale = false;
    });

    if (jour != JourPurgeLog) {
        QString limite;
        p(70, [&] { limite = D2S(maintenant.date().addDays(-45)); });
        QStringList noms;
        p(71, [&] { noms = QDir(dossier).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name); });
        // Only day files go: eight digits and ".Log", older than the limit. "0000.Log" is no day
        // file and stays, as decided.
        for (const QString& nom : noms) {
            p(72, [&] {
                EclateRepFicExt(nom);
                if (RepFicExt.Ext.compare(QStringLiteral(".Log"), Qt::CaseInsensitive) != 0) return;
                if (!estNomDeJour(RepFicExt.Fic) || !(RepFicExt.Fic < limite)) return;
                if (!QFile::remove(dossier + nom)) throw AppError::runtime(75, dossier + nom);
            });
        }
        JourPurgeLog = jour;
    }

    // One report per outage; the lines it logs wait with the others.
    if (!ecrit && !g_echecSignale) {
        g_echecSignale = true;
        p(90, [&] {
            const bool dossierAbsent = !QFileInfo(dossier).isDir();
            throw AppError::runtime(dossierAbsent ? 76 : 75, chemin);
        });
    }
}

void LectureLog(const QString& folder, const QString& prefix) {
    Proc p(Cle::LectureLog, Trace::DebugOnly);
    p.silent().leaveOnError();
    p(10, [&] { TraceLogForce(Listes().ListeLog, QString(), false, true, QString::fromLatin1(Cle::LectureLog)); });
    QString choisi;
    p(20, [&] {
        const QString propose = folder + prefix + D2S(HorlogeSysteme().now()) + QStringLiteral(".Log");
        // The windows kept on top step back for the dialog and come back however it ends.
        AfficherMessageBoxOuInputBox(true);
        struct Retour {
            ~Retour() { AfficherMessageBoxOuInputBox(false); }
        } retour;
        choisi = Dialogues().pickOpenFile(QStringLiteral("Ouvrir"), propose, QStringLiteral("Logs (*.log *.Log)"));
    });
    // Opened as a document whatever its rights ("Edit" never starts a program); a desktop that
    // cannot open it says so in the same box as any other file the program hands to it.
    p(30, [&] {
        if (!choisi.isEmpty()) ExecuterProgrammeExterne(QStringLiteral("Edit"), choisi, QStringList(), QString(), 1);
    });
}

int LignesEnAttente() { return int(g_attente.size()); }

void ReinitialiserJournalJour() {
    JourEnteteLog.clear();
    JourPurgeLog.clear();
    bAlerteReboot45 = false;
    bAlerteReboot48 = false;
    g_attente.clear();
    g_perdues = 0;
    g_echecSignale = false;
    g_ecritureEnCours = false;
}
