#include "foundation/messages.h"

#include "foundation/conversions.h"
#include "foundation/proc.h"
#include "platform/dialogs.h"

#include <QHash>

namespace {

// The box of code 5 is titled with the product name of the program's version information.
const QString kNomProduit = QStringLiteral("Tools Kirvo");

struct Message {
    const char16_t* avant;
    const char16_t* apres;  // nullptr: the text takes no value
};

const QHash<int32_t, Message>& messages() {
    static const QHash<int32_t, Message> table = {
        {1, {u"Les informations système ne sont pas disponibles actuellement", nullptr}},
        {2, {u"Application encore chargée en mémoire", nullptr}},
        {3, {u"Pensez à mettre à jour la version ", u" de cet applicatif sur ce poste"}},
        {4, {u"P16R16.DLL absent", nullptr}},
        {5, {u"Version ", u" mise-à-jour"}},
        {6, {u"Pensez à mettre à jour la version ", u" du driver sur ce poste"}},
        {7, {u"Pensez à mettre à jour la version ", u" de la PCXTools sur ce poste"}},
        {8, {u"Pci-Dask.dll absent", nullptr}},
        {9, {u"N° station hors limite:", u""}},
        {1000, {u"Fichier de paramètres défectueux", nullptr}},
        {1002, {u"Mot de passe erroné", nullptr}},
        {1003, {u"Utilisateur inconnu", nullptr}},
        {1004, {u"Fichier de paramètres station ", u" défectueux"}},
        {1006, {u"Date incorrecte pour la station ", u""}},
        {1007, {u"Saisissez un code 'Utilisateur' et son mot de passe", nullptr}},
        {1008, {u"Application '", u"' non trouvée"}},
        {1009, {u"Processus en cours pour '", u"'. Impossible"}},
        {1010, {u"Dossier '", u"' non trouvé"}},
        {1011, {u"Arrêt impossible pour l'instant", nullptr}},
        {1012, {u"Ecriture impossible dans ", u". Données non sauvegardées"}},
        {1013, {u"Problème Init User", nullptr}},
        {1014, {u"Problème avec le dossier '", u"'"}},
        {1015, {u"Dossier de config initialisé à '", u"'"}},
        {2000, {u"", u""}},
        {2001, {u"Chargement de BTrieve impossible", nullptr}},
        {2002, {u"Fichier ", u" inconnu"}},
        {2003, {u"Fichier ", u" non ouvert"}},
        {2004, {u"Vous n'êtes pas connecté au serveur", nullptr}},
        {2005, {u"Problème à l'ouverture des fichiers de la base de données", nullptr}},
        {10000, {u"Code ", u" inconnu"}},
        {10001, {u"Vous ne pouvez supprimer que le dernier spot", nullptr}},
        {10002, {u"Saisie interdite pour le ", u""}},
        {10003, {u"Précision '", u"' non en service. Ces données ne seront pas chargées"}},
        {10004, {u"Aucun niveau de précision paramétré", nullptr}},
        {10005, {u"Attention, date inférieure à la date du jour", nullptr}},
        {10006, {u"Vous devez saisir une date", nullptr}},
        {10007, {u"Produit ", u" inconnu"}},
        {10008, {u"Pour les promotions, vous n'avez pas à saisir de passages", nullptr}},
        {10009, {u"Exclusion ", u" inconnue"}},
        {10010, {u"Sales Rep. ", u" inconnu"}},
        {10011, {u"Client ", u" inconnu"}},
        {10012, {u"Code ", u" déjà créé"}},
        {10013, {u"", nullptr}},
        {10014, {u"Vous devez sélectionner le premier segment pour le déplacer", nullptr}},
        {10015, {u"Il faut au moins", u" emplacement(s) de libre"}},
        {10016, {u"Plus de place, je mets à la poubelle", nullptr}},
        {10020, {u"Le code ", u" n'a pas 5 caractères"}},
        {10021, {u"Aucun écran publicitaire paramétré", nullptr}},
        {10022, {u"Vous devez donner un libellé à la campagne", nullptr}},
        {10023, {u"Pour les campagnes en floating, vous n'avez pas à saisir de passages", nullptr}},
        {11000, {u"Vous ne pouvez pas supprimer cet artiste car il a des morceaux", nullptr}},
        {11001, {u"Vous ne pouvez pas supprimer cette catégorie car il reste des morceaux", nullptr}},
        {11002, {u"Vous ne pouvez pas supprimer cette horloge car elle fait toujours partie d'une semaine", nullptr}},
        {11003, {u"Entête du code ", u" non conforme"}},
        {11004, {u"Insertion de l'horloge impossible", nullptr}},
        {11005, {u"Vous ne pouvez pas supprimer cet album car il reste des morceaux", nullptr}},
        {11006, {u"Vous ne pouvez pas supprimer ce lot car il reste des morceaux", nullptr}},
        {11007, {u"Vous devez saisir un titre", nullptr}},
        {11008, {u"Vous devez sélectionner une catégorie", nullptr}},
        {11009, {u"Vous devez saisir un '", u"'"}},
        {11010, {u"Vous devez sélectionner au moins une voix", nullptr}},
        {11011, {u"Vous devez sélectionner au moins une sonorité", nullptr}},
        {11012, {u"Attention, spot '", u"' sans Fichier son associé. Il ne sera pas dans le conducteur"}},
        {11013, {u"Le code de la catégorie '", u"' n'existe plus"}},
        {11014, {u"Le code du sujet '", u"' n'existe plus"}},
        {11015, {u"Le morceau '", u"' n'existe plus dans le magnétophone"}},
        {11016, {u"Le morceau '", u"' n'existe plus dans la pile"}},
        {11017, {u"Ce titre existe déjà dans la base (", u")"}},
        {11018, {u"Vous ne pouvez pas supprimer ce groupe car il reste des morceaux", nullptr}},
        {11019, {u"Cet artiste existe déjà dans la base", nullptr}},
        {11020, {u"Vous devez saisir un libellé", nullptr}},
        {11021, {u"Ce libellé existe déjà dans la base", nullptr}},
        {11022, {u"Banque vide", nullptr}},
        {11023, {u"Impossible de créer une banque pour ces morceaux", nullptr}},
        {11025, {u"Vous ne pouvez pas supprimer cette catégorie car elle fait partie d'une horloge", nullptr}},
        {11026, {u"Vous ne pouvez pas supprimer ce sujet car il reste des morceaux", nullptr}},
        {11027, {u"Vous devez sélectionner un titre", nullptr}},
        {20000, {u"Vous utilisez trop de voix par rapport à la configuration du poste", nullptr}},
        {20001, {u"Voix non trouvée", nullptr}},
        {20002, {u"'", u"' non enregistré"}},
        {20003, {u"Mauvaise position des pointeurs", nullptr}},
        {20004, {u"Pointeurs hors limites", nullptr}},
        {20005, {u"Stretch en cours, arrêt impossible", nullptr}},
        {20006, {u"Destruction du Fichier '", u"' impossible"}},
        {20007, {u"Echec de la fonction 'StreamGetInfo'", nullptr}},
        {20100, {u"", nullptr}},
        {30000, {u"'", u"' appartient à une catégorie non modifiable en diffusion"}},
        {30001, {u"Démarrage hors délai (", u"). Faites un 'Go'"}},
        {35000, {u"Le code '", u"' n'existe plus dans le Fichier des morceaux"}},
        {35001, {u"Attention, il reste ", u" minutes sur le drive"}},
        {40000, {u"Problème de mise à jour des données pour '", u"'"}},
    };
    return table;
}

struct Jour {
    const char* nom;
    const char* court;
};
constexpr Jour kJours[7] = {{"Lundi", "Lun"},    {"Mardi", "Mar"},  {"Mercredi", "Mer"}, {"Jeudi", "Jeu"},
                            {"Vendredi", "Ven"}, {"Samedi", "Sam"}, {"Dimanche", "Dim"}};

}  // namespace

