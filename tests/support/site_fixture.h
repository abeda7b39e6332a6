#pragma once
// Temporary site trees as the suite lays them out: the program folder with "Settings/QD3_Config.ini"
// and the tool's settings file, one configuration folder per base with its "QD3_Systeme.ini" and
// "XT_SYS.ini", and each base's data folder with its database files. Folders in the files are
// written in Windows form ("C:\Tessival\Ondrune\Config\Base_01\"); the drives live under the
// site's root (C: is <root>/c, D: is <root>/d).
#include <QList>
#include <QString>
#include <QStringList>

struct BaseDuSite {
    QString lib;            // [Base_NN] "Lib" ("" writes no key)
    QStringList stations;   // names of the stations; their count is "NbStation"
    QString dossierConfig;  // configuration folder (holds QD3_Systeme.ini and XT_SYS.ini)
    QString dossierData;    // "Dossier_Data" and "REPBTR"
    QString dossierLog = QStringLiteral("C:\\Sentolo\\");
    QString dossierLocal = QStringLiteral("C:\\Tessival\\Ondrune\\Local\\");
    QString dossierPartage = QStringLiteral("C:\\Tessival\\Ondrune\\Shared\\");
    QString dossierNotes = QStringLiteral("C:\\Tessival\\Ondrune\\Notes\\");
    bool ecrireSysteme = true;  // writes the base's QD3_Systeme.ini
    bool ecrireXtSys = true;    // writes the base's XT_SYS.ini
    // Database files created in the data folder (catalogue numbers; per-station files for every
    // station). Empty: none, not even FRAD000.bt6.
    QList<int> fichiers = {0, 1, 2, 3, 4, 5, 6, 7, 8, 26, 27};
};

struct DescriptionSite {
    QString lib = QStringLiteral("Ondrune Radio");
    QList<BaseDuSite> bases;
    // [Site] "Dossier_Config_Global" (the base chosen last); "" writes no key.
    QString dossierConfigSite;
    int noBase = 1;   // [Site] "NoBase"
    int nbZones = 1;  // [General_Out] "NbZones" of the tool's settings file
    QString programme = QStringLiteral("C:\\Tessival\\Ondrune\\Tools_Kirvo\\");
    // The competition-code files of the program folder (the sample workbook and GIE list).
    bool nomenclature = true;
};

// A base numbered n (from 1) with the usual layout: configuration folder
// C:\Tessival\Ondrune\Config\Base_NN\, data folder D:\Ondrune\Data\Base_NN\, and the given stations.
BaseDuSite BaseStandard(int n, const QString& lib, const QStringList& stations);
// A site of nbBases such bases ("Base Nord", "Base Sud"...), each with nbStations stations.
DescriptionSite SiteStandard(int nbBases, int nbStations);

class SiteFixture {
public:
    // root: the folder that holds the drives of the site.
    explicit SiteFixture(const QString& root);

    // Writes the site's files and folders, points the drive letters at root, and sets
    // DossierApplication to the program folder. Returns false with a message on a failure.
    bool construire(const DescriptionSite& site, QString* erreur = nullptr);

    // The local path of a Windows-form path of the site.
    QString local(const QString& windows) const;
    // Files of the site (local paths).
    QString fichierConfig() const;                         // QD3_Config.ini
    QString fichierSysteme(const BaseDuSite& base) const;  // the base's QD3_Systeme.ini
    QString fichierXtSys(const BaseDuSite& base) const;    // the base's XT_SYS.ini
    QString fichierSettings() const;                       // QD3_Tools_Kirvo.Ini

    // Creates catalogue files in a folder (local path) for stations 1..nbStations.
    static bool creerFichiersBase(const QString& dossier, const QList<int>& fichiers, int nbStations,
                                  QString* erreur = nullptr);

    const QString& root() const { return root_; }
    const DescriptionSite& site() const { return site_; }

private:
    QString root_;
    DescriptionSite site_;
};
