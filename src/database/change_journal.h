#pragma once
// The change journal (database file 8): one entry per record written locally, so that the web
// synchronisation knows what to send. The wrapper calls CreateRecord before every insert and
// update of the journalled files; the synchronisation steps read and empty the journal.
//
// Also the synchronisation fields that end every synchronised record (ChampsSynchro): state
// letter, web id (four base-255 digits) and the keep-on-the-web flag.
#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* CreateRecord = "Lib_Kirvo:CreateRecord";
}

// Set by an audit step while it re-saves a record whose web copy differs: the entry written is
// then forced (type "P", or "M" for files 20 and above) and replaces the normal one.
extern bool bForcerEnvoiWeb;

// The synchronisation fields of a file's record buffer; nullptr where the layout has none.
struct ChampsSynchro {
    char* Etat = nullptr;     // 1 character: "C", "M", "S", "O" or "N"
    char* IdWeb = nullptr;    // 4 characters, base-255, lowest digit first
    char* FlagWeb = nullptr;  // 1 character: "O" keep on the web, "N" not on the web
};
// The fields in the global buffer of files 1 to 6, 20 and 22; all nullptr for any other file.
ChampsSynchro ChampsSynchroFichier(int fileNo);

// Files whose writes are journalled: 1 to 6, 20 and 22.
bool FichierJournalise(int fileNo);
// The journal code of the record in the file's buffer (file 6: code then sequence), as stored;
// empty for a file that is not journalled.
QString CodeJournal(int fileNo);

// Writes or refreshes the journal entry of the record in FileNo's buffer, for the station
// (below 1 counts as 1, as in the wrapper). Leaves that buffer unchanged. Nothing at all for a
// file that is not journalled, a blank code or a station above 10 (the wrapper refuses that
// write). Otherwise BtrStatus is 0 on return, whatever the journal write gave; a refused write
// leaves an incident line with its status. A forced entry replaces the normal one in one
// transaction. Op is not used.
void CreateRecord(int16_t Base, int16_t Station, int16_t FileNo, int16_t Op);
