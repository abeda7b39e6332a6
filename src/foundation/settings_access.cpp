#include "foundation/settings_access.h"

#include "foundation/conversions.h"
#include "foundation/file_ops.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"
#include "platform/paths.h"
#include "platform/profile.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <sys/stat.h>

namespace {

// The folder answers of the run. A path is remembered under its normalised form (translated,
// "/" separators, one final "/", letter case folded), so "C:\Dat" is never taken for "C:\Data\":
// a memory answers for that exact folder only, never for a parent or a child of it (as decided).
QSet<QString> DossiersTrouves;
QSet<QString> DossiersAbsents;
QSet<QString> DossiersConnus;
QSet<QString> DossiersEnEchec;
QString DernierDossierVerifie;

QString cleDossier(const QString& path) {
    QString p = CheminLocal(TrimBlancs(path));
    while (p.contains(QStringLiteral("//"))) p.replace(QStringLiteral("//"), QStringLiteral("/"));
    if (!p.endsWith(QLatin1Char('/'))) p += QLatin1Char('/');
    return p.toCaseFolded();
}

bool estSeparateur(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); }

bool dossierExiste(const QString& path) { return QFileInfo(CheminReel(path)).isDir(); }

// The make-directory call: raises 76 (path not found) or 75 (path/file access error).
void creerDossier(const QString& path) {
    QString local = CheminReel(path);
    while (local.size() > 1 && local.endsWith(QLatin1Char('/'))) local.chop(1);
    if (::mkdir(QFile::encodeName(local).constData(), 0777) == 0) return;
    Raise(errno == ENOENT ? 76 : 75);
}

// A name shown in a log line without the line breaks it was refused for.
QString surUneLigne(QString s) {
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

bool ecrireUneFois(const QString& file, const QString& section, const QString& key, const QString& value) {
    return ProfileEcrire(CheminIni(file), section, key, value);
}

}  // namespace

QString DossierWindows() { return DossierWindows(DossierApplication); }

QString CheminIni(const QString& file) { return CheminProfil(file, DossierWindows()); }

QString LectureIni(const QString& file, const QString& section, const QString& key, const QString& defaut) {
    Proc p(Cle::LectureIni, Trace::None);
    QString r;
    bool correct = false;
    p(10, [&] { correct = NomFichierCorrect(file); });
    if (!correct) return defaut;
    p(20, [&] {
        // As the old call did: the default is cut to the buffer and loses its trailing blanks.
        QString d = defaut.left(ProfileLongueurMax);
        while (d.endsWith(QLatin1Char(' '))) d.chop(1);
        r = ProfileLire(CheminIni(file), section, key, d, ProfileLongueurMax);
    });
    return r;
}

bool EcritureIni(const QString& file, const QString& section, const QString& key, const QString& value) {
    Proc p(Cle::EcritureIni, Trace::None);
    bool r = false;
    bool correct = false;
    p(10, [&] { correct = NomFichierCorrect(file); });
    if (TrimBlancs(section).isEmpty() || TrimBlancs(key).isEmpty() || !correct) return false;
    if (!ProfileNomsValides(section, key) || !ProfileValeurValide(value)) {
        // A line break would cut the line in two and could slip another key into the file; a
        // character outside the code page would be written as "?" and never read back.
        Log(QStringLiteral("Warning: EcritureIni: Invalid section, key or value refused: ") + file +
            QStringLiteral(" [") + surUneLigne(section) + QStringLiteral("] ") + surUneLigne(key));
        return false;
    }
    p(20, [&] { r = ecrireUneFois(file, section, key, value); });
    if (r) return true;
    p(30, [&] {
        QString dossier;
        for (qsizetype i = file.size(); i-- > 0;) {
            if (estSeparateur(file[i])) {
                dossier = file.left(i + 1);
                break;
            }
        }
        // A bare name lives in the Windows folder, which may not exist yet here.
        if (dossier.isEmpty()) dossier = DossierWindows();
        VerificationEtCreationRepertoire(dossier, true);
    });
    p(40, [&] { r = ecrireUneFois(file, section, key, value); });
    if (r) return true;
    p(50, [&] { File_RemoveFlag(CheminIni(file), 1); });
    p(60, [&] { r = ecrireUneFois(file, section, key, value); });
    return r;
}

