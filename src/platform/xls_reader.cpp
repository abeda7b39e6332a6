#include "platform/xls_reader.h"

#include "platform/clock.h"
#include "platform/cp1252.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>

#include <algorithm>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Whether another process holds a lock that keeps a reader out of a consistent copy: a write
// lock of the record-lock kind (whole or part of the file) or an exclusive whole-file lock.
bool verrouilleParAutre(int fd) {
    struct flock fl {};
    fl.l_type = F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;
#ifdef F_OFD_GETLK
    if (fcntl(fd, F_OFD_GETLK, &fl) == 0) {
        if (fl.l_type != F_UNLCK) return true;
    } else
#endif
    {
        fl.l_type = F_RDLCK;
        if (fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK) return true;
    }
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) return errno == EWOULDBLOCK;
    flock(fd, LOCK_UN);
    return false;
}

constexpr const char* kNomLecteur = "kirvo_xls";
// A sound workbook is read in a few milliseconds, and what a read costs follows what the sheet
// holds, not what it declares: the processor bound is what ends a reader that works too long,
// the wall-clock one only a reader that waits on something, far above it.
constexpr int kDelaiLecteurMs = 60000;
constexpr rlim_t kMemoireLecteur = rlim_t(1) << 30;
constexpr rlim_t kProcesseurLecteurS = 10;
// What the program takes of the reader's output: the sheet list (sheet names are at most 255
// characters, each at most 6 bytes once escaped), then the format's 65,536 rows of the columns
// asked for, whose cells hold 64 bytes on average; never more than 64 MiB.
constexpr int kFeuillesMax = 1024;
constexpr qsizetype kLigneFeuilleMax = 16 + 255 * 6;
constexpr qsizetype kOctetsParCellule = 64;

qsizetype sortieMax(int nbColonnes) {
    const qsizetype lignes = qsizetype(kLignesMaxXls) * (2 + qsizetype(nbColonnes) * (1 + kOctetsParCellule));
    return std::min(qsizetype(1024) + kFeuillesMax * kLigneFeuilleMax + lignes, qsizetype(64) * 1024 * 1024);
}

// The reader's escapes undone; false on any other backslash.
bool desechapper(QByteArrayView brut, QString& texte) {
    QByteArray octets;
    octets.reserve(brut.size());
    for (qsizetype i = 0; i < brut.size(); ++i) {
        const char c = brut[i];
        if (c != '\\') {
            octets += c;
            continue;
        }
        if (++i >= brut.size()) return false;
        switch (brut[i]) {
            case '\\':
                octets += '\\';
                break;
            case 't':
                octets += '\t';
                break;
            case 'n':
                octets += '\n';
                break;
            case 'r':
                octets += '\r';
                break;
            default:
                return false;
        }
    }
    texte = QString::fromUtf8(octets);
    return true;
}

// Digits only, at most max.
bool entier(QByteArrayView texte, int max, int& valeur) {
    if (texte.isEmpty() || texte.size() > 9) return false;
    int v = 0;
    for (const char c : texte) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > max) return false;
    valeur = v;
    return true;
}

