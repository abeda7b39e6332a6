#include "support/site_fixture.h"

#include "support/nomenclature_files.h"

#include "database/catalogue.h"
#include "foundation/globals.h"
#include "platform/cp1252.h"
#include "platform/paths.h"
#include "platform/record_manager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace {

QString nn(int n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); }

// A settings file as the suite writes them: Windows-1252, CRLF.
class Ini {
public:
    void section(const QString& nom) {
        if (!texte_.isEmpty()) texte_ += QStringLiteral("\r\n");
        texte_ += QLatin1Char('[') + nom + QStringLiteral("]\r\n");
    }
    void cle(const QString& nom, const QString& valeur) {
        texte_ += nom + QLatin1Char('=') + valeur + QStringLiteral("\r\n");
    }
    bool ecrire(const QString& chemin, QString* erreur) const {
        QDir().mkpath(QFileInfo(chemin).path());
        QFile f(chemin);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            if (erreur) *erreur = QStringLiteral("écriture impossible : ") + chemin;
            return false;
        }
        f.write(ToCp1252(texte_));
        return true;
    }

private:
    QString texte_;
};

}  // namespace

BaseDuSite BaseStandard(int n, const QString& lib, const QStringList& stations) {
    BaseDuSite b;
    b.lib = lib;
    b.stations = stations;
    b.dossierConfig = QStringLiteral("C:\\Tessival\\Ondrune\\Config\\Base_") + nn(n) + QLatin1Char('\\');
    b.dossierData = QStringLiteral("D:\\Ondrune\\Data\\Base_") + nn(n) + QLatin1Char('\\');
    return b;
}

DescriptionSite SiteStandard(int nbBases, int nbStations) {
    static const char* const noms[] = {"Nord", "Sud", "Est", "Ouest", "Centre"};
    DescriptionSite s;
    for (int n = 1; n <= nbBases; ++n) {
        QStringList stations;
        for (int m = 1; m <= nbStations; ++m)
            stations << QStringLiteral("Ondrune %1 %2").arg(QString::fromLatin1(noms[(n - 1) % 5])).arg(m);
        s.bases << BaseStandard(n, QStringLiteral("Base ") + QString::fromLatin1(noms[(n - 1) % 5]), stations);
    }
    return s;
}

