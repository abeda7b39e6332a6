#include "platform/app_error.h"

QString DescriptionErreur(int32_t n) {
    switch (n) {
        case 3:
            return QStringLiteral("Return sans GoSub");
        case 5:
            return QStringLiteral("Argument ou appel de procédure incorrect");
        case 6:
            return QStringLiteral("Dépassement de capacité");
        case 7:
            return QStringLiteral("Mémoire insuffisante");
        case 9:
            return QStringLiteral("L'indice n'appartient pas à la sélection");
        case 11:
            return QStringLiteral("Division par zéro");
        case 13:
            return QStringLiteral("Type incompatible");
        case 52:
            return QStringLiteral("Nom ou numéro de fichier incorrect");
        case 53:
            return QStringLiteral("Fichier introuvable");
        case 54:
            return QStringLiteral("Mode d'accès au fichier incorrect");
        case 55:
            return QStringLiteral("Fichier déjà ouvert");
        case 57:
            return QStringLiteral("Erreur d'entrée/sortie de périphérique");
        case 58:
            return QStringLiteral("Ce fichier existe déjà");
        case 61:
            return QStringLiteral("Disque plein");
        case 62:
            return QStringLiteral("L'entrée se trouve après la fin du fichier");
        case 67:
            return QStringLiteral("Trop de fichiers");
        case 68:
            return QStringLiteral("Périphérique non disponible");
        case 70:
            return QStringLiteral("Permission refusée");
        case 71:
            return QStringLiteral("Disque non prêt");
        case 75:
            return QStringLiteral("Erreur d'accès au chemin/fichier");
        case 76:
            return QStringLiteral("Chemin d'accès introuvable");
        case 91:
            return QStringLiteral("Variable objet ou variable de bloc With non définie");
        case 94:
            return QStringLiteral("Utilisation incorrecte de Null");
        case 380:
            return QStringLiteral("Valeur de propriété non valide");
        case 401:
            return QStringLiteral(
                "Impossible d'afficher une feuille non modale lorsqu'une feuille modale est affichée");
        case 32755:
            return QStringLiteral("Annulation sélectionnée");
        default:
            return {};
    }
}

AppError AppError::runtime(int32_t n) {
    QString d = DescriptionErreur(n);
    if (d.isEmpty()) d = QStringLiteral("Erreur définie par l'application ou par l'objet");
    return AppError(n, d);
}

AppError AppError::runtime(int32_t n, const QString& detail) {
    AppError e = runtime(n);
    if (!detail.isEmpty()) e.description += QStringLiteral(" : ") + detail;
    return e;
}

void Raise(int32_t n) { throw AppError::runtime(n); }
void Raise(int32_t n, const QString& description, const QString& source) { throw AppError(n, description, source); }
