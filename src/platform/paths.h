#pragma once
// Paths. Inside the program folders and files use "/". A Windows-form path met in configuration
// (drive letter, backslashes, UNC name) goes through CheminLocal, the one translation:
//   "D:\Ondrune\Data\"       -> <drive root>/d/Ondrune/Data/
//   "\\SERVEUR\Partage\x"    -> <drive root>/unc/SERVEUR/Partage/x
//   "Settings\QD3_Config.ini" -> "Settings/QD3_Config.ini"
// A drive letter X maps to $KIRVO_DRIVE_X when set, else to <drive root>/x where the drive root
// is $KIRVO_DRIVES_ROOT, else "/" (so "C:\Data" is "/c/Data"). Below a drive or a share, "." and
// ".." are worked out as Windows does: nothing climbs above the drive's root or the share.
#include <QString>

QString CheminLocal(const QString& path);

// The drive root (tests and the sample site set it); empty puts the environment's back.
void SetRacineLecteurs(const QString& root);
QString RacineLecteurs();

// An existing file or folder whose name differs only in letter case is found: each missing
// component is looked up case-insensitively in its parent. Components that exist under no
// spelling are kept as given, so a new file gets the exact spelling the program uses.
QString ResoudreCasse(const QString& path);

// Both at once: translate, then resolve letter case.
inline QString CheminReel(const QString& path) { return ResoudreCasse(CheminLocal(path)); }
