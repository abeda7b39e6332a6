#pragma once
// The old binary workbook (.xls), read with FreeXL: the test of a path (a readable workbook, a
// file another program has open for writing, anything else), the list of its sheets with the
// import log written beside, and the cells of one sheet as texts.
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// What the test of a path finds.
namespace TestClasseur {
enum : int { Lisible = 1, EnCoursUtilisation = 2, PasUnClasseur = 3 };
}

// 1 a workbook that can be read, 2 a file in use (another process holds a write lock on it, or
// the office suite's lock file stands beside it, or it cannot be opened for reading), 3 anything
// else (missing, empty, not a workbook, damaged).
int TesterClasseur(const QString& chemin);

// The lock files an office suite leaves beside a document it has open ("~$name", ".~lock.name#").
QStringList FichiersVerrouBureautique(const QString& chemin);

// An open workbook.
class ClasseurXls {
public:
    ~ClasseurXls();
    ClasseurXls(const ClasseurXls&) = delete;
    ClasseurXls& operator=(const ClasseurXls&) = delete;

    // Opens the workbook and reads its sheet list; the log file is written (replaced when
    // remplacerLog, else appended to). Null with the reason in erreur when it cannot be read.
    static std::unique_ptr<ClasseurXls> ouvrir(const QString& chemin, const QString& fichierLog,
                                               bool remplacerLog, QString* erreur = nullptr);

    const QStringList& feuilles() const { return feuilles_; }

    // The cells of sheet index (0 the first), row after row from the workbook's first row, each
    // row as wide as the sheet's used width. Numbers as their shortest decimal text ("5",
    // "12.5"), texts as they are, empty cells "". False with the reason when the sheet cannot be
    // read; the log gets a line either way.
    bool lireFeuille(int index, std::vector<QStringList>& lignes, QString* erreur = nullptr);

private:
    ClasseurXls() = default;
    void journal(const QString& ligne);

    const void* handle_ = nullptr;
    QString chemin_;
    QString fichierLog_;
    QStringList feuilles_;
};
