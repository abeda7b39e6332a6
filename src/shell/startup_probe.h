#pragma once
// A probe for the start-up benchmark: when KIRVO_SONDE_DEMARRAGE is set, the first time the
// window reaches the screen the process writes "affichee" and the window's native id to its
// standard output and ends at once. Without the variable it does nothing.
class QWidget;
void InstallerSondeDemarrage(QWidget& fenetre);
