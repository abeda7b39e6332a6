#include "platform/profile.h"

#include "platform/cp1252.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <ctime>
#include <mutex>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool estBlanc(QChar c) {
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\r' || u == u'\v' || u == u'\f';
}

QString rogner(const QString& s) {
    qsizetype a = 0, b = s.size();
    while (a < b && estBlanc(s[a])) ++a;
    while (b > a && estBlanc(s[b - 1])) --b;
    return s.mid(a, b - a);
}

bool memeNom(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// What one line is.
struct Ligne {
    enum Sorte { Autre, Section, Cle } sorte = Autre;
    QString nom;     // section or key name, trimmed
    QString valeur;  // raw text after the first "=" (keys only)
};

Ligne analyser(const QString& ligne) {
    Ligne l;
    qsizetype debut = 0;
    while (debut < ligne.size() && estBlanc(ligne[debut])) ++debut;
    if (debut >= ligne.size()) return l;
    const QChar c = ligne[debut];
    if (c == QLatin1Char(';')) return l;
    if (c == QLatin1Char('[')) {
        const qsizetype fin = ligne.lastIndexOf(QLatin1Char(']'));
        if (fin > debut) {
            l.sorte = Ligne::Section;
            l.nom = rogner(ligne.mid(debut + 1, fin - debut - 1));
            return l;
        }
    }
    const qsizetype egal = ligne.indexOf(QLatin1Char('='), debut);
    if (egal < 0) return l;
    l.nom = rogner(ligne.mid(debut, egal - debut));
    if (l.nom.isEmpty()) return l;
    l.sorte = Ligne::Cle;
    l.valeur = ligne.mid(egal + 1);
    return l;
}

QString valeurLue(const QString& brut, int longueurMax) {
    QString v = rogner(brut);
    if (v.size() >= 2) {
        const QChar q = v.front();
        if ((q == QLatin1Char('"') || q == QLatin1Char('\'')) && v.back() == q) v = v.mid(1, v.size() - 2);
    }
    if (longueurMax >= 0 && v.size() > longueurMax) v.truncate(longueurMax);
    return v;
}

bool sansFinDeLigne(const QString& s) { return !s.contains(QLatin1Char('\r')) && !s.contains(QLatin1Char('\n')); }

void poser(ProfileEchec* p, ProfileEchec e) {
    if (p) *p = e;
}

// The file a change really replaces: a symbolic link is followed so the link stays.
QString cible(const QString& file) {
    const QFileInfo fi(file);
    if (fi.isSymLink()) {
        const QString t = fi.symLinkTarget();
        if (!t.isEmpty()) return t;
    }
    return file;
}

constexpr qint64 kAttenteVerrouMs = 5000;

// Takes the exclusive lock of fd: 0 once held, ETIMEDOUT when another writer kept it too long,
// or the error of a file system that refuses the lock.
int prendreVerrou(int fd) {
    // Another writer holds it for a few milliseconds; one that never lets go makes this write
    // fail instead of freezing the program.
    QElapsedTimer attente;
    attente.start();
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
        const int e = errno;
        if (e != EWOULDBLOCK && e != EINTR) return e;
        if (attente.elapsed() > kAttenteVerrouMs) return ETIMEDOUT;
        ::usleep(2000);
    }
}

