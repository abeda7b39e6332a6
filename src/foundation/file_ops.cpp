#include "foundation/file_ops.h"

#include "foundation/proc.h"
#include "foundation/trace_log.h"
#include "platform/paths.h"
#include "platform/system_info.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

QString trimBlancs(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == QLatin1Char(' ')) ++b;
    while (e > b && s[e - 1] == QLatin1Char(' ')) --e;
    return s.mid(b, e - b);
}

// "Spot 1 .wav" -> "Spot 1.wav": names typed with a blank before the extension.
QString sansBlancAvantPoint(QString n) {
    while (n.contains(QStringLiteral(" ."))) n.replace(QStringLiteral(" ."), QStringLiteral("."));
    return n;
}

bool aJoker(const QString& s) { return s.contains(QLatin1Char('*')) || s.contains(QLatin1Char('?')); }

bool estReseau(const QString& s) { return s.startsWith(QStringLiteral("\\\\")) || s.startsWith(QStringLiteral("//")); }

std::string natif(const QString& p) { return QFile::encodeName(p).toStdString(); }

// The folder and the last part of a translated path.
void separer(const QString& chemin, QString& dossier, QString& nom) {
    const qsizetype i = chemin.lastIndexOf(QLatin1Char('/'));
    dossier = i < 0 ? QStringLiteral(".") : (i == 0 ? QStringLiteral("/") : chemin.left(i));
    nom = i < 0 ? chemin : chemin.mid(i + 1);
}

// Entries of a folder matching a pattern, letter case ignored as the old file system did.
QStringList correspondances(const QString& dossier, QString motif, bool fichiersSeuls) {
    if (motif == QLatin1String("*.*")) motif = QStringLiteral("*");  // "*.*" took names without a dot too
    QDir d(dossier);
    QDir::Filters f = QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    if (!fichiersSeuls) f |= QDir::Dirs;
    d.setFilter(f);
    d.setNameFilters({motif});
    QStringList out;
    for (const QString& e : d.entryList()) out << d.filePath(e);
    return out;
}

// The existing local file a name designates: translated, letter case resolved, and with the
// " ." form tried second, as File_Exist finds it.
QString cheminExistant(const QString& name) {
    const QString given = trimBlancs(name);
    const QString direct = CheminReel(given);
    if (QFileInfo::exists(direct)) return direct;
    const QString sans = CheminReel(sansBlancAvantPoint(given));
    return QFileInfo::exists(sans) ? sans : direct;
}

bool existe(const QString& name) {
    const QString chemin = CheminLocal(name);
    // A name with a final separator designates nothing (the old search found no such entry).
    if (chemin.endsWith(QLatin1Char('/'))) return false;
    QString dossier, nom;
    separer(chemin, dossier, nom);
    if (aJoker(nom)) {
        if (aJoker(dossier)) return false;
        return !correspondances(ResoudreCasse(dossier), nom, false).isEmpty();
    }
    if (aJoker(chemin)) return false;
    return QFileInfo::exists(ResoudreCasse(chemin));
}

// A file whose write bits are all clear is what the old read-only attribute was.
bool lectureSeule(const QString& chemin) {
    struct stat st {};
    if (::stat(natif(chemin).c_str(), &st) != 0) return false;
    return S_ISREG(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

int32_t codeErrno(int e, bool cote_source) {
    switch (e) {
        case ENOENT:
        case ENOTDIR:
            return cote_source ? Shell::CheminInvalide : Shell::CheminIntrouvable;
        case EACCES:
        case EPERM:
        case EROFS:
            return Shell::AccesRefuse;
        case EBUSY:
        case ETXTBSY:
            return Shell::FichierOccupe;
        case ENOSPC:
        case EDQUOT:
            return Shell::DisquePlein;
        case ENAMETOOLONG:
            return 206;
        case EISDIR:
            return Shell::CheminInvalide;
        case ENOTEMPTY:
            return Shell::DossierNonVide;
        default:
            return cote_source ? 30 : 29;  // read fault, write fault
    }
}

// Copies one file next to its target first, then renames it over the target, so a failed
// copy leaves the old target as it was.
int32_t copierFichier(const QString& src, const QString& dst) {
    const int in = ::open(natif(src).c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return codeErrno(errno, true);
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return Shell::CheminInvalide;
    }
    QString dossier, nom;
    separer(dst, dossier, nom);
    std::string tmpl = natif(dossier + QStringLiteral("/.") + nom + QStringLiteral(".copie-XXXXXX"));
    const int out = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return codeErrno(e, false);
    }
    int32_t code = Shell::Ok;
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            code = codeErrno(errno, true);
            break;
        }
        if (n == 0) break;
        for (ssize_t off = 0; off < n;) {
            const ssize_t w = ::write(out, buf + off, size_t(n - off));
            if (w < 0) {
                if (errno == EINTR) continue;
                code = codeErrno(errno, false);
                break;
            }
            off += w;
        }
        if (code != Shell::Ok) break;
    }
    if (code == Shell::Ok) {
        // The copy keeps the source's permissions and last write time, as the old copy did.
        ::fchmod(out, st.st_mode & 07777);
        const struct timespec t[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, t);
        if (::fsync(out) != 0) code = codeErrno(errno, false);
    }
    if (::close(out) != 0 && code == Shell::Ok) code = codeErrno(errno, false);
    ::close(in);
    if (code == Shell::Ok && ::rename(tmpl.c_str(), natif(dst).c_str()) != 0) code = codeErrno(errno, false);
    if (code != Shell::Ok) ::unlink(tmpl.c_str());
    return code;
}

