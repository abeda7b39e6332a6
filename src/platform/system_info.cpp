#include "platform/system_info.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <QTextStream>

#include <climits>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

QString& fichierPartagesForce() {
    static QString f;
    return f;
}

QString sansGuillemets(QString v) {
    v = v.trimmed();
    if (v.size() >= 2 && ((v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"'))) ||
                          (v.startsWith(QLatin1Char('\'')) && v.endsWith(QLatin1Char('\'')))))
        v = v.mid(1, v.size() - 2);
    return v;
}

bool vrai(const QString& v) {
    const QString s = v.trimmed().toLower();
    return s == QLatin1String("yes") || s == QLatin1String("true") || s == QLatin1String("1") ||
           s == QLatin1String("on");
}

}  // namespace

namespace {
QString& versionDefinie() {
    static QString v;
    return v;
}
}  // namespace

void DefinirVersionConstruction(const char* stamp) { versionDefinie() = QString::fromLatin1(stamp); }

QString VersionConstruction() {
    if (!versionDefinie().isEmpty()) return versionDefinie();
    // Without a stamp (tests, utilities): the moment the running executable was linked.
    const QDateTime m = QFileInfo(QStringLiteral("/proc/self/exe")).lastModified();
    return (m.isValid() ? m : QDateTime(QDate(2000, 1, 1), QTime(0, 0))).toString(QStringLiteral("yyyy.MMdd.HHmm"));
}

bool LireDescriptionSysteme(DescriptionSysteme& d, const QString& osRelease) {
    struct utsname u {};
    if (::uname(&u) != 0) return false;
    d.noyau = QString::fromLocal8Bit(u.release);
    d.machine = QString::fromLocal8Bit(u.machine);
    d.bits64 = sizeof(void*) == 8 || d.machine.contains(QLatin1String("64"));
    const QStringList nums = d.noyau.split(QRegularExpression(QStringLiteral("[^0-9]+")), Qt::SkipEmptyParts);
    d.majeur = nums.size() > 0 ? nums[0].toInt() : 0;
    d.mineur = nums.size() > 1 ? nums[1].toInt() : 0;
    d.revision = nums.size() > 2 ? nums[2].toInt() : 0;

    QStringList fichiers;
    if (osRelease.isEmpty())
        fichiers << QStringLiteral("/etc/os-release") << QStringLiteral("/usr/lib/os-release");
    else
        fichiers << osRelease;
    d.nom.clear();
    d.nomComplet.clear();
    d.version.clear();
    for (const QString& f : fichiers) {
        QFile in(f);
        if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
        QTextStream ts(&in);
        while (!ts.atEnd()) {
            const QString l = ts.readLine().trimmed();
            if (l.startsWith(QLatin1Char('#'))) continue;
            const qsizetype eq = l.indexOf(QLatin1Char('='));
            if (eq <= 0) continue;
            const QString k = l.left(eq);
            const QString v = sansGuillemets(l.mid(eq + 1));
            if (k == QLatin1String("NAME"))
                d.nom = v;
            else if (k == QLatin1String("PRETTY_NAME"))
                d.nomComplet = v;
            else if (k == QLatin1String("VERSION_ID"))
                d.version = v;
        }
        break;
    }
    if (d.nom.isEmpty()) d.nom = QString::fromLocal8Bit(u.sysname);
    if (d.nomComplet.isEmpty()) d.nomComplet = d.nom;
    return true;
}

QString NomMachine() {
    char buf[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return {};
    return QString::fromLocal8Bit(buf);
}

QString PremiereAdresseIPv4() {
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : interfaces) {
        const auto f = i.flags();
        if (!(f & QNetworkInterface::IsUp) || !(f & QNetworkInterface::IsRunning) ||
            (f & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& e : i.addressEntries()) {
            const QHostAddress a = e.ip();
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) return a.toString();
        }
    }
    return {};
}

void SetFichierPartages(const QString& path) { fichierPartagesForce() = path; }

