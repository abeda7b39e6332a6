#include "foundation/restart_shortcut.h"

#include "foundation/conversions.h"
#include "foundation/daily_log.h"
#include "foundation/error_routine.h"
#include "foundation/file_ops.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "foundation/system_info.h"
#include "foundation/trace_log.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/external_programs.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

namespace {

constexpr int kAuPremierPlan = 0x10000;  // the box is brought to the foreground
const QString kNomEntree = QStringLiteral("Ondrune - Tools-Kirvo");
const QString kCible = QStringLiteral("QD3_Tools_Kirvo");

// A value of a desktop entry: backslashes and line breaks escaped.
QString valeurEntree(const QString& s) {
    QString r;
    for (QChar c : s) {
        if (c == QLatin1Char('\\'))
            r += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            r += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            r += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            r += QStringLiteral("\\t");
        else
            r += c;
    }
    return r;
}

// One argument of the Exec key: quoted when it holds a reserved character, "%" doubled so that
// it is never read as a field code.
QString argumentExec(const QString& a) {
    static const QString reserves = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = a.isEmpty();
    for (QChar c : a)
        if (reserves.contains(c)) quote = true;
    QString r;
    if (quote) {
        r += QLatin1Char('"');
        for (QChar c : a) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                r += QLatin1Char('\\');
            r += c;
        }
        r += QLatin1Char('"');
    } else {
        r = a;
    }
    r.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return r;
}

QByteArray contenuEntree(int32_t delai) {
    const QString cible = DossierApplication + kCible;
    QString dossier = DossierApplication;
    if (!dossier.isEmpty()) dossier.chop(1);
    QString t;
    t += QStringLiteral("[Desktop Entry]\n");
    t += QStringLiteral("Type=Application\n");
    t += QStringLiteral("Name=") + valeurEntree(kNomEntree) + QLatin1Char('\n');
    t += QStringLiteral("Exec=") +
         valeurEntree(argumentExec(cible) + QLatin1Char(' ') +
                      argumentExec(QStringLiteral("/Wait=") + QString::number(delai))) +
         QLatin1Char('\n');
    t += QStringLiteral("Path=") + valeurEntree(dossier) + QLatin1Char('\n');
    t += QStringLiteral("Icon=") + valeurEntree(cible) + QLatin1Char('\n');
    t += QStringLiteral("Comment=") + valeurEntree(QStringLiteral("Lancer le Tools-Kirvo Ondrune")) + QLatin1Char('\n');
    t += QStringLiteral("Terminal=false\n");
    t += QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return t.toUtf8();
}

}  // namespace

QString DossierDemarrage() { return CheckRep(GetSpecialFolderLocation(Csidl::Startup)); }

QString FichierRaccourciDemarrage() { return DossierDemarrage() + kNomEntree + QStringLiteral(".desktop"); }

void CreateShortCutStartUp(int16_t action, int32_t& delai, const QString& caller) {
    Proc p(Cle::CreateShortCutStartUp, Trace::None);
    QString chemin;
    p.handler([&](int) {
        if (DerniereErreur.Number == ErrFichierUtilise)
            MsgBox(QStringLiteral("Impossible de créer le raccourci:") + chemin, Mb::Critical | kAuPremierPlan,
                   CaptionFrmMain());
        else
            GestionDesErreurs(-1, caller + QLatin1Char(':') + QString::fromLatin1(Cle::CreateShortCutStartUp));
        return true;
    });
    QString dossier;
    p(10, [&] {
        dossier = DossierDemarrage();
        chemin = dossier + kNomEntree + QStringLiteral(".desktop");
        if (dossier.isEmpty()) throw AppError::runtime(76, chemin);
    });
    p(20, [&] {
        if (delai < 1000)
            delai = 1000;
        else if (delai > 120000)
            delai = 120000;
    });
    if (dossier.isEmpty()) return;
    if (action == -1) {
        p(30, [&] {
            if (!QDir().mkpath(dossier)) throw AppError::runtime(76, dossier);
        });
        p(40, [&] {
            QSaveFile f(chemin);
            if (!f.open(QIODevice::WriteOnly)) throw AppError::runtime(75, chemin);
            f.write(contenuEntree(delai));
            if (!f.commit()) throw AppError::runtime(75, chemin);
        });
    } else if (action == 0) {
        bool present = false;
        p(50, [&] { present = File_Exist(chemin, QString::fromLatin1(Cle::CreateShortCutStartUp), false); });
        if (present) p(60, [&] { File_Delete(chemin, 0); });
    }
}

