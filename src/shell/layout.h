#pragma once
// The main window's page layout: the two strips fill the window, the page of the current tab
// fills its strip, and the fill settings sit beside the fill grid. Qt's layouts place the
// controls; what the program decides is kept here: the widths of the search strip and of the fill
// settings (design widths times the screen's scale factor), the skin's height allowance, and the
// refit of a list grid's columns when its page is laid out.

namespace Cle {
inline constexpr const char* Form_Resize = "Frm_Main:Form_Resize";
inline constexpr const char* ResizeCurrentOngletMain = "Lib_Resize:ResizeCurrentOngletMain";
inline constexpr const char* SftTabsMusique_Switched = "Frm_Main:SftTabsMusique_Switched";
inline constexpr const char* SftTabsPublicite_Switched = "Frm_Main:SftTabsPublicite_Switched";
}  // namespace Cle

// Design widths, twips: the search strip and the fill settings.
inline constexpr int LargeurRechercheTwips = 3795;
inline constexpr int LargeurProprietesTwips = 3795;
// The main window's margin below its strips, pixels: 2 more when the skin asks for the larger
// height allowance (30 twips).
int MargeBasFenetre(int correctionHauteur);
// A design width in pixels at a scale factor.
int LargeurEchelle(int twips, float facteur);
// The fill settings' place: at least the design width, up to what its control needs to show its
// captions whole (fonts wider than the design's) when the page has room for it.
class EmplacementControle;
void AjusterLargeurProprietes(EmplacementControle& place, float facteur);
