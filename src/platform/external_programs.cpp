#include "platform/external_programs.h"

#include "platform/paths.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace {

// "https://...", "mailto:..." but not "C:\..." (one letter is a drive).
bool estAdresse(const QString& s) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return re.match(s).hasMatch();
}

class RealLauncher : public ExternalLauncher {
public:
    int startProgram(const QString& program, const QStringList& args, const QString& workDir) override {
        QProcess proc;
        proc.setProgram(program);
        proc.setArguments(args);
        if (!workDir.isEmpty()) proc.setWorkingDirectory(workDir);
        if (proc.startDetached()) return Lancement::Reussi;
        const QFileInfo fi(program);
        if (!fi.exists()) return Lancement::FichierNonTrouve;
        if (!fi.isExecutable()) return Lancement::AccesRefuse;
        return Lancement::FormatInvalide;
    }

    int openDocument(const QString& target) override {
        const QUrl url = estAdresse(target) ? QUrl(target) : QUrl::fromLocalFile(target);
        return QDesktopServices::openUrl(url) ? Lancement::Reussi : Lancement::AucuneAssociation;
    }

    bool exitSession(uint32_t flags) override {
        const bool force = flags & FinSession::Force;
        const uint32_t quoi = flags & ~uint32_t(FinSession::Force);
        QStringList args;
        QString programme = QStringLiteral("systemctl");
        if (quoi & FinSession::Redemarrage) {
            args << QStringLiteral("reboot");
        } else if (quoi & (FinSession::Arret | FinSession::ArretComplet)) {
            args << QStringLiteral("poweroff");
        } else {
            programme = QStringLiteral("loginctl");
            const QString session = qEnvironmentVariable("XDG_SESSION_ID");
            if (session.isEmpty())
                args << QStringLiteral("terminate-user") << qEnvironmentVariable("USER");
            else
                args << QStringLiteral("terminate-session") << session;
        }
        // A forced end does not wait for programs that hold the session open.
        if (force && programme == QLatin1String("systemctl")) args << QStringLiteral("--ignore-inhibitors");
        return QProcess::startDetached(programme, args);
    }
};

RealLauncher g_real;
ExternalLauncher* g_launcher = &g_real;

}  // namespace

ExternalLauncher& Lanceur() { return *g_launcher; }
void SetLanceur(ExternalLauncher* launcher) { g_launcher = launcher ? launcher : &g_real; }

int OuvrirAvecLeBureau(const QString& operation, const QString& file, const QStringList& args, const QString& workDir) {
    const QString op = operation.trimmed().toLower();
    if (!op.isEmpty() && op != QLatin1String("open") && op != QLatin1String("explore") && op != QLatin1String("edit"))
        return Lancement::AucuneAssociation;

    const QString cible = file.trimmed();
    if (cible.isEmpty()) return Lancement::FichierNonTrouve;
    if (cible.size() > 2 && estAdresse(cible)) return Lanceur().openDocument(cible);

    QString dossier;
    if (!workDir.trimmed().isEmpty()) {
        dossier = CheminReel(workDir.trimmed());
        if (!QFileInfo(dossier).isDir()) return Lancement::CheminNonTrouve;
    }

    const QString chemin = CheminReel(cible);
    if (!chemin.contains(QLatin1Char('/')) && !QFileInfo::exists(chemin)) {
        // A bare program name is looked up on PATH, as the shell looked it up on its own path.
        const QString trouve = QStandardPaths::findExecutable(chemin);
        if (trouve.isEmpty()) return Lancement::FichierNonTrouve;
        return Lanceur().startProgram(trouve, args, dossier);
    }
    const QFileInfo fi(chemin);
    if (!fi.exists()) {
        return QFileInfo(fi.absolutePath()).isDir() ? Lancement::FichierNonTrouve : Lancement::CheminNonTrouve;
    }
    if (fi.isFile() && fi.isExecutable() && op != QLatin1String("edit"))
        return Lanceur().startProgram(fi.absoluteFilePath(), args, dossier);
    return Lanceur().openDocument(fi.absoluteFilePath());
}
