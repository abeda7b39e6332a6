// The report of a record-manager status that its caller does not accept: one box with the file,
// the program, the time, the status text, the last calls of the base and, for damaged files, the
// advice to restore. Network statuses restart the program through the suite's launcher.
#include "database/btrieve.h"

#include "foundation/conversions.h"
#include "foundation/file_ops.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/external_programs.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

QString nomExecutable() {
    if (QCoreApplication::instance()) {
        const QString n = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        if (!n.isEmpty()) return n;
    }
    return QStringLiteral("QD3_Tools_Kirvo");
}

// Retry and Ignore offer the end of the program: Quitter asks the user and, on Yes, runs the
// orderly shutdown, whose first act raises bFermetureEnCours. No leaves the program running
// and the status goes back to the caller.
void ProposerFinProgramme() {
    // A report made by the shutdown itself (a file that will not close): the shutdown under way
    // ends the program once it has released the rest.
    if (bFermetureEnCours) return;
    // The user is asked whether to quit; No leaves the program running and the status goes back
    // to the caller. Only the launcher's restart forces the end without a question.
    QuitterFrmMain(false);
    if (bFermetureEnCours) TerminerProgrammeBTrieve();
}

}  // namespace

QString LibelleFichierBTR(int16_t fileNo) {
    const FileInfoEntry& e = CatalogueFichier(fileNo);
    const QString nom = TrimBlancs(e.Name);
    if (nom.isEmpty()) return QString();
    return nom + QStringLiteral(" (") + e.Description + QLatin1Char(')');
}

QString ErreurBTrieveLibelle(int16_t status, const QString& name) {
    Proc p(Cle::ErreurBTrieveLibelle, Trace::DebugOnly);
    QString r;
    p(10, [&] {
        const QString n = QString::number(status);
        const auto texte = [&](const char* t) {
            return QStringLiteral("Err: ") + n + QStringLiteral(": ") + QString::fromUtf8(t);
        };
        switch (status) {
            case 1:
                r = texte("The operation parameter is invalid");
                break;
            case 2:
                r = texte("The application encountered an I/O error");
                break;
            case 3:
                r = texte("The file is not open");
                break;
            case 4:
                r = texte("The application cannot find the key value");
                break;
            case 5:
                r = texte("The record has a key field containing a duplicate key value");
                break;
            case 6:
                r = texte("The key number parameter is invalid");
                break;
            case 7:
                r = texte("The key number has changed");
                break;
            case 8:
                r = texte("The current positioning is invalid");
                break;
            case 11:
                r = texte("The specified filename is invalid (") + name + QLatin1Char(')');
                break;
            case 12:
                r = texte("The MicroKernel cannot find the specified file (") + name + QLatin1Char(')');
                break;
            case 18:
                r = texte("The disk is full");
                break;
            // Set by the wrapper itself, for a call on a file that is not open: the program ends.
            case 20:
                r = texte("Fichier non ouvert, le programme va s'arrêter");
                break;
            case 19:
                r = texte("The application encountered an unrecoverable error");
                break;
            case 30:
                r = texte("The file specified is not a MicroKernel file");
                break;
            case 46:
                r = texte("Access to the requested file is denied (File locked ?)");
                break;
            case 161:
                r = texte("The maximum number of user count licenses has been reached");
                break;
            case 2007:
                r = texte("A pointer parameter is invalid");
                break;
            default:
                if (status >= 3103 && status <= 3132)
                    r = texte("Network error");
                else
                    r = QStringLiteral("Err: ") + n;
        }
        r += QLatin1Char('\n');
    });
    return r;
}

namespace {
int g_rapportsRetenus = 0;
}

RapportsBTrieveRetenus::RapportsBTrieveRetenus() { ++g_rapportsRetenus; }
RapportsBTrieveRetenus::~RapportsBTrieveRetenus() { --g_rapportsRetenus; }