SiteFixture::SiteFixture(const QString& root)
    : root_(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/')) {}

QString SiteFixture::local(const QString& windows) const { return CheminLocal(windows); }

QString SiteFixture::fichierConfig() const {
    return local(site_.programme) + QStringLiteral("Settings/QD3_Config.ini");
}

QString SiteFixture::fichierSysteme(const BaseDuSite& base) const {
    return local(base.dossierConfig) + QStringLiteral("QD3_Systeme.ini");
}

QString SiteFixture::fichierXtSys(const BaseDuSite& base) const {
    return local(base.dossierConfig) + QStringLiteral("XT_SYS.ini");
}

QString SiteFixture::fichierSettings() const {
    return local(site_.programme) + QStringLiteral("Settings/QD3_Tools_Kirvo/QD3_Tools_Kirvo.Ini");
}

bool SiteFixture::construire(const DescriptionSite& site, QString* erreur) {
    site_ = site;
    SetRacineLecteurs(root_);
    DossierApplication = local(site.programme);
    QDir().mkpath(DossierApplication);
    if (site.nomenclature && !EcrireNomenclatureExemple(DossierApplication, erreur)) return false;

    Ini config;
    config.section(QStringLiteral("Site"));
    config.cle(QStringLiteral("Lib"), site.lib);
    config.cle(QStringLiteral("Actif"), QStringLiteral("1"));
    config.cle(QStringLiteral("NbBase"), QString::number(site.bases.size()));
    config.cle(QStringLiteral("NoBase"), QString::number(site.noBase));
    if (!site.dossierConfigSite.isEmpty()) config.cle(QStringLiteral("Dossier_Config_Global"), site.dossierConfigSite);
    config.cle(QStringLiteral("Settings_Local_Folder"), QStringLiteral("C:\\Tessival\\Ondrune\\Settings\\_Local\\"));
    for (int n = 1; n <= site.bases.size(); ++n) {
        config.section(QStringLiteral("Base_") + nn(n));
        config.cle(QStringLiteral("Dossier_Config_Global"), site.bases[n - 1].dossierConfig);
    }
    if (!config.ecrire(fichierConfig(), erreur)) return false;

    Ini outil;
    outil.section(QStringLiteral("General_Out"));
    outil.cle(QStringLiteral("NbZones"), QString::number(site.nbZones));
    if (!outil.ecrire(fichierSettings(), erreur)) return false;

    for (int n = 1; n <= site.bases.size(); ++n) {
        const BaseDuSite& b = site.bases[n - 1];
        const QString B = QStringLiteral("Base_") + nn(n);
        QDir().mkpath(local(b.dossierConfig));
        if (b.ecrireSysteme) {
            Ini s;
            s.section(B);
            if (!b.lib.isEmpty()) s.cle(QStringLiteral("Lib"), b.lib);
            s.cle(QStringLiteral("Actif"), QStringLiteral("1"));
            s.cle(QStringLiteral("NbStation"), QString::number(b.stations.size()));
            s.cle(QStringLiteral("NoStation"), QStringLiteral("1"));
            s.cle(QStringLiteral("Dossier_Log"), b.dossierLog);
            s.cle(QStringLiteral("Dossier_Local"), b.dossierLocal);
            s.cle(QStringLiteral("Dossier_Shared"), b.dossierPartage);
            s.cle(QStringLiteral("Dossier_Data"), b.dossierData);
            s.cle(QStringLiteral("Dossier_Notes"), b.dossierNotes);
            s.cle(QStringLiteral("Dossier_Notes_Schedule"), b.dossierNotes + QStringLiteral("Conducteur\\"));
            s.section(B + QStringLiteral("_Settings_Folders"));
            s.cle(QStringLiteral("Backup"), b.dossierData + QStringLiteral("_Bkp\\"));
            s.section(B + QStringLiteral("_Sounds_Folders"));
            s.cle(QStringLiteral("Mus_01"), QStringLiteral("1:C:\\QD_Sons\\Musique\\"));
            s.cle(QStringLiteral("Jin_01"), QStringLiteral("1:C:\\QD_Sons\\Jingles\\"));
            s.cle(QStringLiteral("Pub_01"), QStringLiteral("1:C:\\QD_Sons\\Pub\\"));
            for (int m = 1; m <= b.stations.size(); ++m) {
                s.section(B + QStringLiteral("_Station_") + nn(m));
                s.cle(QStringLiteral("Lib"), b.stations[m - 1]);
                s.cle(QStringLiteral("Actif"), QStringLiteral("1"));
            }
            if (!s.ecrire(fichierSysteme(b), erreur)) return false;
        }
        if (b.ecrireXtSys) {
            Ini x;
            x.section(QStringLiteral("Div_radio"));
            x.cle(QStringLiteral("Nom_Radio"), b.lib.isEmpty() ? site.lib : b.lib);
            x.section(QStringLiteral("UNC_Actif"));
            for (const char* cle : {"REPLOCAL", "REPBTR", "REPLOG", "REPBLOCNOTES", "REPPARTAGE"})
                x.cle(QString::fromLatin1(cle), QStringLiteral("0FF"));
            x.section(QStringLiteral("Repertoires"));
            x.cle(QStringLiteral("REPLOCAL"), b.dossierLocal);
            x.cle(QStringLiteral("REPBTR"), b.dossierData);
            x.cle(QStringLiteral("REPLOG"), b.dossierLog);
            x.cle(QStringLiteral("REPBLOCNOTES"), b.dossierNotes);
            x.cle(QStringLiteral("REPPARTAGE"), b.dossierPartage);
            x.section(QStringLiteral("Repertoire_Station_001"));
            x.cle(QStringLiteral("000_00"), QStringLiteral("O,C:\\QD_Sons\\Musique\\"));
            x.cle(QStringLiteral("JIN_00"), QStringLiteral("O,C:\\QD_Sons\\Jingles\\"));
            x.cle(QStringLiteral("PUB_00"), QStringLiteral("O,C:\\QD_Sons\\Pub\\"));
            if (!x.ecrire(fichierXtSys(b), erreur)) return false;
        }
        if (!b.fichiers.isEmpty() &&
            !creerFichiersBase(local(b.dossierData), b.fichiers, int(b.stations.size()), erreur))
            return false;
    }
    return true;
}

bool SiteFixture::creerFichiersBase(const QString& dossier, const QList<int>& fichiers, int nbStations,
                                    QString* erreur) {
    if (!QDir().mkpath(dossier)) {
        if (erreur) *erreur = QStringLiteral("dossier impossible : ") + dossier;
        return false;
    }
    // Files are made from the catalogue's definition; the program's own create buffer is put back after.
    const StructureFichierBTR avant = BtrFileSpec;
    InitGeneralData();
    bool ok = true;
    for (int no : fichiers) {
        const FileInfoEntry& e = FileInfo[size_t(no)];
        if (e.vide()) continue;
        InitStructureFichierBTR(int16_t(no), true);
        const int nb = e.parStation() ? std::max(nbStations, 1) : 1;
        for (int i = 0; i < nb; ++i) {
            const QString chemin = QDir(dossier).filePath(NomFichierBTR(int16_t(no), int16_t(i)));
            char pos[kPosBlockSize];
            std::memset(pos, ' ', sizeof pos);
            QByteArray cle = ToCp1252(chemin);
            uint32_t lng = sizeof BtrFileSpec;
            const int16_t st = BTRCALL(BtrOp::Create, pos, &BtrFileSpec, &lng, cle.data(), uint16_t(cle.size()), 0);
            if (st != BtrStat::Ok) {
                if (erreur) *erreur = QStringLiteral("création de %1 : statut %2").arg(chemin).arg(st);
                ok = false;
            }
        }
    }
    BtrFileSpec = avant;
    return ok;
}
