#include "platform/xls_reader.h"

#include "platform/clock.h"
#include "platform/cp1252.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <freexl.h>
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

QString texteCellule(const FreeXL_CellValue& v) {
    switch (v.type) {
    case FREEXL_CELL_INT:
        return QString::number(v.value.int_value);
    case FREEXL_CELL_DOUBLE:
        // The shortest text that gives the number back: 5 reads "5", 12.5 "12.5".
        return QString::number(v.value.double_value, 'g', 15);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return v.value.text_value ? QString::fromUtf8(v.value.text_value) : QString();
    default:
        return QString();
    }
}

QString libelleErreur(int rc) {
    switch (rc) {
    case FREEXL_FILE_NOT_FOUND: return QStringLiteral("fichier introuvable");
    case FREEXL_INSUFFICIENT_MEMORY: return QStringLiteral("mémoire insuffisante");
    case FREEXL_BIFF_ILLEGAL_SHEET_INDEX: return QStringLiteral("feuille inexistante");
    case FREEXL_CRAFTED_FILE: return QStringLiteral("fichier endommagé");
    default: return QStringLiteral("format non reconnu (") + QString::number(rc) + QLatin1Char(')');
    }
}

}  // namespace

QStringList FichiersVerrouBureautique(const QString& chemin) {
    const QFileInfo fi(chemin);
    const QString dossier = fi.path() + QLatin1Char('/');
    return {dossier + QStringLiteral("~$") + fi.fileName(),
            dossier + QStringLiteral(".~lock.") + fi.fileName() + QLatin1Char('#')};
}

int TesterClasseur(const QString& chemin) {
    const QFileInfo fi(chemin);
    if (!fi.isFile()) return TestClasseur::PasUnClasseur;
    for (const QString& verrou : FichiersVerrouBureautique(chemin))
        if (QFileInfo::exists(verrou)) return TestClasseur::EnCoursUtilisation;

    const QByteArray local = QFile::encodeName(chemin);
    const int fd = ::open(local.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return (errno == ENOENT || errno == ENOTDIR) ? TestClasseur::PasUnClasseur
                                                             : TestClasseur::EnCoursUtilisation;
    const bool verrouille = verrouilleParAutre(fd);
    ::close(fd);
    if (verrouille) return TestClasseur::EnCoursUtilisation;

    const void* h = nullptr;
    const int rc = freexl_open_info(local.constData(), &h);
    unsigned int feuilles = 0;
    const bool lisible = rc == FREEXL_OK && freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &feuilles) == FREEXL_OK &&
                         feuilles > 0;
    freexl_close(h);
    return lisible ? TestClasseur::Lisible : TestClasseur::PasUnClasseur;
}

ClasseurXls::~ClasseurXls() {
    if (handle_) freexl_close(handle_);
}

void ClasseurXls::journal(const QString& ligne) {
    if (fichierLog_.isEmpty()) return;
    QFile f(fichierLog_);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    const QString horodatage = HorlogeSysteme().now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    f.write(ToCp1252(horodatage + QLatin1Char(' ') + ligne + QStringLiteral("\r\n")));
}

std::unique_ptr<ClasseurXls> ClasseurXls::ouvrir(const QString& chemin, const QString& fichierLog, bool remplacerLog,
                                                 QString* erreur) {
    std::unique_ptr<ClasseurXls> c(new ClasseurXls);
    c->chemin_ = chemin;
    c->fichierLog_ = fichierLog;
    if (remplacerLog && !fichierLog.isEmpty()) QFile::remove(fichierLog);
    c->journal(QStringLiteral("Classeur: ") + chemin);

    const QByteArray local = QFile::encodeName(chemin);
    const void* h = nullptr;
    int rc = freexl_open(local.constData(), &h);
    unsigned int nb = 0;
    if (rc == FREEXL_OK) rc = freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &nb);
    if (rc != FREEXL_OK || nb == 0) {
        if (h) freexl_close(h);
        const QString raison = rc != FREEXL_OK ? libelleErreur(rc) : QStringLiteral("aucune feuille");
        c->journal(QStringLiteral("Erreur: ") + raison);
        if (erreur) *erreur = raison;
        return nullptr;
    }
    c->handle_ = h;
    for (unsigned int i = 0; i < nb; ++i) {
        const char* nom = nullptr;
        QString n;
        if (freexl_get_worksheet_name(h, uint16_t(i), &nom) == FREEXL_OK && nom) n = QString::fromUtf8(nom);
        c->feuilles_ << n;
    }
    c->journal(QStringLiteral("Feuilles: ") + QString::number(nb) + QStringLiteral(" (") +
               c->feuilles_.join(QStringLiteral(", ")) + QLatin1Char(')'));
    return c;
}

bool ClasseurXls::lireFeuille(int index, std::vector<QStringList>& lignes, QString* erreur) {
    lignes.clear();
    const auto echec = [&](int rc) {
        const QString raison = libelleErreur(rc);
        journal(QStringLiteral("Feuille ") + QString::number(index) + QStringLiteral(": Erreur: ") + raison);
        if (erreur) *erreur = raison;
        lignes.clear();
        return false;
    };
    if (index < 0 || index >= feuilles_.size()) return echec(FREEXL_BIFF_ILLEGAL_SHEET_INDEX);
    int rc = freexl_select_active_worksheet(handle_, uint16_t(index));
    if (rc != FREEXL_OK) return echec(rc);
    unsigned int nbLignes = 0;
    unsigned short nbColonnes = 0;
    rc = freexl_worksheet_dimensions(handle_, &nbLignes, &nbColonnes);
    if (rc != FREEXL_OK) return echec(rc);
    lignes.reserve(nbLignes);
    for (unsigned int r = 0; r < nbLignes; ++r) {
        QStringList ligne;
        ligne.reserve(nbColonnes);
        for (unsigned short col = 0; col < nbColonnes; ++col) {
            FreeXL_CellValue v{};
            rc = freexl_get_cell_value(handle_, r, col, &v);
            if (rc != FREEXL_OK) return echec(rc);
            ligne << texteCellule(v);
        }
        lignes.push_back(std::move(ligne));
    }
    journal(QStringLiteral("Feuille ") + QString::number(index) + QStringLiteral(" (") + feuilles_.value(index) +
            QStringLiteral("): ") + QString::number(nbLignes) + QStringLiteral(" lignes, ") +
            QString::number(nbColonnes) + QStringLiteral(" colonnes"));
    return true;
}