// What the reader wrote, taken strictly: anything unexpected makes the whole output void (raison
// says why when it is more than a damaged file).
bool analyserSortie(const QByteArray& sortie, bool avecFeuille, int nbColonnes, LectureClasseur& l, QString& raison) {
    if (!sortie.endsWith("FIN\n")) return false;
    const QList<QByteArrayView> lignes = [&] {
        QList<QByteArrayView> r;
        qsizetype debut = 0;
        while (debut < sortie.size()) {
            const qsizetype fin = sortie.indexOf('\n', debut);
            r << QByteArrayView(sortie).sliced(debut, fin - debut);
            debut = fin + 1;
        }
        return r;
    }();
    if (lignes.isEmpty() || lignes.front() != "KIRVO-XLS 1" || lignes.back() != "FIN") return false;
    qsizetype i = 1;
    const qsizetype dernier = lignes.size() - 1;
    // The tag of a line and its one text field.
    const auto champ = [&](QByteArrayView ligne, QByteArrayView tag, QString& texte) {
        if (!ligne.startsWith(tag) || ligne.size() < tag.size() + 1 || ligne[tag.size()] != '\t') return false;
        return desechapper(ligne.sliced(tag.size() + 1), texte);
    };
    QString texte;
    if (i < dernier && champ(lignes[i], "PAS-UN-CLASSEUR", texte)) {
        l.test = TestClasseur::PasUnClasseur;
        l.erreur = texte;
        return i + 1 == dernier;
    }
    if (i >= dernier || lignes[i] != "CLASSEUR") return false;
    l.test = TestClasseur::Lisible;
    ++i;
    if (!avecFeuille) return i == dernier;
    if (i < dernier && champ(lignes[i], "ERREUR-CLASSEUR", texte)) {
        l.erreur = texte;
        return i + 1 == dernier;
    }
    while (i < dernier && champ(lignes[i], "FEUILLE", texte)) {
        if (l.feuilles.size() >= kFeuillesMax) {
            raison = QStringLiteral("trop de feuilles (plus de %1)").arg(kFeuillesMax);
            return false;
        }
        l.feuilles << texte;
        ++i;
    }
    if (l.feuilles.isEmpty()) return false;
    l.ouvert = true;
    if (i < dernier && champ(lignes[i], "ERREUR-FEUILLE", texte)) {
        l.erreur = texte;
        return i + 1 == dernier;
    }
    if (i >= dernier) return false;
    const QList<QByteArray> dims = lignes[i].toByteArray().split('\t');
    int nbLignes = 0, largeur = 0;
    if (dims.size() != 3 || dims[0] != "DIMENSIONS" || !entier(dims[1], kLignesMaxXls, nbLignes) ||
        !entier(dims[2], nbColonnes, largeur) || i + 1 + nbLignes != dernier)
        return false;
    ++i;
    l.lignes.reserve(size_t(nbLignes));
    for (; i < dernier; ++i) {
        const QByteArrayView ligne = lignes[i];
        if (!ligne.startsWith("L")) return false;
        QStringList cellules;
        qsizetype pos = 1;
        while (pos < ligne.size()) {
            if (ligne[pos] != '\t') return false;
            qsizetype fin = ligne.indexOf('\t', pos + 1);
            if (fin < 0) fin = ligne.size();
            if (!desechapper(ligne.sliced(pos + 1, fin - pos - 1), texte)) return false;
            cellules << texte;
            pos = fin;
        }
        if (cellules.size() != largeur) return false;
        l.lignes.push_back(std::move(cellules));
    }
    l.feuilleLue = true;
    return true;
}

// A reader process that ends quietly with whatever owns it. It leads a process group of its own,
// so that stopping it stops whatever it started too.
class Lecteur : public QProcess {
public:
    using QProcess::QProcess;
    ~Lecteur() override { arreter(); }
    // Stops the reader and its group while it runs (its number is not reused before it is
    // waited for).
    void arreter() {
        if (state() == NotRunning) return;
        if (groupe > 0) ::kill(-groupe, SIGKILL);
        kill();
        waitForFinished(kDelaiLecteurMs);
    }
    QElapsedTimer minuteur;  // from the start: the reader's time limit
    qint64 groupe = 0;
};

void demarrerLecteur(Lecteur& p, const QString& chemin, int feuille, int nbColonnes) {
    p.setProgram(CheminLecteurXls());
    QStringList arguments{chemin};
    if (feuille >= 0) arguments << QString::number(feuille) << QString::number(nbColonnes);
    p.setArguments(arguments);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.setChildProcessModifier([] {
        setpgid(0, 0);
        const rlimit memoire{kMemoireLecteur, kMemoireLecteur};
        const rlimit processeur{kProcesseurLecteurS, kProcesseurLecteurS};
        const rlimit coeur{0, 0};
        setrlimit(RLIMIT_AS, &memoire);
        setrlimit(RLIMIT_CPU, &processeur);
        setrlimit(RLIMIT_CORE, &coeur);
    });
    p.minuteur.start();
    p.start(QIODevice::ReadOnly);
    p.groupe = p.processId();
}

