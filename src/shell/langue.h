#pragma once
// The program speaks French whatever the machine's language: dates, numbers, calendars and the
// standard dialogs and buttons of the toolkit.

// Makes French (France) the default locale and installs the French texts of the standard
// widgets when they are found; call it once the application object exists. False when the
// translation could not be loaded (the locale is set all the same).
bool InstallerFrancais();
