#pragma once
// Seam for what the program starts outside itself: programs (always with an argument vector,
// never a command line glued together), documents and web addresses opened by the desktop, and
// the end of the user's session or the machine's restart. The program uses the real launcher;
// tests install a recording one so that nothing is ever started or restarted.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Results in the shape the shell call has always given: above 32 means started; 32 or less is the
// cause of the failure.
namespace Lancement {
enum : int {
    MemoireInsuffisante = 0,
    FichierNonTrouve = 2,
    CheminNonTrouve = 3,
    AccesRefuse = 5,
    FormatInvalide = 11,
    AucuneAssociation = 31,
    Reussi = 42,
};
}  // namespace Lancement

// Flags of the session end, as callers have always combined them.
namespace FinSession {
enum : uint32_t { Deconnexion = 0, Arret = 1, Redemarrage = 2, Force = 4, ArretComplet = 8 };
}

class ExternalLauncher {
public:
    virtual ~ExternalLauncher() = default;
    // Starts a program with its arguments in a working folder (empty: the current one).
    virtual int startProgram(const QString& program, const QStringList& args, const QString& workDir) = 0;
    // Opens a document (local path) or an address (scheme://...) with the desktop's application.
    virtual int openDocument(const QString& target) = 0;
    // Ends the session, powers off or restarts (FinSession flags); true when the request was accepted.
    virtual bool exitSession(uint32_t flags) = 0;
};

ExternalLauncher& Lanceur();
// Installs a launcher; nullptr puts the real one back.
void SetLanceur(ExternalLauncher* launcher);

// Opens a file, program or address the way the shell's "open" did: an address or a document goes
// to the desktop, an executable file (or a program found on PATH) is started with the arguments.
// Operations other than open, explore and edit have no association here. Returns a Lancement code.
int OuvrirAvecLeBureau(const QString& operation, const QString& file, const QStringList& args, const QString& workDir);

// A launcher that starts nothing: it records each request and answers with the results set.
class RecordingLauncher : public ExternalLauncher {
public:
    struct Programme {
        QString program;
        QStringList args;
        QString workDir;
    };
    std::vector<Programme> programs;
    QStringList documents;
    std::vector<uint32_t> sessionEnds;
    int programResult = Lancement::Reussi;
    int documentResult = Lancement::Reussi;
    bool sessionResult = true;

    int startProgram(const QString& program, const QStringList& args, const QString& workDir) override {
        programs.push_back({program, args, workDir});
        return programResult;
    }
    int openDocument(const QString& target) override {
        documents << target;
        return documentResult;
    }
    bool exitSession(uint32_t flags) override {
        sessionEnds.push_back(flags);
        return sessionResult;
    }
};
