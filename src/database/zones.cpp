#include "database/zones.h"

#include "database/site_helpers.h"
#include "database/site_startup.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/network.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "foundation/system_info.h"
#include "foundation/trace_log.h"

#include <algorithm>
#include <cmath>

std::array<QString, 20> DossierConfigBase;
std::array<QString, 20> DossierLocal;
std::array<QString, NbZonesMax> DossierIniLocal;
std::array<QString, NbZonesMax> DossierData;
std::array<QString, 20> DossierNotes;
std::array<QString, 20> DossierPartage;
std::array<DossiersSonsZone, 20> DossiersSons;
int16_t NoStationCourante = 0;

using site::Element;

namespace {

const char* const kCodesSons[NbCategoriesSons] = {"000", "JIN", "LIN", "RUB", "INF", "PRE", "PUB", "TMP", "NUM"};
const QString kOn = QStringLiteral("ON");

QString xtSys(int z) { return Element(DossierConfigBase, z) + QStringLiteral("XT_SYS.ini"); }

// A folder read from the zone's settings, on this system. A network name of this computer's own
// shares is turned back into the local folder first.
QString DossierDeZone(int16_t z, const QString& lu, const QString& ordinateur) {
    QString v = CheckRep(TrimBlancs(lu));
    const bool reseau = v.startsWith(QStringLiteral("\\\\") + ordinateur, Qt::CaseInsensitive) ||
                        v.startsWith(QStringLiteral("//") + ordinateur, Qt::CaseInsensitive);
    if (!ordinateur.isEmpty() && reseau) v = ChangeUNCFolder2LocalFolder(z, v, ordinateur);
    return site::DossierLocalise(v);
}

}  // namespace

QString CodeCategorieSons(int categorie) {
    if (categorie < 0 || categorie >= NbCategoriesSons) Raise(9);
    return QString::fromLatin1(kCodesSons[categorie]);
}

void InitGeneral() {
    Proc p(Cle::FrmSetup_InitGeneral);
    p(10, [&] { Log(QStringLiteral("FrmSetup: Init General: Start")); });
    p(20, [&] {
        if (TrimBlancs(DossierSettings).isEmpty()) NomDossierSettings();
    });
    QString C;
    int B = 1;
    p(30, [&] {
        C = DetermineDossierConfig();
        // The count is read from [Sites], which the suite's configuration never writes: every zone
        // then shares zone 0's configuration folder.
        B = site::Arrondi(LectureIni(C, QStringLiteral("Sites"), QStringLiteral("NbBase"), QStringLiteral("1")));
        Log(QStringLiteral("QD3_Config.ini: ") + C + QStringLiteral(" |Nb Base: ") + QString::number(B));
    });
    p(40, [&] { NoStationCourante = 1; });
    // The base chosen at start-up (base 1 unless another was chosen).
    p(50,
      [&] { DossierConfigBase[0] = site::DossierLocalise(DetermineDossierConfig_Fichier(C, NumeroBaseChoisie())); });
    p(60, [&] {
        if (B > 1) return;
        for (int z = 0; z < NbZonesMax; ++z)
            if (TrimBlancs(DossierConfigBase[size_t(z)]).isEmpty()) DossierConfigBase[size_t(z)] = DossierConfigBase[0];
    });
    p(70, [&] {
        // Bounded before it is made an integer: a count too large for one still gives eight zones.
        const double n =
            NombreSigne(LectureIni(NomFichierSettings(QString(), QStringLiteral(".Ini")), QStringLiteral("General_Out"),
                                   QStringLiteral("NbZones"), QStringLiteral("1")));
        NbZones = int16_t(std::nearbyint(std::clamp(n, 1.0, double(NbZonesMax))));
    });
    p(80, [&] {
        const QString L = DossierApplication + QStringLiteral("Settings/_Local/");
        if (!FolderFound(L)) VerificationEtCreationRepertoire(L, true);
    });
    for (int z = 0; z < NbZones; ++z) p(90, [&] { InitGeneralDossiers(int16_t(z)); });

    QString K;
    p(100, [&] { K = ComputerName(); });
    for (int z = 0; z < NbZones; ++z) {
        for (int c = 0; c < NbCategoriesSons; ++c) {
            p(110, [&] {
                const QString code = CodeCategorieSons(c);
                const QString S = N2S(double(NoStationCourante), 3, 0, QStringLiteral("0"));
                const QString X = xtSys(z);
                std::array<QString, NbDossiersSons>& sons = Element(Element(DossiersSons, z), c);
                sons.fill(QString());
                int n = -1;
                for (int k = 0; k < NbDossiersSons; ++k) {
                    const QString cle = code + QLatin1Char('_') + site::DeuxChiffres(k);
                    const bool unc = LectureIni(X, QStringLiteral("UNC_Actif") + S, cle, QStringLiteral("0FF")) == kOn;
                    const QString section =
                        (unc ? QStringLiteral("Repertoire_Station_UNC_") : QStringLiteral("Repertoire_Station_")) + S;
                    QString V = LectureIni(X, section, cle, QString());
                    if (TrimBlancs(V).isEmpty() && k == 0)
                        V = QStringLiteral("O,") + DossierLocal[size_t(z)] +
                            (c == 8 ? QStringLiteral("Sons_Recorder/") : QString());
                    // In use: the flag "O", then a comma, then the folder.
                    if (TrimBlancs(V).isEmpty() || V.indexOf(QLatin1Char(',')) != 1 || V[0] != QLatin1Char('O'))
                        continue;
                    ++n;
                    sons[size_t(n)] = DossierDeZone(int16_t(z), V.mid(2), K);
                    TraceLog(int16_t(z), -1, -1,
                             QStringLiteral("Sound Folder: ") + code + QStringLiteral(": ") + sons[size_t(n)]);
                }
            });
        }
    }
    p(120, [&] { Log(QStringLiteral("FrmSetup: Init General: End")); });
}

