#pragma once
// The fill page's property grid: created in its place beside the fill grid, coloured from the
// hidden host's pickers, and prepared from the fill settings.
class Frm_Main;

void PlacerPropertyGridRemplissage(Frm_Main& frm);