QString FichierPartages() {
    if (!fichierPartagesForce().isEmpty()) return fichierPartagesForce();
    const QString env = qEnvironmentVariable("KIRVO_SMB_CONF");
    return env.isEmpty() ? QStringLiteral("/etc/samba/smb.conf") : env;
}

QList<PartageSamba> PartagesSamba() { return LirePartagesSamba(FichierPartages()); }

QList<PartageSamba> LirePartagesSamba(const QString& smbConf) {
    QList<PartageSamba> out;
    QFile in(smbConf);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) return out;
    QTextStream ts(&in);

    struct Section {
        QString nom;
        QString chemin, commentaire;
        bool impression = false, disponible = true, aChemin = false;
    };
    QList<Section> sections;
    auto terminer = [&](Section& s) {
        const QString n = s.nom.toLower();
        if (n.isEmpty() || n == QLatin1String("global") || n == QLatin1String("homes") ||
            n == QLatin1String("printers"))
            return;
        if (!s.aChemin || s.chemin.isEmpty() || !s.disponible) return;
        PartageSamba p;
        p.nom = s.nom;
        p.chemin = s.chemin;
        p.commentaire = s.commentaire;
        p.impression = s.impression;
        out << p;
    };
    Section courante;
    while (!ts.atEnd()) {
        QString l = ts.readLine();
        // A final backslash continues the line; the next line's indent is not part of the value.
        while (l.endsWith(QLatin1Char('\\')) && !ts.atEnd()) {
            l.chop(1);
            QString suite = ts.readLine();
            qsizetype i = 0;
            while (i < suite.size() && (suite[i] == QLatin1Char(' ') || suite[i] == QLatin1Char('\t'))) ++i;
            l += suite.mid(i);
        }
        l = l.trimmed();
        if (l.isEmpty() || l.startsWith(QLatin1Char('#')) || l.startsWith(QLatin1Char(';'))) continue;
        if (l.startsWith(QLatin1Char('['))) {
            terminer(courante);
            courante = Section{};
            const qsizetype fin = l.indexOf(QLatin1Char(']'));
            courante.nom = (fin < 0 ? l.mid(1) : l.mid(1, fin - 1)).trimmed();
            continue;
        }
        const qsizetype eq = l.indexOf(QLatin1Char('='));
        if (eq <= 0) continue;
        // Parameter names ignore case, blanks and underscores ("read only" = "readonly").
        QString k = l.left(eq).toLower();
        k.remove(QLatin1Char(' '));
        k.remove(QLatin1Char('_'));
        k.remove(QLatin1Char('\t'));
        const QString v = sansGuillemets(l.mid(eq + 1));
        if (k == QLatin1String("path") || k == QLatin1String("directory")) {
            courante.chemin = v;
            courante.aChemin = true;
        } else if (k == QLatin1String("comment")) {
            courante.commentaire = v;
        } else if (k == QLatin1String("printable") || k == QLatin1String("printok")) {
            courante.impression = vrai(v);
        } else if (k == QLatin1String("available")) {
            courante.disponible = vrai(v);
        }
    }
    terminer(courante);
    return out;
}

bool OctetsLibres(const QString& path, uint64_t& bytes) {
    bytes = 0;
    if (path.isEmpty()) return false;
    // The nearest existing folder holds the answer for a path not created yet.
    QString p = path;
    while (!p.isEmpty() && !QFileInfo::exists(p)) {
        const qsizetype i = p.lastIndexOf(QLatin1Char('/'), p.endsWith(QLatin1Char('/')) ? -2 : -1);
        if (i < 0) return false;
        p = i == 0 ? QStringLiteral("/") : p.left(i);
    }
    struct statvfs s {};
    if (::statvfs(QFile::encodeName(p).constData(), &s) != 0) return false;
    bytes = uint64_t(s.f_bavail) * uint64_t(s.f_frsize);
    return true;
}