void ErreurBTrieve(int16_t base, int16_t fileNo, const QString& key, const QString& source) {
    Proc p(Cle::ErreurBTrieve, Trace::DebugOnly);
    const int16_t st = BtrStatus;
    if (st == 0) return;
    // Shown already (by the wrapper, or by a caller further down): one failure, one box.
    if (StatutDejaSignale(st)) return;
    if (g_rapportsRetenus > 0 && st < 3000 && st != 20) {
        MarquerStatutSignale(st);
        return;
    }
    // Whatever the user answers, and whatever ran while the box was open, this status of this
    // call has had its report.
    struct Marque {
        int16_t st;
        ~Marque() { MarquerStatutSignale(st); }
    } marque{st};

    QString t;
    QString m;
    p(10, [&] { t = Date2StringEx(HorlogeSysteme().now(), FormatDate + QLatin1Char(' ') + FormatHeure); });
    p(20, [&] {
        if (fileNo >= 0) {
            m = QStringLiteral("Fichier: ");
            m += LibelleFichierBTR(fileNo);
            m += QStringLiteral("  (") + nomExecutable() + QLatin1Char(')');
            m += QStringLiteral("  (") + t + QStringLiteral(")\n");
        } else {
            m = t + QLatin1Char('\n');
        }
    });
    p(30, [&] { m += ErreurBTrieveLibelle(st, key) + QLatin1Char('\n'); });
    p(40, [&] {
        if (st == 161) return;
        PrefixerHistorique(base, st);
        const auto& h = BtrHistory.at(size_t(base));
        for (size_t i = 0; i < h.size(); ++i) {
            if (TrimBlancs(h[i]).isEmpty()) continue;
            m += QLatin1Char(' ') + QString::number(i) + QLatin1Char('>') + h[i] + QLatin1Char('\n');
        }
    });
    p(50, [&] {
        if (st == 2 || st == 14 || st == 15 || st == 19 || st == 30 || (st == 4 && BtrOp == BtrOp::Delete))
            m += QStringLiteral("\nFaîtes une restauration de ce fichier\n");
    });
    // A conflict reaches the report only when the wrapper has given up on it: the record was not
    // written, which the user must see like any other refused call.

    bool relancer = false;
    if (st >= 3000 && st <= 3132) {
        if (GetTickCount64() > 300000) {
            p(60, [&] {
                TraceLogEncadre(base, -1, -1,
                                QStringLiteral("Reboot the Computer because of Pervasive Err: ") + QString::number(st),
                                QStringLiteral("="), true);
            });
            relancer = true;
        } else {
            p(70, [&] {
                TraceLogEncadre(base, -1, -1, QStringLiteral("Err: Network Pervasive errors: ") + QString::number(st),
                                QStringLiteral("="), true);
            });
            m = QStringLiteral(
                "Le programme a rencontré un problème de connexion au serveur.\n\n"
                "Veuillez vérifier la connectique de votre réseau.");
        }
    }

    if (relancer) {
        const QString lanceur = DossierApplication + QString::fromLatin1(NomLanceur);
        bool present = false;
        p(80, [&] { present = File_Exist(lanceur, QString::fromLatin1(Cle::ErreurBTrieve), true); });
        bool lance = false;
        if (present) {
            p(90, [&] {
                const int r = Lanceur().startProgram(lanceur, QStringList(), DossierApplication);
                lance = r > 32;
                // Ending now would leave nothing to start the program again.
                if (!lance)
                    TraceLog(base, -1, -1,
                             QStringLiteral("Err: Launcher not started: ") + lanceur + QStringLiteral(" (") +
                                 QString::number(r) + QLatin1Char(')'),
                             true);
            });
        }
        if (lance) {
            // The launcher is on its way and starts the program again: this one must end,
            // whatever the answer to the question.
            p(100, [&] { QuitterFrmMain(true); });
            TerminerProgrammeBTrieve();
        }
        // Without a launcher that started, the technical message is shown, and the program goes on.
        p(110, [&] { MsgBoxMain(m, Mb::AbortRetryIgnore | Mb::Critical); });
        return;
    }

    int reponse = Mb::Abort;
    p(120, [&] { reponse = MsgBoxMain(m, Mb::AbortRetryIgnore | Mb::Critical); });
    if (reponse == Mb::Retry || reponse == Mb::Ignore) p(130, [&] { ProposerFinProgramme(); });
}
