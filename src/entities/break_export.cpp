#include "entities/break_export.h"

#include "database/zones.h"
#include "foundation/activity.h"
#include "foundation/conversions.h"
#include "foundation/file_ops.h"
#include "foundation/globals.h"
#include "foundation/messages.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "sync/query_text.h"
#include "sync/web_requests.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace {

constexpr int LargeurTable = 60;  // 15 breaks of 4 characters
const QString FichierPositions = QStringLiteral("XT_PUB.ini");
const QString FichierNatures = QStringLiteral("XT_PUB_2.ini");

// The number a 3-character slot starts with (blanks skipped, a sign allowed), rounded; 0 when it
// starts with none.
int lireCase(const QString& table, int debut) {
    const double v = std::nearbyint(NombreSigne(table.mid(debut, 3)));
    return int(std::clamp(v, -32768.0, 32767.0));
}

// What the service made of the hours sent; the requests that stopped the run are the sender's.
struct BilanEnvoi {
    int acceptes = 0;
    int echecs = 0;
    void compter(IssueEnvoi i) {
        if (i == IssueEnvoi::Accepte)
            ++acceptes;
        else if (i == IssueEnvoi::Echec)
            ++echecs;
    }
};

const QString NonToutesExportees = QStringLiteral("les Position et Durée des écrans ne sont pas toutes exportées.");

// Holds the advertising synchronisation's flag: nothing else starts while the export pumps events.
struct GardeExport {
    GardeExport() { SynchroEnCours[1] = true; }
    ~GardeExport() { SynchroEnCours[1] = false; }
};

}  // namespace

QString CleGrillePosition(int jour, int heure, const QString& suffixe) {
    return LibelleLangue(QStringLiteral("Jour"), jour, 3).toUpper() + QLatin1Char('_') +
           N2S(heure, 2, 0, QStringLiteral("0")) + QLatin1Char('_') + suffixe;
}

QString ValeurPositionDuree(int jour, int heure, const QString& positions, const QString& durees,
                            const QString& natures) {
    const QString pos = Calibre(positions, QStringLiteral(" "), LargeurTable);
    const QString dur = Calibre(durees, QStringLiteral(" "), LargeurTable);
    const QString nat = Calibre(natures, QStringLiteral(" "), LargeurTable);
    QString v = N2S(jour, 2, 0, QStringLiteral("0")) + N2S(heure, 2, 0, QStringLiteral("0"));
    for (int debut = 0; debut < LargeurTable; debut += 4) {
        const int duree = lireCase(dur, debut);
        if (duree < 1) break;
        const int nature = lireCase(nat, debut);
        v += N2S(lireCase(pos, debut), 2, 0, QStringLiteral("0"));
        v += nature == 0 || nature == 2 ? N2S(duree, 3, 0, QStringLiteral("0")) : QStringLiteral("000");
    }
    return v;
}

IssueEnvoi SynchroniserPub_99_Parametres_Ecran_Position_Duree(EnvoisWeb& envois, const QString& url,
                                                              const QString& segment, const QString& operation,
                                                              const QString& valeur) {
    ChaineRequete q;
    q.ajouter(QStringLiteral("position"), valeur);
    const IssueEnvoi issue = envois.envoyer(url, segment, operation, q.texte());
    QCoreApplication::processEvents();
    return issue;
}

