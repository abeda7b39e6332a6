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

// Colours as the program has always stored them: red + 256 green + 65536 blue; a value with the
// top bit set stands for a system colour whose index is its low byte.
namespace CouleurSysteme {
inline constexpr uint32_t FondFenetre = 0x80000005u;   // window background
inline constexpr uint32_t FaceBouton = 0x8000000Fu;    // button face
inline constexpr uint32_t OmbreBouton = 0x80000010u;   // button shadow
}  // namespace CouleurSysteme
constexpr uint32_t RGBCouleur(int r, int g, int b) { return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16); }
// The colour of input controls under the styles that tint them.
inline constexpr uint32_t CouleurSaisie = RGBCouleur(255, 239, 178);

// The colour on screen: a system colour is the current style's own.
QColor CouleurQt(uint32_t couleur);

// One row of the style table.
struct StyleSkin {
    const char* fichierSkin;   // appended to the skin folder ("" : no skin)
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
    bool applique = false;   // applied to the main window
    int options = 0;         // bit 0 set once applied
};
const SkinCharge& SkinCourant();

// The scale factor of a screen with that many pixels per logical inch horizontally.
float FacteurEchellePourDpi(double dpiX);

// style -1: the registry's value "Style" (blank: 15, written back); else the style given. A
// style outside 0..20 loads no skin and leaves the globals as they were. Sets FacteurEchelle
// (1.25 at exactly 120 pixels per logical inch, else 1).
void InitGeneralLook(int32_t& style);

// Gives the window's controls the colours and properties of the chosen style. Called by each
// window that wears the look, from its load.
void LookFenetre(QWidget* frm);

// The program's icon (main window, about box, stand-by).
class QIcon;
QIcon IconeProgramme();

// Tests: back to the start-of-run values, the application's palette put back.
void ReinitialiserLook();
