#pragma once
// Private-profile settings files: our own reader and writer with the semantics the settings of the
// whole suite were written for.
//
//  - Windows-1252 on disk; CRLF or LF read, CRLF written.
//  - "[section]" lines open a section; "key=value" lines inside it. Section and key names are
//    trimmed and compared without regard to letter case; the first section of a name and the first
//    key of a name in it win (later duplicates are kept in the file but never seen).
//  - A value is the text after the first "=", trimmed, with one pair of enclosing double or single
//    quotes removed. A key present with an empty value gives the empty text, not the default.
//  - Lines starting with ";" are comments and never match; lines before the first section belong
//    to no section. Every other line, comment and the order are kept by a write.
//  - A new key goes after the last key of its section, a new section at the end of the file.
//  - A write fails when the file's folder is missing or the file is read-only (no write bit for its
//    owner), so a caller can create the folder or clear the flag and try again; a file this user
//    may not write fails too (ProfileEchec::Acces).
//  - A read sees the file as it is on disk: a parsed file is kept only while the file is
//    unchanged (same inode, size and times, and not changed within the last seconds). A change is a read-modify-write
//    of the whole file, written to a temporary file and renamed over it, serialised between processes by an exclusive
//    lock (flock) on the file's folder (on "<file>.lock" beside it where the file system refuses to lock a folder); a
//    lock that stays taken for 5 seconds makes the change fail (ProfileEchec::Acces) rather than freeze the program.
//
// Paths are used as given. Windows-form paths and bare file names are the callers' business:
// CheminProfil does the usual translation.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Longest value the reads give (the old buffer of 255 characters with its terminating zero).
inline constexpr int ProfileLongueurMax = 254;

// Why a change was refused.
enum class ProfileEchec {
    Aucun,
    Invalide,       // empty or malformed section/key, CR or LF in a name or value
    DossierAbsent,  // the file's folder does not exist
    LectureSeule,   // the file exists without its owner's write bit
    Acces,          // any other input/output failure (folder not writable, disk full...)
};

// --- one-call access ---------------------------------------------------------------------------

// The value, or nullopt when the file, the section or the key is missing. Values are cut to
// longueurMax characters (a negative length: no cut).
std::optional<QString> ProfileValeur(const QString& file, const QString& section, const QString& key,
                                     int longueurMax = ProfileLongueurMax);
// The value, or the default when missing (the default is not cut).
QString ProfileLire(const QString& file, const QString& section, const QString& key, const QString& defaut,
                    int longueurMax = ProfileLongueurMax);

// Writes key=value into the section, creating the file and the section when missing.
bool ProfileEcrire(const QString& file, const QString& section, const QString& key, const QString& value,
                   ProfileEchec* pourquoi = nullptr);
// Removes the first key of that name in the section; true when the file is as asked afterwards
// (a key that was not there counts as removed).
bool ProfileSupprimerCle(const QString& file, const QString& section, const QString& key,
                         ProfileEchec* pourquoi = nullptr);
// Removes every section of that name with its keys and the comments inside it.
bool ProfileSupprimerSection(const QString& file, const QString& section, ProfileEchec* pourquoi = nullptr);
// Makes sure the section exists (an empty one is added at the end when missing).
bool ProfileCreerSection(const QString& file, const QString& section, ProfileEchec* pourquoi = nullptr);

// Section names in file order, each name once (first spelling); empty when the file is missing.
QStringList ProfileSections(const QString& file);
// Key names of the first section of that name, in file order, each name once (first spelling).
QStringList ProfileCles(const QString& file, const QString& section);
bool ProfileSectionExiste(const QString& file, const QString& section);

// --- the file in memory -------------------------------------------------------------------------

// The lines of one settings file, for several reads or changes at once. Same rules as above.
class ProfileDocument {
public:
    ProfileDocument() = default;
    static ProfileDocument depuisOctets(const QByteArray& cp1252);
    // Reads the file; a missing or unreadable file gives an empty document.
    static ProfileDocument depuisFichier(const QString& file);
    QByteArray versOctets() const;

    std::optional<QString> valeur(const QString& section, const QString& key,
                                  int longueurMax = ProfileLongueurMax) const;
    // False (document unchanged) when a name or the value is not writable (see ProfileNomsValides).
    bool ecrire(const QString& section, const QString& key, const QString& value);
    bool supprimerCle(const QString& section, const QString& key);
    bool supprimerSection(const QString& section);
    bool creerSection(const QString& section);
    QStringList sections() const;
    QStringList cles(const QString& section) const;
    bool sectionExiste(const QString& section) const;
    const QStringList& lignes() const { return lignes_; }

private:
    // Index of the line "[section]" of the first section of that name, or -1.
    int trouverSection(const QString& section) const;
    // End (exclusive) of the section that starts at line i.
    int finSection(int i) const;
    QStringList lignes_;
};

// Locked read-modify-write: reads the file (or starts an empty document), lets change() edit it,
// and writes it back atomically when change() returns true. A change that returns false leaves the
// file untouched and counts as a success.
bool ProfileModifier(const QString& file, const std::function<bool(ProfileDocument&)>& change,
                     ProfileEchec* pourquoi = nullptr);

// Section and key names that can be written: not empty after trimming, no CR/LF, every character
// one the code page holds; a section without "]"; a key without "=", not starting with "[" or ";".
// A value may hold anything but CR and LF.
bool ProfileNomsValides(const QString& section, const QString& key);
bool ProfileValeurValide(const QString& value);

// --- where the file is ----------------------------------------------------------------------------

// The platform's "Windows folder", where a bare settings file name is looked up (ends with "/"):
// $KIRVO_WINDOWS_DIR when set, else the program folder's "Windows/".
QString DossierWindows(const QString& dossierApplication);
// A settings path as the program names it, on this system: Windows-form paths translated
// (CheminLocal), a bare file name ("win.ini") put in dossierWindows, then letter case resolved
// against the files that exist.
QString CheminProfil(const QString& file, const QString& dossierWindows);