QString TexteErreurApplication(int32_t code, const QString& value) {
    const auto it = messages().constFind(code);
    if (it == messages().cend()) return QStringLiteral("Err: ") + QString::number(code) + QStringLiteral(" inconnue");
    QString t = QString::fromUtf16(it->avant);
    if (it->apres) t += value + QString::fromUtf16(it->apres);
    return t;
}

void GestErr_Fra(int32_t code, const QString& value, const QString& title, bool noBox, const QString& subProc) {
    Proc p(Cle::GestErr_Fra, Trace::DebugOnly);
    QString valeur = value;
    QString message;
    QString titre = title;
    p(10, [&] { valeur = TrimBlancs(ClearChaine(valeur)); });
    p(20, [&] { message = TexteErreurApplication(code, valeur); });
    p(30, [&] {
        // a "(Source:...)" title goes into the message
        if (titre.mid(1, 7).compare(QLatin1String("Source:"), Qt::CaseInsensitive) == 0) {
            message += QStringLiteral("\r\n") + titre;
            titre = QStringLiteral("Erreur");
        } else if (TrimBlancs(titre).isEmpty()) {
            titre = QStringLiteral("Erreur");
        }
    });
    p(40, [&] {
        if (!TrimBlancs(subProc).isEmpty()) message += QStringLiteral("\n(Sub: ") + subProc + QLatin1Char(')');
    });
    if (noBox) return;
    p(50, [&] {
        int icone = Mb::Exclamation;
        if (code == 5) {
            icone = Mb::Information;
            titre = kNomProduit;
        } else if (code == 9) {
            icone = Mb::Critical;
        }
        MsgBox(TrimBlancs(message), Mb::OKOnly | icone, TrimBlancs(titre));
    });
}

QString Libelle_Fra(const QString& category, int32_t index, int16_t length) {
    Proc p(Cle::Libelle_Fra, Trace::DebugOnly);
    QString r;
    p(10, [&] {
        r = QStringLiteral("???:") + category + QLatin1Char(':') + QString::number(index) + QStringLiteral(":???");
    });
    p(20, [&] {
        if (category != QLatin1String("Jour") || index < 1 || index > 7) return;
        const Jour& j = kJours[index - 1];
        r = QString::fromLatin1(length == 3 ? j.court : j.nom);
    });
    return r;
}
