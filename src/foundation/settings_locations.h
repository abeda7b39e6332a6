#pragma once
// Where the settings files are: the suite's "QD3_Config.ini" (built once from the legacy
// configuration on old systems), a base's configuration folder, the tool's own settings and
// positions files, and the saved position of every window that keeps one.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>

class QWidget;

namespace Cle {
inline constexpr const char* DetermineDossierConfig = "Lib_Public:DetermineDossierConfig";
inline constexpr const char* DetermineDossierConfig_Bases_Dossier = "Lib_Public:DetermineDossierConfig_Bases_Dossier";
inline constexpr const char* DetermineDossierConfig_Fichier = "Lib_Public:DetermineDossierConfig_Fichier";
inline constexpr const char* NomDossierSettings = "Lib_Public:NomDossierSettings";
inline constexpr const char* NomFichierSettings = "Lib_Public:NomFichierSettings";
inline constexpr const char* PositionFeuille = "Lib_Public:PositionFeuille";
inline constexpr const char* PositionFeuilleSauvegarde = "Lib_Public:PositionFeuilleSauvegarde";
}  // namespace Cle

// The tool's settings folder, DossierApplication + "Settings/QD3_Tools_Kirvo/"; empty until
// NomDossierSettings has run.
extern QString DossierSettings;

// Full path of "QD3_Config.ini" (DossierApplication + "Settings/QD3_Config.ini"). On an old
// system (NoVersionWindows outside 6..11) a missing file is first built from the legacy
// configuration ("Win.ini" of the Windows folder, each base's "Xt_sys.ini"), and the style advice
// is shown once per installation.
QString DetermineDossierConfig();
// Configuration folder of base n (from 1) read from the configuration file: with baseFirst the
// base's own folder before the site's, else the other way round. Ends with a separator unless empty.
QString DetermineDossierConfig_Bases_Dossier(const QString& configFile, int16_t n, bool baseFirst);
// Configuration folder of base n: the site's, else the base's, else DossierApplication + "Config/".
QString DetermineDossierConfig_Fichier(const QString& configFile, int16_t n);

// Sets DossierSettings; moves an old settings file out of the Windows folder once.
void NomDossierSettings();
// DossierSettings + "QD3_Tools_Kirvo" + "_" + NoInstance (when not 0) + suffix + extension.
QString NomFichierSettings(const QString& suffix, const QString& extension);

// --- window positions -----------------------------------------------------------------------------
// The positions file keeps twips (1/1440 inch, 15 to a pixel of a 96-dpi screen) under [FrmPos],
// "<name>_Left" and "<name>_Top" (then "_" + suffix when a suffix is given).
inline constexpr int TwipsParPixel = 15;

// Window states as the positions code knows them.
enum EtatFenetre : int { EtatNormal = 0, EtatMinimise = 1, EtatMaximise = 2 };

// The top-left corner (pixels) where a window of the given size goes when it is loaded: its saved
// position, or 0,0, kept inside ecran (the available area of the screen, pixels) so the window can
// always be reached.
QPoint PositionFeuille(const QString& nomFenetre, const QSize& taille, const QRect& ecran,
                       const QString& suffixe = QString());
// Saves the corner (pixels) of a window in the normal state; a minimised or maximised window
// keeps its last saved position.
void PositionFeuilleSauvegarde(const QString& nomFenetre, const QPoint& coin, int etat,
                               const QString& suffixe = QString());

// The same for a window: its objectName is the name; the screen is the one under the saved
// position (else the window's, else the primary one).
void PositionFeuille(QWidget* fenetre, const QString& suffixe = QString());
void PositionFeuilleSauvegarde(QWidget* fenetre, const QString& suffixe = QString());
int EtatDeFenetre(const QWidget* fenetre);

// Tests: DossierSettings back to empty.
void ReinitialiserSettingsLocations();
