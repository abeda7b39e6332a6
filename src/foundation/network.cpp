#include "foundation/network.h"

#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"
#include "foundation/system_info.h"
#include "foundation/trace_log.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "platform/system_info.h"

namespace {

// The server names that designate this machine.
bool estCetteMachine(QString server) {
    while (server.startsWith(QLatin1Char('\\')) || server.startsWith(QLatin1Char('/'))) server.remove(0, 1);
    server = TrimBlancs(server);
    if (server.isEmpty()) return true;
    const QString hote = NomMachine();
    return server.compare(ComputerName(), Qt::CaseInsensitive) == 0 || server.compare(hote, Qt::CaseInsensitive) == 0 ||
           server.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || server == QLatin1String("127.0.0.1");
}

}  // namespace

QString GetHostName() {
    Proc p(Cle::GetHostName, Trace::None);
    QString adresse;
    p(10, [&] { adresse = PremiereAdresseIPv4(); });
    return adresse;
}

int32_t GetNetShares(QList<ShareInfo>& shares, const QString& server) {
    // The listing passes over its own failures without a report.
    try {
        shares.clear();
        // Another machine's shares are not asked for: nothing here sends a request.
        if (!estCetteMachine(server)) return 0;
        for (const PartageSamba& s : PartagesSamba()) {
            ShareInfo i;
            i.NetName = s.nom;
            i.Type = s.impression ? 1 : 0;
            i.Remark = s.commentaire;
            i.Path = s.chemin;
            shares << i;
        }
        return int32_t(shares.size());
    } catch (const ProgramEnded&) {
        throw;
    } catch (...) {
        shares.clear();
        return 0;
    }
}

int32_t GetLocalShares(QList<ShareInfo>& shares, const QString& server) {
    if (InfoVersionOS.dwPlatformId != 2) {
        shares.clear();
        return 0;
    }
    return GetNetShares(shares, server);
}

QString ChangeUNCFolder2LocalFolder(int16_t traceIndex, const QString& uncPath, const QString& computer) {
    Proc p(Cle::ChangeUNCFolder2LocalFolder, Trace::None);
    p.zone(traceIndex);
    QString resultat = uncPath;
    QList<ShareInfo> partages;
    int32_t n = 0;
    p(10, [&] { n = GetLocalShares(partages, QString()); });
    if (n <= 0) return resultat;
    p(20, [&] {
        TraceLogEncadre(traceIndex, -1, -1, QStringLiteral("Shared Paths List |UNC Path to Change: ") + uncPath,
                        QStringLiteral("="), false);
    });
    p(30, [&] {
        // Both spellings of a network name are met: "\\host\share\x" and "//host/share/x".
        QString chemin = uncPath;
        chemin.replace(QLatin1Char('/'), QLatin1Char('\\'));
        for (qsizetype i = 0; i < partages.size(); ++i) {
            const ShareInfo& s = partages[i];
            if (s.Type != 0) continue;
            const QString prefixe =
                QStringLiteral("\\\\") + computer + QLatin1Char('\\') + s.NetName + QLatin1Char('\\');
            if (!chemin.startsWith(prefixe, Qt::CaseInsensitive)) continue;
            QString racine = s.Path;
            while (racine.endsWith(QLatin1Char('/'))) racine.chop(1);
            QString reste = chemin.mid(prefixe.size());
            reste.replace(QLatin1Char('\\'), QLatin1Char('/'));
            const QString local = racine + QLatin1Char('/') + reste;
            const QString no = N2S(double(i), 2, 0, QStringLiteral("0"));
            TraceLog(traceIndex, -1, -1, no + QStringLiteral(": UNC: Local Path found: ") + local);
            if (FolderFound(local)) {
                TraceLog(traceIndex, -1, -1,
                         no + QStringLiteral(": UNC: Path change from: ") + uncPath + QStringLiteral(" to: ") + local);
                resultat = local;
            }
            break;
        }
    });
    return resultat;
}

QString FolderSelect(const QString& startPath, const QString& title) {
    Proc p(Cle::FolderSelect, Trace::None);
    QString resultat = QStringLiteral("*");
    QString depart;
    p(10, [&] {
        EclateRepFicExt(startPath);
        depart = RepFicExt.Rep;
        if (TrimBlancs(depart).isEmpty()) depart = DossierApplication;
    });
    const QString titre = title.isEmpty() ? QStringLiteral("Sélectionnez un dossier: ") : title;
    p(20, [&] {
        QString d = depart;
        if (d.size() > 1 && (d.endsWith(QLatin1Char('\\')) || d.endsWith(QLatin1Char('/')))) d.chop(1);
        const QString choix = Dialogues().pickFolder(titre, CheminReel(d));
        if (!choix.isEmpty()) resultat = CheckRep(choix);
    });
    p(30, [&] {
        if (TrimBlancs(resultat) != QLatin1String("*") && !FolderFound(resultat))
            VerificationEtCreationRepertoire(resultat, true);
    });
    return resultat;
}