// Serialises the changes of the settings files of one folder, between processes. The lock is
// taken on the folder itself, so nothing is added to the suite's folders and every user who can
// read the folder shares it. Where the file system refuses a lock on a folder (some network
// file systems), a lock file "<file>.lock" beside the file stands in.
class Verrou {
public:
    explicit Verrou(const QString& file) {
        const QByteArray dossier = QFile::encodeName(QFileInfo(file).absolutePath());
        fd_ = ::open(dossier.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0) {
            const int r = prendreVerrou(fd_);
            if (r == 0) return;
            ::close(fd_);
            fd_ = -1;
            if (r == ETIMEDOUT) return;  // held by another writer: not a reason to lock elsewhere
        }
        const QByteArray nom = QFile::encodeName(file + QStringLiteral(".lock"));
        fd_ = ::open(nom.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ < 0) return;
        if (prendreVerrou(fd_) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~Verrou() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    Verrou(const Verrou&) = delete;
    Verrou& operator=(const Verrou&) = delete;
    bool tenu() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

bool toutEcrire(int fd, const QByteArray& data) {
    const char* p = data.constData();
    qsizetype reste = data.size();
    while (reste > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(reste));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        reste -= n;
    }
    return true;
}

}  // namespace

// --- ProfileDocument --------------------------------------------------------------------------------

ProfileDocument ProfileDocument::depuisOctets(const QByteArray& cp1252) {
    ProfileDocument d;
    if (cp1252.isEmpty()) return d;
    QList<QByteArray> brutes = cp1252.split('\n');
    if (!brutes.isEmpty() && brutes.back().isEmpty()) brutes.removeLast();
    d.lignes_.reserve(brutes.size());
    for (QByteArray& b : brutes) {
        if (b.endsWith('\r')) b.chop(1);
        d.lignes_.append(FromCp1252(b));
    }
    return d;
}

namespace {

// The start-up reads the same few settings files hundreds of times. A parsed file is kept while
// the file on disk is the same one: same inode, size and change times. A file changed within the
// last second is never kept, since two changes inside the file system's clock tick would leave
// the same times; a change by this program renames a new file over the old one (new inode).
struct FichierLu {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t taille = 0;
    timespec mtime{}, ctime{};
    ProfileDocument doc;
};

bool memeFichier(const FichierLu& a, const struct stat& b) {
    return a.dev == b.st_dev && a.ino == b.st_ino && a.taille == b.st_size && a.mtime.tv_sec == b.st_mtim.tv_sec &&
           a.mtime.tv_nsec == b.st_mtim.tv_nsec && a.ctime.tv_sec == b.st_ctim.tv_sec &&
           a.ctime.tv_nsec == b.st_ctim.tv_nsec;
}

bool assezAncien(const struct stat& st) {
    timespec maintenant{};
    ::clock_gettime(CLOCK_REALTIME, &maintenant);
    const auto age = [&](const timespec& t) { return maintenant.tv_sec - t.tv_sec; };
    return age(st.st_mtim) >= 2 && age(st.st_ctim) >= 2;
}

std::mutex verrouCache;
QHash<QString, FichierLu>& cacheFichiers() {
    static QHash<QString, FichierLu> c;
    return c;
}
constexpr int kFichiersGardes = 64;

}  // namespace

ProfileDocument ProfileDocument::depuisFichier(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    struct stat st {};
    const bool connu = ::fstat(f.handle(), &st) == 0 && S_ISREG(st.st_mode);
    if (connu) {
        std::lock_guard<std::mutex> g(verrouCache);
        const auto it = cacheFichiers().constFind(file);
        if (it != cacheFichiers().constEnd() && memeFichier(*it, st)) return it->doc;
    }
    ProfileDocument doc = depuisOctets(f.readAll());
    if (connu && assezAncien(st)) {
        std::lock_guard<std::mutex> g(verrouCache);
        auto& c = cacheFichiers();
        if (c.size() >= kFichiersGardes) c.clear();
        c.insert(file, FichierLu{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim, doc});
    }
    return doc;
}

QByteArray ProfileDocument::versOctets() const {
    QByteArray out;
    for (const QString& l : lignes_) {
        out += ToCp1252(l);
        out += "\r\n";
    }
    return out;
}

int ProfileDocument::trouverSection(const QString& section) const {
    const QString nom = rogner(section);
    for (int i = 0; i < lignes_.size(); ++i) {
        const Ligne l = analyser(lignes_[i]);
        if (l.sorte == Ligne::Section && memeNom(l.nom, nom)) return i;
    }
    return -1;
}

int ProfileDocument::finSection(int i) const {
    int j = i + 1;
    while (j < lignes_.size() && analyser(lignes_[j]).sorte != Ligne::Section) ++j;
    return j;
}

std::optional<QString> ProfileDocument::valeur(const QString& section, const QString& key, int longueurMax) const {
    const int s = trouverSection(section);
    if (s < 0) return std::nullopt;
    const QString nom = rogner(key);
    const int fin = finSection(s);
    for (int i = s + 1; i < fin; ++i) {
        const Ligne l = analyser(lignes_[i]);
        if (l.sorte == Ligne::Cle && memeNom(l.nom, nom)) return valeurLue(l.valeur, longueurMax);
    }
    return std::nullopt;
}

bool ProfileDocument::ecrire(const QString& section, const QString& key, const QString& value) {
    if (!ProfileNomsValides(section, key) || !ProfileValeurValide(value)) return false;
    const QString nom = rogner(key);
    const int s = trouverSection(section);
    if (s < 0) {
        lignes_.append(QLatin1Char('[') + rogner(section) + QLatin1Char(']'));
        lignes_.append(nom + QLatin1Char('=') + value);
        return true;
    }
    const int fin = finSection(s);
    int apres = s;  // the new key goes after the section's last key
    for (int i = s + 1; i < fin; ++i) {
        const Ligne l = analyser(lignes_[i]);
        if (l.sorte != Ligne::Cle) continue;
        if (memeNom(l.nom, nom)) {
            lignes_[i] = l.nom + QLatin1Char('=') + value;
            return true;
        }
        apres = i;
    }
    lignes_.insert(apres + 1, nom + QLatin1Char('=') + value);
    return true;
}

bool ProfileDocument::supprimerCle(const QString& section, const QString& key) {
    const int s = trouverSection(section);
    if (s < 0) return false;
    const QString nom = rogner(key);
    const int fin = finSection(s);
    for (int i = s + 1; i < fin; ++i) {
        const Ligne l = analyser(lignes_[i]);
        if (l.sorte == Ligne::Cle && memeNom(l.nom, nom)) {
            lignes_.removeAt(i);
            return true;
        }
    }
    return false;
}

bool ProfileDocument::supprimerSection(const QString& section) {
    bool fait = false;
    for (int s = trouverSection(section); s >= 0; s = trouverSection(section)) {
        const int fin = finSection(s);
        lignes_.remove(s, fin - s);
        fait = true;
    }
    return fait;
}

bool ProfileDocument::creerSection(const QString& section) {
    if (!ProfileNomsValides(section, QStringLiteral("x"))) return false;
    if (trouverSection(section) >= 0) return false;
    lignes_.append(QLatin1Char('[') + rogner(section) + QLatin1Char(']'));
    return true;
}

QStringList ProfileDocument::sections() const {
    QStringList out;
    for (const QString& ligne : lignes_) {
        const Ligne l = analyser(ligne);
        if (l.sorte != Ligne::Section) continue;
        if (!out.contains(l.nom, Qt::CaseInsensitive)) out.append(l.nom);
    }
    return out;
}

QStringList ProfileDocument::cles(const QString& section) const {
    QStringList out;
    const int s = trouverSection(section);
    if (s < 0) return out;
    const int fin = finSection(s);
    for (int i = s + 1; i < fin; ++i) {
        const Ligne l = analyser(lignes_[i]);
        if (l.sorte == Ligne::Cle && !out.contains(l.nom, Qt::CaseInsensitive)) out.append(l.nom);
    }
    return out;
}

bool ProfileDocument::sectionExiste(const QString& section) const { return trouverSection(section) >= 0; }

// --- validity -----------------------------------------------------------------------------------

bool ProfileNomsValides(const QString& section, const QString& key) {
    const QString s = rogner(section);
    const QString k = rogner(key);
    if (s.isEmpty() || k.isEmpty()) return false;
    if (!sansFinDeLigne(section) || !sansFinDeLigne(key)) return false;
    if (s.contains(QLatin1Char(']'))) return false;
    if (k.contains(QLatin1Char('=')) || k.startsWith(QLatin1Char('[')) || k.startsWith(QLatin1Char(';'))) return false;
    // A name the code page cannot hold would be written as "?": it would never read back, and
    // could land on a real "?" key.
    for (const QString* n : {&s, &k})
        for (QChar c : *n)
            if (!IsCp1252(c)) return false;
    return true;
}

bool ProfileValeurValide(const QString& value) { return sansFinDeLigne(value); }

// --- the file -----------------------------------------------------------------------------------

bool ProfileModifier(const QString& file, const std::function<bool(ProfileDocument&)>& change, ProfileEchec* pourquoi) {
    poser(pourquoi, ProfileEchec::Aucun);
    if (file.isEmpty()) {
        poser(pourquoi, ProfileEchec::Invalide);
        return false;
    }
    const QString chemin = cible(file);
    const QFileInfo fi(chemin);
    if (!QFileInfo(fi.absolutePath()).isDir()) {
        poser(pourquoi, ProfileEchec::DossierAbsent);
        return false;
    }
    Verrou verrou(chemin);
    if (!verrou.tenu()) {
        poser(pourquoi, ProfileEchec::Acces);
        return false;
    }
    const QByteArray nom = QFile::encodeName(chemin);
    struct stat st {};
    const bool existe = ::stat(nom.constData(), &st) == 0;
    if (existe) {
        if (!S_ISREG(st.st_mode)) {
            poser(pourquoi, ProfileEchec::Acces);
            return false;
        }
        // The read-only flag: no write bit for the owner, whoever runs us (root included).
        if (!(st.st_mode & S_IWUSR)) {
            poser(pourquoi, ProfileEchec::LectureSeule);
            return false;
        }
        // A file this user may not write is not replaced through the folder's rights.
        if (::faccessat(AT_FDCWD, nom.constData(), W_OK, AT_EACCESS) != 0) {
            poser(pourquoi, ProfileEchec::Acces);
            return false;
        }
    }
    ProfileDocument doc;
    if (existe) {
        QFile f(chemin);
        if (!f.open(QIODevice::ReadOnly)) {
            // Never replace a file we could not read.
            poser(pourquoi, ProfileEchec::Acces);
            return false;
        }
        doc = ProfileDocument::depuisOctets(f.readAll());
    }
    if (!change(doc)) return true;

    const QByteArray temp = nom + ".tmp" + QByteArray::number(::getpid());
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        poser(pourquoi, ProfileEchec::Acces);
        return false;
    }
    bool ok = toutEcrire(fd, doc.versOctets());
    if (ok && existe) {
        (void)::fchmod(fd, st.st_mode & 07777);
        (void)!::fchown(fd, st.st_uid, st.st_gid);  // only root may; others keep their own
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.constData(), nom.constData()) == 0;
    if (!ok) {
        ::unlink(temp.constData());
        poser(pourquoi, ProfileEchec::Acces);
    }
    return ok;
}