int32_t copierDossier(const QString& src, const QString& dst) {
    std::error_code ec;
    fs::copy(natif(src), natif(dst), fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    return ec ? codeErrno(ec.value(), false) : Shell::Ok;
}

bool memeFichier(const QString& a, const QString& b) {
    std::error_code ec;
    return fs::equivalent(natif(a), natif(b), ec);
}

int32_t copier(const QString& source, const QString& target, int32_t flags) {
    const QString src = cheminExistant(source);
    QString dossier, nom;
    separer(CheminLocal(trimBlancs(source)), dossier, nom);
    QStringList sources;
    const bool plusieurs = aJoker(nom);
    if (plusieurs)
        sources = correspondances(ResoudreCasse(dossier), nom, true);
    else
        sources << src;
    if (sources.isEmpty()) return Shell::FichierIntrouvable;

    QString dst = CheminReel(trimBlancs(target));
    while (dst.size() > 1 && dst.endsWith(QLatin1Char('/'))) dst.chop(1);
    if (dst.isEmpty()) return Shell::CheminInvalide;
    const bool versDossier = plusieurs || QFileInfo(dst).isDir();
    const QString dossierCible = versDossier ? dst : QFileInfo(dst).path();
    if (!QFileInfo(dossierCible).isDir()) {
        if (!(flags & Fof::NoConfirmMkDir)) return Shell::CheminIntrouvable;
        std::error_code ec;
        fs::create_directories(natif(dossierCible), ec);
        if (ec) return codeErrno(ec.value(), false);
    }
    for (const QString& s : sources) {
        const QString cible = versDossier ? dst + QLatin1Char('/') + QFileInfo(s).fileName() : dst;
        if (memeFichier(s, cible)) return 113;  // source and target are the same file
        if (lectureSeule(cible)) return Shell::AccesRefuse;
        const int32_t code = QFileInfo(s).isDir() ? copierDossier(s, cible) : copierFichier(s, cible);
        if (code != Shell::Ok) return code;
    }
    return Shell::Ok;
}

int32_t supprimerUn(const QString& chemin) {
    const std::string n = natif(chemin);
    struct stat st {};
    if (::lstat(n.c_str(), &st) != 0) return codeErrno(errno, true);
    // A folder goes only when empty: the program deletes files, never trees.
    const int r = S_ISDIR(st.st_mode) ? ::rmdir(n.c_str()) : ::unlink(n.c_str());
    if (r != 0) return errno == EEXIST ? Shell::DossierNonVide : codeErrno(errno, true);
    return Shell::Ok;
}

int32_t supprimer(const QString& name, int32_t flags) {
    QString dossier, nom;
    separer(CheminLocal(trimBlancs(name)), dossier, nom);
    if (!aJoker(nom)) return supprimerUn(cheminExistant(name));
    const QStringList liste = correspondances(ResoudreCasse(dossier), nom, true);
    if (liste.isEmpty()) return Shell::FichierIntrouvable;
    for (const QString& f : liste) {
        const int32_t code = supprimerUn(f);
        if (code != Shell::Ok) return code;
    }
    return Shell::Ok;
}

// The place whose free space follows a failed copy: a drive root as given ("D:\"), or else the
// target's folder.
QString racineCible(const QString& target) {
    const QString t = trimBlancs(target);
    if (t.size() >= 2 && t[1] == QLatin1Char(':')) return t.left(3);
    const QString local = CheminLocal(t);
    if (QFileInfo(local).isDir()) return local.endsWith(QLatin1Char('/')) ? local : local + QLatin1Char('/');
    const qsizetype i = local.lastIndexOf(QLatin1Char('/'));
    return i < 0 ? QStringLiteral("./") : local.left(i + 1);
}

}  // namespace

bool File_Exist(const QString& name, const QString& caller, bool bVideEstAbsent) {
    Proc p(Cle::File_Exist, Trace::None);
    bool resultat = false;
    p(10, [&] {
        const QString donne = trimBlancs(name);
        if (donne.isEmpty()) return;
        QString n = sansBlancAvantPoint(donne);
        for (int essai = 0; essai < 2; ++essai) {
            resultat = existe(n);
            if (resultat && bVideEstAbsent && TailleDuFichier(n) == 0) resultat = false;
            if (resultat || n == donne) break;
            n = donne;
        }
    });
    return resultat;
}

int64_t TailleDuFichier(const QString& name) {
    Proc p(Cle::TailleDuFichier, Trace::None);
    int64_t taille = -1;
    p(10, [&] {
        const int fd = ::open(natif(CheminReel(name)).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) taille = int64_t(st.st_size);
        ::close(fd);
    });
    return taille;
}