void InitGeneralDossiers(int16_t z) {
    Proc p(Cle::FrmSetup_InitGeneralDossiers);
    p.zone(z);
    QString X, K;
    p(10, [&] { X = xtSys(z); });
    p(20, [&] { K = ComputerName(); });
    // Each folder key has its own switch to the network form of the folders.
    auto lire = [&](const char* cle, const QString& defaut) {
        const QString c = QString::fromLatin1(cle);
        const bool unc = LectureIni(X, QStringLiteral("UNC_Actif"), c, QStringLiteral("0FF")) == kOn;
        return LectureIni(X, unc ? QStringLiteral("Repertoires_UNC") : QStringLiteral("Repertoires"), c, defaut);
    };
    auto log = [&](const QString& texte) { TraceLog(z, -1, -1, texte); };

    p(30, [&] {
        Element(DossierLocal, z) = site::DossierLocalise(lire("REPLOCAL", DossierApplication));
        if (z == 0) log(QStringLiteral("Local_Folder: ") + DossierLocal[0]);
    });
    p(40, [&] {
        QString sous = QStringLiteral("Serveur_Ini/Tools_Kirvo/") + site::DeuxChiffres(z);
        if (NoInstance != 0) sous += QStringLiteral("_Instance_") + QString::number(NoInstance);
        QString& d = Element(DossierIniLocal, z);
        d = Element(DossierLocal, z) + CheckRep(sous);
        VerificationEtCreationRepertoire(d, true);
        log(QStringLiteral("Local_INI_Folder: ") + d);
    });
    p(50, [&] {
        // Not created here: a missing data folder shows as missing files when they are opened.
        QString& d = Element(DossierData, z);
        d = site::DossierLocalise(lire("REPBTR", QStringLiteral("C:\\BTRieve\\Data\\")));
        log(QStringLiteral("Data_Folder: ") + d);
    });
    p(60, [&] {
        // One log folder for the program: the last zone's pass sets it.
        QString r = site::DossierLocalise(lire("REPLOG", QStringLiteral("C:\\Sentolo\\")));
        r += QStringLiteral("Histo_QD3_Tools_Kirvo/");
        if (NoInstance != 0) r += CheckRep(QStringLiteral("Instance_") + QString::number(NoInstance));
        CheminLog = r;
        VerificationEtCreationRepertoire(CheminLog, true);
        if (z == 0) log(QStringLiteral("Log_Tech_Folder: ") + CheminLog);
    });
    p(70, [&] {
        QString& d = Element(DossierNotes, z);
        d = DossierDeZone(z, lire("REPBLOCNOTES", DossierApplication), K);
        VerificationEtCreationRepertoire(d, true);
        log(QStringLiteral("Folder_Notes: ") + d);
    });
    p(80, [&] {
        QString& d = Element(DossierPartage, z);
        d = DossierDeZone(z, lire("REPPARTAGE", DossierApplication), K);
        VerificationEtCreationRepertoire(d, true);
        log(QStringLiteral("Folder_Shared: ") + d);
    });
}

void ReinitialiserZones() {
    DossierConfigBase.fill(QString());
    DossierLocal.fill(QString());
    DossierIniLocal.fill(QString());
    DossierData.fill(QString());
    DossierNotes.fill(QString());
    DossierPartage.fill(QString());
    DossiersSons.fill(DossiersSonsZone{});
    NoStationCourante = 0;
}