std::optional<QString> ProfileValeur(const QString& file, const QString& section, const QString& key, int longueurMax) {
    if (file.isEmpty()) return std::nullopt;
    return ProfileDocument::depuisFichier(file).valeur(section, key, longueurMax);
}

QString ProfileLire(const QString& file, const QString& section, const QString& key, const QString& defaut,
                    int longueurMax) {
    return ProfileValeur(file, section, key, longueurMax).value_or(defaut);
}

bool ProfileEcrire(const QString& file, const QString& section, const QString& key, const QString& value,
                   ProfileEchec* pourquoi) {
    if (!ProfileNomsValides(section, key) || !ProfileValeurValide(value)) {
        poser(pourquoi, ProfileEchec::Invalide);
        return false;
    }
    return ProfileModifier(
        file,
        [&](ProfileDocument& d) {
            // Leave the file alone when the line already says exactly this.
            const QStringList avant = d.lignes();
            return d.ecrire(section, key, value) && d.lignes() != avant;
        },
        pourquoi);
}

bool ProfileSupprimerCle(const QString& file, const QString& section, const QString& key, ProfileEchec* pourquoi) {
    if (!QFileInfo::exists(file)) {
        poser(pourquoi, ProfileEchec::Aucun);
        return true;
    }
    return ProfileModifier(
        file, [&](ProfileDocument& d) { return d.supprimerCle(section, key); }, pourquoi);
}

