#pragma once
// One running instance per program folder and instance number, and the suite's "Ondrune 3.4"
// mark. Both are lock files (flock) in the user's runtime folder: the system drops a lock when
// its holder ends, however it ends, so a test always reflects who is running now.
#include <QString>
#include <cstdint>
#include <optional>

class QWidget;

namespace Cle {
inline constexpr const char* TesterPrevInstance = "Lib_Public:TesterPrevInstance";
}

// Name of the suite's mark, shared with the other programs of the suite.
inline constexpr const char* NomMutexSuite = "Ondrune 3.4";

// An exclusive lock held on one file while the object lives (or until liberer()). Two objects on
// the same file exclude each other, in one process as across processes.
class VerrouFichier {
public:
    explicit VerrouFichier(QString chemin);
    ~VerrouFichier();
    VerrouFichier(const VerrouFichier&) = delete;
    VerrouFichier& operator=(const VerrouFichier&) = delete;

    // True when the lock is held by this object afterwards (taken now or already held).
    // partage: a shared lock, which other shared holders do not exclude.
    bool prendre(bool partage = false);
    void liberer();
    bool tenu() const { return fd_ >= 0; }
    const QString& chemin() const { return chemin_; }

private:
    QString chemin_;
    int fd_ = -1;
};

// Where the lock files lie: the user's runtime folder (a temporary one when there is none).
QString DossierVerrous();
// Tests: another folder; empty puts the usual one back.
void SetDossierVerrous(const QString& dossier);

// Which instance this process is: its program folder and the instance number its command line
// asks for. The single-instance test runs before the command line is analysed, so it reads the
// instance switch itself.
struct IdentiteInstance {
    QString dossierProgramme;  // ends with "/"
    int16_t instance = 0;      // 0: no instance switch
};
IdentiteInstance IdentiteProcessus();
// Tests (or a caller that knows better): the identity to use; nullopt goes back to the process's.
void SetIdentiteInstance(std::optional<IdentiteInstance> identite);

// The lock file that marks a running instance of that identity.
QString CheminVerrouInstance(const IdentiteInstance& identite);

// Creates the suite's mark "Ondrune 3.4" and holds it until the process ends; never tested by
// this program.
void CreerMutexSuite();

// True when another instance with this process's identity runs. When none does, this process
// becomes the running one (it keeps the lock until it ends).
bool AutreInstanceActive();

// True when start-up may go on. When another instance runs, waits `attente` ms keeping windows
// alive and tests again; if it still runs, says so in a box titled with the window's caption
// and returns false. fermerAutre: closing the other instance is not offered on this platform
// (the program never asks for it); the argument is kept for the callers' shape.
bool TesterPrevInstance(QWidget* fenetre, bool& fermerAutre, int32_t& attente);

// Tests: drops the locks this process holds.
void LibererVerrousInstance();