bool FolderFound(const QString& path, bool /*repair*/) {
    Proc p(Cle::FolderFound, Trace::None);
    bool r = false;
    if (TrimBlancs(path).isEmpty()) return false;
    const QString cle = cleDossier(path);
    if (DossiersTrouves.contains(cle)) return true;
    if (DossiersAbsents.contains(cle)) return false;
    p(10, [&] { r = dossierExiste(path); });
    if (r) {
        DossiersTrouves.insert(cle);
        return true;
    }
    p(20, [&] { VerificationEtCreationRepertoire(path, true); });
    p(30, [&] { r = dossierExiste(path); });
    if (r)
        DossiersTrouves.insert(cle);
    else
        DossiersAbsents.insert(cle);
    return r;
}

void VerificationEtCreationRepertoire(const QString& path, bool logIt) {
    QString prefixe;
    Proc p(Cle::VerificationEtCreationRepertoire, Trace::None);
    p.handler([&](int) {
        const int32_t n = DerniereErreur.Number;
        if (n != 52 && n != 75 && n != 76) return false;
        Log(QStringLiteral("Err: Folder not found: ") + prefixe);
        return true;
    });
    QString chemin;
    p(10, [&] { chemin = NettoieNomDeDossier(path); });
    if (TrimBlancs(chemin).isEmpty()) return;
    chemin = CheckRep(chemin);
    const QString cle = cleDossier(chemin);
    if (DossiersConnus.contains(cle) || cle == DernierDossierVerifie) return;

    const bool reseau = chemin.size() >= 2 && estSeparateur(chemin[0]) && estSeparateur(chemin[1]);
    bool premier = true;
    for (qsizetype i = 0; i < chemin.size(); ++i) {
        if (!estSeparateur(chemin[i])) continue;
        prefixe = chemin.left(i + 1);
        // A drive root (C:\) and the "\\" of a network path are too short; a network path's
        // first prefix is its server, which cannot be created.
        if (prefixe.size() <= 3) continue;
        if (reseau && premier) {
            premier = false;
            continue;
        }
        premier = false;
        const QString clePrefixe = cleDossier(prefixe);
        bool existe = false;
        p(20, [&] { existe = dossierExiste(prefixe); });
        if (existe) {
            DossiersConnus.insert(clePrefixe);
            continue;
        }
        // This platform has one creation call: the other two of the old code would only repeat it.
        p(30, [&] { creerDossier(prefixe); });
        p(40, [&] { existe = dossierExiste(prefixe); });
        if (existe) continue;
        if (!prefixe.contains(QLatin1Char('$')) && !DossiersEnEchec.contains(clePrefixe)) {
            if (logIt) Log(QStringLiteral("Folder '") + prefixe + QStringLiteral("' not found"));
            DossiersEnEchec.insert(clePrefixe);
            break;
        }
    }
    DernierDossierVerifie = cle;
}

int32_t AttributsFichier(const QString& file) {
    struct stat st {};
    if (::stat(QFile::encodeName(CheminReel(file)).constData(), &st) != 0) return 0;
    int32_t a = 0;
    if (!(st.st_mode & S_IWUSR)) a |= 1;
    if (QFileInfo(CheminReel(file)).fileName().startsWith(QLatin1Char('.'))) a |= 2;
    if (S_ISDIR(st.st_mode)) a |= 16;
    return a;
}

void File_RemoveFlag(const QString& file, int32_t mask) {
    Proc p(Cle::File_RemoveFlag, Trace::None);
    if (TrimBlancs(file).isEmpty()) return;
    bool existe = false;
    p(10, [&] { existe = File_Exist(file, QString::fromLatin1(Cle::File_RemoveFlag), true); });
    if (!existe) {
        Log(QStringLiteral("Warning: File_RemoveFlag: File not found: ") + file);
        return;
    }
    int32_t a = 0;
    p(20, [&] { a = AttributsFichier(file); });
    const int32_t c = a & mask & 127;
    if (c == 0 || a == 0) return;
    p(30, [&] {
        // Only the read-only bit has a meaning on this platform: it is the owner's write bit.
        if (!(c & 1)) return;
        const QByteArray nom = QFile::encodeName(CheminReel(file));
        struct stat st {};
        if (::stat(nom.constData(), &st) != 0 || ::chmod(nom.constData(), (st.st_mode & 07777) | S_IWUSR) != 0)
            Raise(75);
    });
}

void ReinitialiserMemoiresDossiers() {
    DossiersTrouves.clear();
    DossiersAbsents.clear();
    DossiersConnus.clear();
    DossiersEnEchec.clear();
    DernierDossierVerifie.clear();
}
