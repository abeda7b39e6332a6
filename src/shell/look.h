#pragma once
// The program's look: one of 21 numbered styles (0..20), chosen once per run (normally from the
// registry value "Style"), each with its skin file, its control and frame colours and whether the
// main window needs the larger height allowance. The colours are put on the windows through Qt's
// own palettes and style sheets; the skin file is only looked for where the installation keeps it
// (a missing one leaves the style's colours, with one log line).
#include <QColor>
#include <QString>
#include <cstdint>

class QWidget;

namespace Cle {
inline constexpr const char* InitGeneralLook = "Lib_Look:InitGeneralLook";
inline constexpr const char* LookFenetre = "Lib_Look:LookFenetre";
}  // namespace Cle

// Colours are kept in the old packed form, blue in the high byte and red in the low one
// (RGBCouleur builds them). 0x80000000 marks instead a colour of the desktop theme, numbered in
// the low byte: those below are the only ones the styles use.
namespace CouleurSysteme {
inline constexpr uint32_t FondFenetre = 0x80000005u;  // window background
inline constexpr uint32_t FaceBouton = 0x8000000Fu;   // button face
inline constexpr uint32_t OmbreBouton = 0x80000010u;  // button shadow
}  // namespace CouleurSysteme
constexpr uint32_t RGBCouleur(int r, int g, int b) { return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16); }
// The colour of input controls under the styles that tint them.
inline constexpr uint32_t CouleurSaisie = RGBCouleur(255, 239, 178);

// The colour on screen: a system colour is the current style's own.
QColor CouleurQt(uint32_t couleur);

// How far apart two colours are to the eye: 1 (the same) to 21 (black on white).
double RapportContraste(const QColor& a, const QColor& b);
// Greyed-out text must still be read: at least this much against its background.
inline constexpr double ContrasteTexteMinimum = 4.5;

// One row of the style table.
struct StyleSkin {
    const char* fichierSkin;  // appended to the skin folder ("" : no skin)
    const char* nomIni;
    int32_t correctionHauteur;
    uint32_t couleurControle;
    uint32_t couleurCadre;
};
inline constexpr int NbStylesSkin = 21;
inline constexpr int StyleSkinParDefaut = 15;
// The row of a style 0..20; any other number gives style 0's row.
const StyleSkin& StyleDuSkin(int32_t style);

// The chosen style (0 until InitGeneralLook has run) and its height correction (1: the main
// window keeps a larger allowance below its strips).
extern int32_t NoStyleSkin;
extern int32_t CorrectionHauteurSkin;

// The skin folder: DossierApplication + "Settings/Skins/Styles".
QString DossierSkins();
// What the skin stand-in holds after InitGeneralLook: the skin file and ini name asked for
// (both empty: no skin), and whether the file was found.
struct SkinCharge {
    QString fichier;
    QString nomIni;
    bool trouve = false;
    bool applique = false;  // applied to the main window
    int options = 0;        // bit 0 set once applied
};
const SkinCharge& SkinCourant();

// The scale factor of a screen with that many pixels per logical inch horizontally.
float FacteurEchellePourDpi(double dpiX);

// Settles the look for the run: with -1 the number comes from the registry (a blank value means
// the default, which is then stored), any other value is taken as given and handed back in style.
// An unknown number keeps the style already in force (style 0 at start-up). The style's colours
// go into the application palette, which every window shares; the screen's scale factor is
// measured here too (1.25 at exactly 120 pixels per logical inch, else 1).
void InitGeneralLook(int32_t& style);

// Dresses one window's controls in the look chosen by InitGeneralLook: frames, tabs, buttons and
// input fields by their type. Windows that wear the look call it while they load.
void LookFenetre(QWidget* frm);

// The program's icon (main window, about box, stand-by).
class QIcon;
QIcon IconeProgramme();

// Tests: back to the start-of-run values, the application's palette put back.
void ReinitialiserLook();
