#include "shell/history.h"

#include "foundation/file_ops.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/restart_shortcut.h"
#include "platform/dialogs.h"
#include "shell/main_window.h"

QString PageRevisionsLocale() { return DossierApplication + QString::fromLatin1(FichierRevisions); }

void Frm_Main::MnuWhatNews_Click(int Index) {
    Proc p(Cle::MnuWhatNews_Click);
    QString cible;
    if (Index == 0) {
        const QString page = PageRevisionsLocale();
        bool present = false;
        p(10, [&] { present = File_Exist(page, QString::fromLatin1(Cle::MnuWhatNews_Click), true); });
        if (!present) {
            p(20, [&] {
                MsgBox(
                    QStringLiteral("Le fichier: ") + page + QStringLiteral(" est absent.") +
                        QStringLiteral("\r\n\r\n") +
                        QStringLiteral("Veuillez le mettre en place à partir de la mise-à-jour disponible sur le Net."),
                    Mb::OKOnly | Mb::Exclamation, windowTitle());
            });
            return;
        }
        cible = page;
    } else if (Index == 1) {
        cible = QString::fromLatin1(AdresseRevisionsWeb);
    } else {
        return;
    }
    // A failure is told by the launch itself.
    p(30, [&] { ExecuterProgrammeExterne(QStringLiteral("Open"), cible, QStringList(), QString(), 1); });
}