bool ProfileSupprimerSection(const QString& file, const QString& section, ProfileEchec* pourquoi) {
    if (!QFileInfo::exists(file)) {
        poser(pourquoi, ProfileEchec::Aucun);
        return true;
    }
    return ProfileModifier(
        file, [&](ProfileDocument& d) { return d.supprimerSection(section); }, pourquoi);
}

bool ProfileCreerSection(const QString& file, const QString& section, ProfileEchec* pourquoi) {
    if (!ProfileNomsValides(section, QStringLiteral("x"))) {
        poser(pourquoi, ProfileEchec::Invalide);
        return false;
    }
    return ProfileModifier(
        file, [&](ProfileDocument& d) { return d.creerSection(section); }, pourquoi);
}

QStringList ProfileSections(const QString& file) { return ProfileDocument::depuisFichier(file).sections(); }

QStringList ProfileCles(const QString& file, const QString& section) {
    return ProfileDocument::depuisFichier(file).cles(section);
}

bool ProfileSectionExiste(const QString& file, const QString& section) {
    return ProfileDocument::depuisFichier(file).sectionExiste(section);
}

// --- where the file is ----------------------------------------------------------------------------

QString DossierWindows(const QString& dossierApplication) {
    QString d = qEnvironmentVariable("KIRVO_WINDOWS_DIR");
    if (d.isEmpty()) {
        QString base = dossierApplication;
        if (base.isEmpty() && QCoreApplication::instance()) base = QCoreApplication::applicationDirPath();
        if (!base.isEmpty() && !base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
        d = base + QStringLiteral("Windows/");
    }
    if (!d.endsWith(QLatin1Char('/'))) d += QLatin1Char('/');
    return d;
}

QString CheminProfil(const QString& file, const QString& dossierWindows) {
    QString p = CheminLocal(file);
    if (!p.isEmpty() && !p.contains(QLatin1Char('/'))) {
        QString d = dossierWindows;
        if (!d.isEmpty() && !d.endsWith(QLatin1Char('/'))) d += QLatin1Char('/');
        p = d + p;
    }
    return ResoudreCasse(p);
}