void ShutdownWindows(uint32_t flags) {
    Proc p(Cle::ShutdownWindows, Trace::None);
    p(10, [] { TraceLogForce(Listes().ListeLog, QString(), false, false, QString()); });
    // No privilege to take here: the session manager decides whether the request is allowed.
    p(20, [&] { Lanceur().exitSession(flags | FinSession::Force); });
}

void WaitOnDuration(int32_t duration) {
    Proc p(Cle::WaitOnDuration, Trace::None);
    p(10, [&] {
        const uint64_t debut = GetTickCount64();
        for (;;) {
            if (bFermetureEnCours) return;
            const uint64_t n = GetTickCount64();
            const uint64_t ecart = n >= debut ? n - debut : debut - n;
            if (int64_t(ecart) > int64_t(duration)) return;
            if (QCoreApplication::instance()) QCoreApplication::processEvents();
            // A millisecond's pause between turns keeps the wait from spinning a processor.
            HorlogeSysteme().sleepMs(1);
        }
    });
}

EchecLancement MessageEchecLancement(int32_t r) {
    constexpr int32_t objet = -2147220456;  // &H80040418
    switch (r) {
        case 0:
        case 8:
            return {7, QStringLiteral("Dépassement de mémoire")};
        case 2:
            return {53, QStringLiteral("Fichier non trouvé")};
        case 3:
            return {76, QStringLiteral("Chemin d'accès non trouvé")};
        case 5:
        case 26:
            return {75, QStringLiteral("Violation de partage: Erreur d'accès au Dossier/Fichier")};
        case 11:
            return {objet + r, QStringLiteral("Cet exécutable est invalide ou corrompu")};
        case 27:
        case 31:
            return {objet + r, QStringLiteral("Il n'y a aucune application associée à ce type de fichier")};
        case 28:
            return {286, QStringLiteral(
                             "Le fichier ne peut être ouvert car le délai d'attente est dépassé. Réessayez plus tard")};
        case 29:
            return {285, QStringLiteral(
                             "Le fichier ne peut être ouvert car la transaction DDE a échoué. Réessayez plus tard")};
        case 30:
            return {285, QStringLiteral(
                             "Le fichier ne peut être ouvert car l'application est occupée. Réessayez plus tard")};
        case 32:
            return {48, QStringLiteral("Le fichier dll ne peut être trouvé")};
        default:
            return {objet + r, QStringLiteral("Erreur à l'ouverture ou l'impression du fichier sélectionné")};
    }
}

int32_t ExecuterProgrammeExterne(const QString& operation, const QString& file, const QStringList& parameters,
                                 const QString& folder, int32_t) {
    Proc p(Cle::ExecuterProgrammeExterne, Trace::None);
    int32_t r = 0;
    p(10, [&] { r = OuvrirAvecLeBureau(operation, file, parameters, folder); });
    if (r > 32) return r;
    const EchecLancement e = MessageEchecLancement(r);
    p(20, [&] { throw AppError(e.numero, e.message, QStringLiteral("QD3_Tools_Kirvo.ExecuterProgrammeExterne")); });
    p(30,
      [&] { MsgBox(e.message + QStringLiteral("\r\n\r\n") + file, Mb::Critical | kAuPremierPlan, CaptionFrmMain()); });
    return r;
}

void InstallerRedemarrageSurErreurAutomation() {
    SetTraitementErreurSpecial([](int32_t numero, int16_t zone) {
        if (numero != ErrAutomationDeconnectee) return;
        // A blank frame: only the text line is written, as an incident of the report's zone.
        TraceLogEncadre(zone, -1, -1, QStringLiteral("Reboot the Computer because of Automation Error"),
                        QStringLiteral(" = "), true);
        int32_t delai = 10000;
        CreateShortCutStartUp(-1, delai, QString::fromLatin1(Cle::GestionDesErreurs));
        ShutdownWindows(FinSession::Redemarrage);
    });
}
