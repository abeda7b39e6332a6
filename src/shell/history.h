#pragma once
// The revision history: the page delivered with the program's updates, or the maker's page on
// the web, handed to the desktop's default program.
#include <QString>

namespace Cle {
inline constexpr const char* MnuWhatNews_Click = "Frm_Main:MnuWhatNews_Click";
}

inline constexpr const char* FichierRevisions = "QD3_Tools_Kirvo_Revisions.htm";
inline constexpr const char* AdresseRevisionsWeb = "http://localhost/Ondrune/Revisions/QD3_Tools_Kirvo_Revisions.htm";

// The local page: DossierApplication + "QD3_Tools_Kirvo_Revisions.htm".
QString PageRevisionsLocale();
