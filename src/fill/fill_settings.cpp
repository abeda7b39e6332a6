#include "fill/fill_settings.h"

#include "database/site_startup.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "platform/clock.h"

#include <QHash>

TypeParametresRemplissage ParametresRemplissage;

namespace {

const QString kSection = QStringLiteral("Remplissage");

// The 14 flags in the record's (and the file's) order, with their defaults.
struct Drapeau {
    const char* cle;
    bool TypeParametresRemplissage::*champ;
    const char* defaut;
};
constexpr Drapeau kDrapeaux[] = {
    {"Jour", &TypeParametresRemplissage::Jour, "0"},
    {"Tranche", &TypeParametresRemplissage::Tranche, "1"},
    {"Heure", &TypeParametresRemplissage::Heure, "1"},
    {"DemiHeure", &TypeParametresRemplissage::DemiHeure, "0"},
    {"Ecran", &TypeParametresRemplissage::Ecran, "0"},
    {"TotalLocal", &TypeParametresRemplissage::TotalLocal, "1"},
    {"TotalGlobal", &TypeParametresRemplissage::TotalGlobal, "1"},
    {"LocTotal", &TypeParametresRemplissage::LocTotal, "1"},
    {"LocPourcentage", &TypeParametresRemplissage::LocPourcentage, "1"},
    {"LocNbSpot", &TypeParametresRemplissage::LocNbSpot, "1"},
    {"NatTotal", &TypeParametresRemplissage::NatTotal, "0"},
    {"NatPourcentage", &TypeParametresRemplissage::NatPourcentage, "0"},
    {"CumTotal", &TypeParametresRemplissage::CumTotal, "1"},
    {"CumPourcentage", &TypeParametresRemplissage::CumPourcentage, "1"},
};

QString cleStation(int i) { return QStringLiteral("Station_") + N2S(i, 2, 0, QStringLiteral("0")); }

// Values the file refused, by file and key: they hold for the run over what the file still says,
// so a reload (each "Calcul") does not bring back what the user changed.
QHash<QString, bool>& nonEnregistrees() {
    static QHash<QString, bool> h;
    return h;
}
QString cleMemoire(const QString& fichier, const QString& cle) { return fichier + QLatin1Char('\n') + cle; }

bool lireDrapeau(const QString& fichier, const QString& cle, const QString& defaut) {
    const auto it = nonEnregistrees().constFind(cleMemoire(fichier, cle));
    if (it != nonEnregistrees().cend()) return *it;
    return LectureIni(fichier, kSection, cle, defaut) == QLatin1String("1");
}

}  // namespace

bool& TypeParametresRemplissage::ligne(int k) {
    static bool aucun = false;
    if (k < 1 || k > 9) return aucun = false;
    return this->*(kDrapeaux[5 + k - 1].champ);
}

QString FichierParametresRemplissage() {
    return DossierConfigGlobal[size_t(NoBaseCourante)] + QStringLiteral("QD3_Tools_Kirvo") + QStringLiteral(".Ini");
}

void InitStructureData(int32_t domaine, int16_t onglet) {
    Proc p(Cle::InitStructureData);
    QString fichier;
    p(10, [&] { fichier = FichierParametresRemplissage(); });
    if (domaine != 1 || onglet != 6) return;
    TypeParametresRemplissage& r = ParametresRemplissage;
    p(20, [&] {
        r.DateDebut = HorlogeSysteme().now().addDays(1);
        r.DateFin = r.DateDebut.addDays(30);
    });
    for (int i = 1; i <= 10; ++i)
        p(30, [&] { r.Station[size_t(i - 1)] = lireDrapeau(fichier, cleStation(i), QStringLiteral("1")); });
    for (const Drapeau& d : kDrapeaux)
        p(40, [&] { r.*d.champ = lireDrapeau(fichier, QString::fromLatin1(d.cle), QString::fromLatin1(d.defaut)); });
}

bool SauverParametresRemplissage() {
    Proc p(Cle::SauverParametresRemplissage);
    QString fichier;
    p(10, [&] { fichier = FichierParametresRemplissage(); });
    const TypeParametresRemplissage& r = ParametresRemplissage;
    const auto v = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    QStringList refusees;
    const auto ecrire = [&](const QString& cle, bool valeur) {
        if (EcritureIni(fichier, kSection, cle, v(valeur))) {
            nonEnregistrees().remove(cleMemoire(fichier, cle));
        } else {
            refusees << cle;
            nonEnregistrees().insert(cleMemoire(fichier, cle), valeur);
        }
    };
    for (int i = 1; i <= 10; ++i) p(20, [&] { ecrire(cleStation(i), r.Station[size_t(i - 1)]); });
    for (const Drapeau& d : kDrapeaux) p(30, [&] { ecrire(QString::fromLatin1(d.cle), r.*d.champ); });
    if (refusees.isEmpty()) return true;
    // One line and one box for the whole save: the values stay as the user chose them for the run.
    p(40, [&] {
        Log(QStringLiteral("Err: Remplissage: écriture impossible dans ") + fichier + QStringLiteral(" (") +
            refusees.join(QStringLiteral(", ")) + QLatin1Char(')'));
    });
    p(50, [&] {
        MsgBoxMain(QStringLiteral("Les paramètres de remplissage n'ont pas pu être enregistrés dans le fichier :\n") +
                       fichier + QStringLiteral("\n\nIls restent valables jusqu'à la fermeture du programme."),
                   Mb::Exclamation);
    });
    return false;
}

void ReinitialiserParametresRemplissage() {
    ParametresRemplissage = TypeParametresRemplissage{};
    ParametresRemplissage.Station.fill(true);
    nonEnregistrees().clear();
}