// Waits for a started reader; false when it could not run, died, overran its limits or wrote
// anything unexpected.
bool attendreLecteur(Lecteur& p, int feuille, int nbColonnes, LectureClasseur& l) {
    // A reader started ahead may have ended already, its output waiting in the buffer.
    const bool demarre =
        p.state() == QProcess::Starting ? p.waitForStarted(kDelaiLecteurMs) : p.error() != QProcess::FailedToStart;
    if (!demarre) {
        l.erreur = QStringLiteral("lecteur introuvable (") + p.program() + QLatin1Char(')');
        return false;
    }
    QByteArray sortie;
    QElapsedTimer& minuteur = p.minuteur;
    const qsizetype max = sortieMax(nbColonnes);
    const auto tropVolumineuse = [&] {
        return QStringLiteral("lecture trop volumineuse (plus de %1 octets)").arg(max);
    };
    const auto abandon = [&](const QString& raison) {
        p.arreter();
        l.erreur = raison;
        return false;
    };
    // Read as it comes, never past the bound: the reader is stopped there.
    while (p.state() != QProcess::NotRunning) {
        const qint64 reste = kDelaiLecteurMs - minuteur.elapsed();
        if (reste <= 0) return abandon(QStringLiteral("lecture trop longue"));
        p.waitForReadyRead(int(reste));
        sortie += p.read(max + 1 - sortie.size());
        if (sortie.size() > max) return abandon(tropVolumineuse());
    }
    sortie += p.read(max + 1 - sortie.size());
    if (sortie.size() > max) {
        l.erreur = tropVolumineuse();
        return false;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        l.erreur = QStringLiteral("fichier endommagé");
        return false;
    }
    QString raison = QStringLiteral("fichier endommagé");
    if (!analyserSortie(sortie, feuille >= 0, nbColonnes, l, raison)) {
        l = LectureClasseur{};
        l.erreur = raison;
        return false;
    }
    return true;
}

// Runs the reader on the workbook, as attendreLecteur.
bool lancerLecteur(const QString& chemin, int feuille, int nbColonnes, LectureClasseur& l) {
    Lecteur p;
    demarrerLecteur(p, chemin, feuille, nbColonnes);
    return attendreLecteur(p, feuille, nbColonnes, l);
}

// A reading started ahead by PrelireClasseur, with what the file was when it started.
struct Prelecture {
    QString chemin;
    int feuille = 0;
    int nbColonnes = 0;
    qint64 taille = -1;
    QDateTime modification;
    QPointer<Lecteur> lecteur;
};
Prelecture g_prelecture;

void oublierPrelecture() {
    delete g_prelecture.lecteur.data();
    g_prelecture = Prelecture{};
}

// Whether the file can be looked at by the reader: present, not held by another program.
int testerAcces(const QString& chemin) {
    const QFileInfo fi(chemin);
    if (!fi.isFile()) return TestClasseur::PasUnClasseur;
    for (const QString& verrou : FichiersVerrouBureautique(chemin))
        if (QFileInfo::exists(verrou)) return TestClasseur::EnCoursUtilisation;

    const QByteArray local = QFile::encodeName(chemin);
    const int fd = ::open(local.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return (errno == ENOENT || errno == ENOTDIR) ? TestClasseur::PasUnClasseur : TestClasseur::EnCoursUtilisation;
    const bool verrouille = verrouilleParAutre(fd);
    ::close(fd);
    return verrouille ? TestClasseur::EnCoursUtilisation : TestClasseur::Lisible;
}

void journal(const QString& fichierLog, const QString& ligne) {
    if (fichierLog.isEmpty()) return;
    QFile f(fichierLog);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    const QString horodatage = HorlogeSysteme().now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    f.write(ToCp1252(horodatage + QLatin1Char(' ') + ligne + QStringLiteral("\r\n")));
}

}  // namespace

QStringList FichiersVerrouBureautique(const QString& chemin) {
    const QFileInfo fi(chemin);
    const QString dossier = fi.path() + QLatin1Char('/');
    return {dossier + QStringLiteral("~$") + fi.fileName(),
            dossier + QStringLiteral(".~lock.") + fi.fileName() + QLatin1Char('#')};
}