bool File_Copy(const QString& source, const QString& target, int32_t flags) {
    Proc p(Cle::File_Copy, Trace::None);
    bool resultat = false;
    if (trimBlancs(source).isEmpty()) {
        p(10, [&] { Log(QStringLiteral("Warning: File_Copy: File name null")); });
        return false;
    }
    bool present = false;
    p(20, [&] { present = File_Exist(source, QString::fromLatin1(Cle::File_Copy), true); });
    if (!present) {
        p(30, [&] {
            if (!source.contains(QStringLiteral(".gpx"), Qt::CaseInsensitive))
                Log(QStringLiteral("Warning: File_Copy: File not found: ") + source);
        });
        return false;
    }
    int32_t r = -1;
    p(40, [&] { r = copier(source, target, flags | Fof::NoConfirmation); });
    if (r == Shell::Ok) return true;
    p(50, [&] {
        QString morceau;
        switch (r) {
            case Shell::FichierOccupe:
                morceau = QStringLiteral(" |File in use. Source: ");
                break;
            case Shell::CheminInvalide:
                morceau = QStringLiteral(" |Source file missing. Source: ");
                break;
            case Shell::Annule:
                morceau = QStringLiteral(" |Cancelled. Source: ");
                break;
            default:
                morceau = QStringLiteral(" |Source: ");
                break;
        }
        TraceLog(-1, -1, -1,
                 QStringLiteral("File_Copy: Err: ") + QString::number(r) + morceau + source +
                     QStringLiteral("  Target: ") + target,
                 true);
    });
    p(60, [&] {
        if (estReseau(trimBlancs(target))) return;
        const QString d = racineCible(target);
        Log(QStringLiteral("Free space for ") + d + QStringLiteral(": ") + LibSize(GetDiskFreeBytes(d)));
    });
    return resultat;
}

bool File_Delete(const QString& name, int32_t flags) {
    Proc p(Cle::File_Delete, Trace::None);
    if (trimBlancs(name).isEmpty()) {
        p(10, [&] { Log(QStringLiteral("Warning: File_Delete: File name null")); });
        return false;
    }
    bool present = false;
    p(20, [&] { present = File_Exist(name, QString::fromLatin1(Cle::File_Delete), false); });
    if (!present) {
        p(30, [&] {
            if (!name.contains(QStringLiteral(".gpx"), Qt::CaseInsensitive))
                Log(QStringLiteral("Warning: File_Delete: File not found: ") + name);
        });
        return false;
    }
    int32_t r = -1;
    p(40, [&] { r = supprimer(name, flags == 0 ? int32_t(Fof::SuppressionDefaut) : flags); });
    if (r == Shell::Ok) return true;
    p(50, [&] {
        const QString n = QString::number(r);
        switch (r) {
            case Shell::FichierIntrouvable:
                Log(QStringLiteral("File_Delete: Warning: ") + n + QStringLiteral(" |File not found: ") + name);
                break;
            case Shell::FichierOccupe:
                Log(QStringLiteral("File_Delete: Warning: ") + n + QStringLiteral(" |File in use: ") + name);
                break;
            case Shell::CheminInvalide:
                Log(QStringLiteral("File_Delete: Err: ") + n + QStringLiteral(" |Source file missing: ") + name);
                break;
            case Shell::Annule:
                Log(QStringLiteral("File_Delete: Warning: ") + n + QStringLiteral(" |Cancelled: File: ") + name);
                break;
            default:
                TraceLog(-1, -1, -1, QStringLiteral("File_Delete: Err: ") + n + QStringLiteral(" |") + name, true);
        }
    });
    return false;
}

QString LibSize(double bytes) {
    Proc p(Cle::LibSize, Trace::None);
    QString texte;
    p(10, [&] {
        static const char* const unites[] = {"Octets", "Ko", "Mo", "Go", "To", "Po", "Eo", "Zo", "Yo"};
        double v = bytes;
        int u = 0;
        while (v >= 1024.0 && u < 9) {
            v /= 1024.0;
            ++u;
        }
        if (u == 9) return;
        // "###,###,##0.00" with a decimal comma and a blank between groups of three.
        const QString brut = QString::number(v, 'f', 2);
        const qsizetype point = brut.indexOf(QLatin1Char('.'));
        QString entier = brut.left(point);
        const bool negatif = entier.startsWith(QLatin1Char('-'));
        if (negatif) entier.remove(0, 1);
        for (qsizetype i = entier.size() - 3; i > 0; i -= 3) entier.insert(i, QLatin1Char(' '));
        texte = (negatif ? QStringLiteral("-") : QString()) + entier + QLatin1Char(',') + brut.mid(point + 1) +
                QLatin1Char(' ') + QLatin1String(unites[u]);
    });
    return texte;
}

double GetDiskFreeBytes(const QString& root) {
    const QString r = trimBlancs(root);
    if (r.isEmpty()) return 0;
    uint64_t octets = 0;
    if (!OctetsLibres(CheminReel(r), octets)) return 0;
    return double(octets);
}