void MnuSynchroniserParPubPosDurEcr_Click(int Index) {
    Proc p(Cle::MnuSynchroniserParPubPosDurEcr_Click);
    const QString cle = QString::fromLatin1(Cle::MnuSynchroniserParPubPosDurEcr_Click);
    if (Index != 0) return;
    if (ActiviteEnCours()) {
        p(5, [&] { MsgBoxMain(MessageActiviteEnCours(), Mb::Exclamation); });
        return;
    }
    const int16_t base = NoBaseCourante;
    int reponse = Mb::No;
    p(10, [&] {
        reponse = MsgBoxMain(QStringLiteral("Voulez-vous exporter la Position et Durée des écrans vers le Web ?"),
                             Mb::YesNo | Mb::Question);
    });
    if (reponse != Mb::Yes) return;
    // Something may have started while the question was open.
    if (ActiviteEnCours()) {
        p(15, [&] { MsgBoxMain(MessageActiviteEnCours(), Mb::Exclamation); });
        return;
    }
    GardeExport garde;

    QString config, local;
    p(20, [&] {
        config = DossierConfigBase.at(size_t(base));
        local = DossierLocal.at(size_t(base));
    });
    // Without the base's folders the names below would point into whatever folder is current.
    if (config.isEmpty() || local.isEmpty()) {
        TraceLog(-1, -1, -1,
                 QStringLiteral("Err: ") + cle +
                     QStringLiteral(": the base has no configuration or local folder: nothing exported"),
                 false);
        p(25, [&] {
            MsgBoxMain(
                QStringLiteral("Les dossiers de la base ne sont pas connus : les Position et Durée des écrans ne "
                               "sont pas exportées."),
                Mb::OKOnly | Mb::Exclamation);
        });
        return;
    }
    for (const QString& nom : {FichierPositions, FichierNatures}) {
        bool copie = true;
        p(30, [&] {
            if (!File_Exist(config + nom, cle)) return;
            // The copy routine declines an empty source and leaves the working copy as it is: the
            // export goes on with that copy rather than refusing everything.
            if (!File_Exist(config + nom, cle, true)) {
                Log(cle + QStringLiteral(": ") + config + nom + QStringLiteral(" is empty: ") + local + nom +
                    QStringLiteral(" kept as it is"));
                return;
            }
            copie = File_Copy(config + nom, local + nom);
        });
        if (!copie) {
            TraceLog(-1, -1, -1,
                     QStringLiteral("Err: ") + cle + QStringLiteral(": ") + config + nom +
                         QStringLiteral(" not copied to ") + local + QStringLiteral(": nothing exported"),
                     false);
            p(35, [&] {
                MsgBoxMain(QStringLiteral("La copie de ") + config + nom + QStringLiteral(" vers ") + local + nom +
                               QStringLiteral(" a échoué : les Position et Durée des écrans ne sont pas exportées."),
                           Mb::OKOnly | Mb::Exclamation);
            });
            return;
        }
    }

    QString url;
    p(40, [&] { url = CheckSlash(ParametresWebCourants().adresse); });
    BilanEnvoi bilan;
    EnvoisWeb envois(QString::fromLatin1(Cle::SynchroniserPub_99_Parametres_Ecran_Position_Duree));
    {
        FrmMsgOuverte attente(cle, QStringLiteral("Tranfert des Position et Durée des écran"));
        for (int d = 1; d <= 7 && !envois.arrete() && !bFermetureEnCours; ++d) {
            for (int h = 0; h < 24 && !envois.arrete() && !bFermetureEnCours; ++h) {
                QString valeur;
                p(60, [&] {
                    LabelMsgInit(LibelleLangue(QStringLiteral("Jour"), d, 1) + QLatin1Char(' ') +
                                 N2S(h, 2, 0, QStringLiteral("0")) + QLatin1Char('H'));
                    const QString pos =
                        LectureIni(local + FichierPositions, QStringLiteral("Pub_Position_Duree_Ecrans"),
                                   CleGrillePosition(d, h, QStringLiteral("POS")), QString());
                    const QString dur =
                        LectureIni(local + FichierPositions, QStringLiteral("Pub_Position_Duree_Ecrans"),
                                   CleGrillePosition(d, h, QStringLiteral("DUR")), QString());
                    const QString nat = LectureIni(local + FichierNatures, QStringLiteral("Pub_Remplissage_Ecrans"),
                                                   CleGrillePosition(d, h, QStringLiteral("NAT")), QString());
                    valeur = ValeurPositionDuree(d, h, pos, dur, nat);
                });
                // An hour whose tables could not be read is not sent with no breaks in their place.
                if (valeur.isEmpty()) {
                    bilan.compter(IssueEnvoi::Echec);
                    continue;
                }
                bilan.compter(SynchroniserPub_99_Parametres_Ecran_Position_Duree(envois, url, EntiteWeb::GrillePosition,
                                                                                 OperationWeb::UpdateXML, valeur));
            }
        }
    }

    QString ligne = EntiteWeb::GrillePosition + QStringLiteral(": ") + QString::number(bilan.acceptes) +
                    QStringLiteral(" hour(s) sent, ") + QString::number(bilan.echecs) + QStringLiteral(" failure(s)") +
                    envois.finLigneBilan();
    TraceLog(-1, -1, -1, ligne, false);
    if (bFermetureEnCours) return;
    p(80, [&] {
        // The hours already accepted stay on the web; the user learns how far the export went.
        if (envois.arrete())
            SignalerServiceInjoignable(url, QStringLiteral("Export interrompu : ") + QString::number(bilan.acceptes) +
                                                QStringLiteral(" heure(s) sur 168 ont été acceptées, ") +
                                                NonToutesExportees);
        else if (bilan.echecs == 0 && bilan.acceptes == 168)
            MsgBoxMain(QStringLiteral("Export terminé."), Mb::OKOnly | Mb::Information);
        else {
            // The service that answered with errors is named as such: it is there, and the user
            // should not go and check the address.
            const ErreursService& erreurs = envois.erreursService();
            const QString http = erreurs.vide() ? QString() : QStringLiteral(" (") + erreurs.texte() + QLatin1Char(')');
            MsgBoxMain(QStringLiteral("Export terminé avec ") + QString::number(168 - bilan.acceptes) +
                           QStringLiteral(" envoi(s) en échec sur 168") + http + QStringLiteral(" : ") +
                           NonToutesExportees,
                       Mb::OKOnly | Mb::Exclamation);
        }
    });
}
