#pragma once
// The command line's switches. They are found anywhere in the line, in any letter case, each at
// its first occurrence; a value starts right after its switch (blanks skipped) and ends at the
// first character that does not belong to it.
//   "/Instance=n" or "/I=n"  instance 1..10: suffix of the settings files and the log folder
//   "/Wait=ms"               start-up waits that long, windows kept alive
//   "/IP=a.b.c.d"            kept in AdresseIPCible, read by nothing else
//   "/Veille=True"           stand-by once start-up has ended
//   "/Base=Current"          no choice of base: the configured current base is used
#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* AnalyseChaineCommand = "Frm_Main:AnalyseChaineCommand";
}

// The value of "/IP=".
extern QString AdresseIPCible;

// Reads the switches: sets NoInstance and AdresseIPCible, logs them, and runs the "/Wait=" delay.
// The main window calls it once, only for a command line that is not blank.
void AnalyseChaineCommand(QString ligne);

// The same readings without logging or waiting.
// Instance number the line asks for: 0 without a switch, else 1..10.
int16_t InstanceDemandee(const QString& ligne);
// True when the line holds the switch (letter case ignored), whatever follows it.
bool VeilleDemandee(const QString& ligne);
bool BaseCouranteDemandee(const QString& ligne);

// The arguments this process was started with, joined by blanks as one command line.
QString LigneCommandeProgramme();