QString CheminLecteurXls() {
    const QString env = qEnvironmentVariable("KIRVO_LECTEUR_XLS");
    if (!env.isEmpty()) return env;
    const QString dossier = QCoreApplication::instance()
                                ? QCoreApplication::applicationDirPath()
                                : QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).path();
    return dossier + QLatin1Char('/') + QLatin1String(kNomLecteur);
}

void PrelireClasseur(const QString& chemin, int feuille, int nbColonnes) {
    oublierPrelecture();
    if (!QCoreApplication::instance() || testerAcces(chemin) != TestClasseur::Lisible) return;
    const QFileInfo fi(chemin);
    g_prelecture.chemin = chemin;
    g_prelecture.feuille = std::clamp(feuille, 0, kLignesMaxXls - 1);
    g_prelecture.nbColonnes = std::clamp(nbColonnes, 0, kColonnesMaxXls);
    g_prelecture.taille = fi.size();
    g_prelecture.modification = fi.lastModified();
    // Owned by the application, so that it never outlives it.
    g_prelecture.lecteur = new Lecteur(QCoreApplication::instance());
    demarrerLecteur(*g_prelecture.lecteur, chemin, g_prelecture.feuille, g_prelecture.nbColonnes);
}

int TesterClasseur(const QString& chemin) {
    const int acces = testerAcces(chemin);
    if (acces != TestClasseur::Lisible) return acces;
    LectureClasseur l;
    if (!lancerLecteur(chemin, -1, 0, l)) return TestClasseur::PasUnClasseur;
    return l.test;
}

LectureClasseur LireClasseur(const QString& chemin, int feuille, int nbColonnes, const QString& fichierLog,
                             bool remplacerLog) {
    LectureClasseur l;
    l.test = testerAcces(chemin);
    if (l.test != TestClasseur::Lisible) {
        oublierPrelecture();
        return l;
    }
    nbColonnes = std::clamp(nbColonnes, 0, kColonnesMaxXls);
    feuille = std::clamp(feuille, 0, kLignesMaxXls - 1);
    bool lance = false;
    const QFileInfo fi(chemin);
    // A reading started ahead serves only the same request on a file that has not changed since.
    if (g_prelecture.lecteur && g_prelecture.chemin == chemin && g_prelecture.feuille == feuille &&
        g_prelecture.nbColonnes == nbColonnes && g_prelecture.taille == fi.size() &&
        g_prelecture.modification == fi.lastModified()) {
        lance = attendreLecteur(*g_prelecture.lecteur, feuille, nbColonnes, l);
    } else {
        lance = lancerLecteur(chemin, feuille, nbColonnes, l);
    }
    oublierPrelecture();
    // A damaged file is a workbook that cannot be read rather than something else: the test
    // itself may be what failed.
    if (!lance) l.test = TestClasseur::Lisible;
    if (l.test != TestClasseur::Lisible) return l;

    if (remplacerLog && !fichierLog.isEmpty()) QFile::remove(fichierLog);
    journal(fichierLog, QStringLiteral("Classeur: ") + chemin);
    if (!l.ouvert) {
        journal(fichierLog, QStringLiteral("Erreur: ") + l.erreur);
        return l;
    }
    journal(fichierLog, QStringLiteral("Feuilles: ") + QString::number(l.feuilles.size()) + QStringLiteral(" (") +
                            l.feuilles.join(QStringLiteral(", ")) + QLatin1Char(')'));
    if (!l.feuilleLue) {
        journal(fichierLog,
                QStringLiteral("Feuille ") + QString::number(feuille) + QStringLiteral(": Erreur: ") + l.erreur);
        return l;
    }
    const qsizetype largeur = l.lignes.empty() ? 0 : l.lignes.front().size();
    journal(fichierLog, QStringLiteral("Feuille ") + QString::number(feuille) + QStringLiteral(" (") +
                            l.feuilles.value(feuille) + QStringLiteral("): ") + QString::number(l.lignes.size()) +
                            QStringLiteral(" lignes, ") + QString::number(largeur) + QStringLiteral(" colonnes"));
    return l;
}
