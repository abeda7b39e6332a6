#pragma once
// The old binary workbook (.xls): the test of a path (a readable workbook, a file another
// program has open for writing, anything else) and the reading of one sheet's cells as texts,
// with the import log written beside.
//
// The workbook library does not survive every damaged file, so it only runs in a short-lived
// reader process of our own (kirvo_xls, beside the program) under a time and memory limit; a
// reader that dies, hangs or writes anything unexpected is a failed read.
#include <QString>
#include <QStringList>
#include <vector>

// What the test of a path finds.
namespace TestClasseur {
enum : int { Lisible = 1, EnCoursUtilisation = 2, PasUnClasseur = 3 };
}

// The format's own bounds of a sheet.
inline constexpr int kLignesMaxXls = 65536;
inline constexpr int kColonnesMaxXls = 256;

// 1 a workbook that can be read, 2 a file in use (another process holds a write lock on it, or
// the office suite's lock file stands beside it, or it cannot be opened for reading), 3 anything
// else (missing, empty, not a workbook, damaged).
int TesterClasseur(const QString& chemin);

// The lock files an office suite leaves beside a document it has open ("~$name", ".~lock.name#").
QStringList FichiersVerrouBureautique(const QString& chemin);

// The reader executable: $KIRVO_LECTEUR_XLS when set, else kirvo_xls in the program's own folder.
QString CheminLecteurXls();

// One reading of a workbook, all in one reader process.
struct LectureClasseur {
    int test = TestClasseur::PasUnClasseur;  // as TesterClasseur
    bool ouvert = false;                     // the sheet list was read
    bool feuilleLue = false;                 // the sheet's cells were read
    QStringList feuilles;
    // Row after row from the workbook's first row, at most nbColonnes cells each (fewer when the
    // sheet is narrower); trailing empty rows are left out. Numbers as their shortest decimal
    // text ("5", "12.5"), texts as they are, empty cells "".
    std::vector<QStringList> lignes;
    QString erreur;  // the reason of a failure
};

// Tests the path then, when it is a readable workbook, replaces (remplacerLog) or appends to the
// log file and reads the sheet list and the first nbColonnes columns of sheet feuille (0 the
// first); the log gets a line for each step, failures included.
LectureClasseur LireClasseur(const QString& chemin, int feuille, int nbColonnes, const QString& fichierLog,
                             bool remplacerLog);

// Starts the reader on a workbook that can be read, without waiting for it, so that the
// LireClasseur of the same file, sheet and columns that comes next finds it done or under way.
// Only the reading is done ahead: the test, the log and the answer stay with LireClasseur, which
// reads the file again when it has changed meanwhile.
void PrelireClasseur(const QString& chemin, int feuille, int nbColonnes);
