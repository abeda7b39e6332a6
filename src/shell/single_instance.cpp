#include "shell/single_instance.h"

#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/restart_shortcut.h"
#include "foundation/trace_log.h"
#include "platform/dialogs.h"
#include "shell/command_line.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QWidget>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString g_dossierVerrous;
std::optional<IdentiteInstance> g_identite;
std::unique_ptr<VerrouFichier> g_mutexSuite;
std::unique_ptr<VerrouFichier> g_verrouInstance;

QString finSlash(QString s) {
    if (!s.isEmpty() && !s.endsWith(QLatin1Char('/'))) s += QLatin1Char('/');
    return s;
}

}  // namespace

// --- the lock -------------------------------------------------------------------------------

VerrouFichier::VerrouFichier(QString chemin) : chemin_(std::move(chemin)) {}

VerrouFichier::~VerrouFichier() { liberer(); }

bool VerrouFichier::prendre(bool partage) {
    if (fd_ >= 0) return true;
    const QByteArray nom = QFile::encodeName(chemin_);
    // Not inherited: a program started from here must not keep the lock after this one ends.
    const int fd = ::open(nom.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        Raise(75, QStringLiteral("Erreur d'accès au chemin/fichier : ") + chemin_ + QStringLiteral(" (") +
                      QString::fromLocal8Bit(std::strerror(errno)) + QLatin1Char(')'));
    }
    int r;
    do {
        r = ::flock(fd, (partage ? LOCK_SH : LOCK_EX) | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) return false;
        Raise(75, QStringLiteral("Erreur d'accès au chemin/fichier : ") + chemin_ + QStringLiteral(" (") +
                      QString::fromLocal8Bit(std::strerror(err)) + QLatin1Char(')'));
    }
    fd_ = fd;
    return true;
}

void VerrouFichier::liberer() {
    if (fd_ < 0) return;
    ::close(fd_);  // closing drops the lock; the file stays for the next holder
    fd_ = -1;
}

// --- where and who --------------------------------------------------------------------------

QString DossierVerrous() {
    if (!g_dossierVerrous.isEmpty()) return finSlash(g_dossierVerrous);
    QString d = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (d.isEmpty()) d = QDir::tempPath() + QStringLiteral("/kirvo-") + QString::number(::getuid());
    QDir().mkpath(d);
    return finSlash(d);
}

void SetDossierVerrous(const QString& dossier) { g_dossierVerrous = dossier; }

IdentiteInstance IdentiteProcessus() {
    if (g_identite) return *g_identite;
    IdentiteInstance id;
    id.dossierProgramme = DossierApplication;
    if (id.dossierProgramme.isEmpty() && QCoreApplication::instance())
        id.dossierProgramme = QCoreApplication::applicationDirPath();
    id.dossierProgramme = finSlash(id.dossierProgramme);
    id.instance = InstanceDemandee(LigneCommandeProgramme());
    return id;
}

void SetIdentiteInstance(std::optional<IdentiteInstance> identite) { g_identite = std::move(identite); }

QString CheminVerrouInstance(const IdentiteInstance& identite) {
    // The folder enters the name through a digest: a path may be long or hold any character.
    const QString dossier = QDir::cleanPath(QDir(identite.dossierProgramme).absolutePath());
    const QByteArray empreinte = QCryptographicHash::hash(dossier.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return DossierVerrous() + QString::fromLatin1(NomMutexSuite) + QLatin1Char('_') + QString::fromLatin1(empreinte) +
           QLatin1Char('_') + QString::number(identite.instance) + QStringLiteral(".lock");
}

void CreerMutexSuite() {
    if (g_mutexSuite && g_mutexSuite->tenu()) return;
    g_mutexSuite = std::make_unique<VerrouFichier>(DossierVerrous() + QString::fromLatin1(NomMutexSuite) +
                                                   QStringLiteral(".lock"));
    // Shared: every program of the suite may hold it at once.
    g_mutexSuite->prendre(true);
}

bool AutreInstanceActive() {
    const QString chemin = CheminVerrouInstance(IdentiteProcessus());
    if (g_verrouInstance && g_verrouInstance->chemin() == chemin && g_verrouInstance->tenu()) return false;
    auto v = std::make_unique<VerrouFichier>(chemin);
    if (!v->prendre()) return true;
    g_verrouInstance = std::move(v);
    return false;
}

bool TesterPrevInstance(QWidget* fenetre, bool& fermerAutre, int32_t& attente) {
    Proc p(Cle::TesterPrevInstance);
    bool resultat = true;
    bool trouve = false;
    (void)fermerAutre;

    bool autre = false;
    p(10, [&] { autre = AutreInstanceActive(); });
    if (autre) {
        if (attente < 1) {
            trouve = true;
        } else {
            p(20, [&] { WaitOnDuration(attente); });
            p(30, [&] { trouve = AutreInstanceActive(); });
        }
    }
    if (trouve) {
        resultat = false;
        p(40, [&] {
            QString titre = fenetre ? fenetre->windowTitle() : QString();
            if (titre.isEmpty()) titre = QStringLiteral("Ondrune: Tools Kirvo");
            MsgBox(QStringLiteral("Application encore chargée en mémoire.\r\n\r\n"
                                  "Veuillez la quitter avant de relancer une autre instance de cette application."),
                   Mb::Critical, titre);
        });
    }
    return resultat;
}

void LibererVerrousInstance() {
    g_verrouInstance.reset();
    g_mutexSuite.reset();
}
