#include "foundation/system_info.h"

#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"
#include "platform/cp1252.h"
#include "platform/paths.h"
#include "platform/system_info.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cmath>

OSVERSIONINFO InfoVersionOS;
int32_t NoVersionWindows = 0;
bool bWindows64 = false;
QString VersionFichierProduit;

namespace {

// The root a registry call works on: root 0 follows the platform identifier.
int32_t racine(int32_t root) {
    if (root != 0) return root;
    if (InfoVersionOS.dwPlatformId == 1) return HKEY_LOCAL_MACHINE;
    if (InfoVersionOS.dwPlatformId == 2) return HKEY_CURRENT_USER;
    return 0;
}

Registre registre() { return Registre(Registre::dossierParDefaut(DossierApplication)); }

// The leading number of a text as the old conversion read it: blanks skipped, a sign, digits,
// a decimal point; 0 when the text does not start with a number.
double valeurEnTete(const QString& text) {
    QString s;
    bool point = false, chiffre = false;
    for (QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) continue;
        if (s.isEmpty() && !chiffre && (c == QLatin1Char('-') || c == QLatin1Char('+'))) {
            s += c;
        } else if (c.isDigit() && c.unicode() < 128) {
            s += c;
            chiffre = true;
        } else if (c == QLatin1Char('.') && !point) {
            s += c;
            point = true;
        } else {
            break;
        }
    }
    bool ok = false;
    const double v = s.toDouble(&ok);
    return ok ? v : 0.0;
}

QString quatreChiffres(int32_t v) {
    const QString s = QStringLiteral("0000") + QString::number(v);
    return s.right(4);
}

QString sansFinSlash(QString s) {
    while (s.size() > 1 && s.endsWith(QLatin1Char('/'))) s.chop(1);
    return s;
}

}  // namespace

bool GetVersionEx(OSVERSIONINFO& info) {
    DescriptionSysteme d;
    if (!LireDescriptionSysteme(d)) return false;
    info.dwOSVersionInfoSize = 148;
    info.dwMajorVersion = d.majeur;
    info.dwMinorVersion = d.mineur;
    info.dwBuildNumber = d.revision;
    info.dwPlatformId = 2;
    info.szCSDVersion.clear();
    return true;
}

QDateTime MomentDeVersion(int32_t major, int32_t minor, int32_t revision, const QString& fileDescription) {
    if (major >= 2000) {
        const QString mmdd = quatreChiffres(minor);
        const QString hhmm = quatreChiffres(revision);
        // Out-of-range parts carry: day 0 is the last day of the month before, month 13 January.
        const QDate d = QDate(major, 1, 1).addMonths(mmdd.left(2).toInt() - 1).addDays(mmdd.mid(2, 2).toInt() - 1);
        return QDateTime(d, QTime(0, 0))
            .addSecs(qint64(hhmm.left(2).toInt()) * 3600 + qint64(hhmm.mid(2, 2).toInt()) * 60);
    }
    const QString t = TrimBlancs(fileDescription);
    if (!t.isEmpty()) {
        static const char* const formats[] = {
            "dd/MM/yyyy HH:mm:ss", "dd/MM/yyyy HH:mm", "dd/MM/yyyy", "yyyy-MM-dd HH:mm:ss",
            "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd", "d/M/yyyy"};
        for (const char* f : formats) {
            const QDateTime dt = QDateTime::fromString(t, QString::fromLatin1(f));
            if (dt.isValid()) return dt;
        }
    }
    return QDateTime(QDate(2000, 1, 1), QTime(0, 0));
}

QString TexteVersion(const QDateTime& m) {
    const QDate d = m.date();
    const QTime t = m.time();
    auto z = [](int v, int w) { return QStringLiteral("%1").arg(v, w, 10, QLatin1Char('0')); };
    return z(d.year(), 4) + QLatin1Char('.') + z(d.month(), 2) + z(d.day(), 2) + QLatin1Char('.') + z(t.hour(), 2) +
           z(t.minute(), 2);
}

QDateTime DateApplication() {
    Proc p(Cle::DateApplication);
    QDateTime moment(QDate(2000, 1, 1), QTime(0, 0));
    p(10, [&] {
        // The stamp is "YYYY.MMDD.HHMM": the three version numbers of the build.
        const QStringList n = VersionConstruction().split(QLatin1Char('.'));
        if (n.size() != 3) Raise(13);
        moment = MomentDeVersion(n[0].toInt(), n[1].toInt(), n[2].toInt());
    });
    return moment;
}

QString VersionApplication() {
    Proc p(Cle::VersionApplication, Trace::None);
    QString texte;
    p(10, [&] { texte = TexteVersion(DateApplication()); });
    return texte;
}

void VersionFichier(const QString& path) {
    Proc p(Cle::VersionFichier, Trace::None);
    VersionFichierProduit.clear();
    p(10, [&] {
        const QFileInfo fi(CheminReel(path));
        if (!fi.isFile()) return;
        static const QRegularExpression re(QStringLiteral("\\.so\\.(\\d+)\\.(\\d+)(?:\\.(\\d+))?$"));
        const QRegularExpressionMatch m = re.match(fi.fileName());
        if (!m.hasMatch()) return;
        const QString fill = QStringLiteral("0");
        VersionFichierProduit = N2S(m.captured(1).toDouble(), 2, 0, fill) + QLatin1Char('.') +
                                N2S(m.captured(2).toDouble(), 2, 0, fill) + QLatin1Char('.') +
                                N2S(m.captured(3).toDouble(), 3, 0, fill);
    });
}

int32_t LOWORD(int32_t v) { return int32_t(uint32_t(v) & 0xFFFFu); }
int32_t HIWORD(int32_t v) { return int32_t(uint32_t(v) >> 16); }

QString GetWinDir() {
    Proc p(Cle::GetWinDir, Trace::None);
    QString d;
    p(10, [&] { d = sansFinSlash(DossierWindows()); });
    return d;
}

QString GetWinSysDir() {
    Proc p(Cle::GetWinSysDir, Trace::None);
    QString d;
    p(10, [&] { d = ResoudreCasse(CheckRep(DossierWindows()) + QStringLiteral("System32")); });
    return d;
}

QString GetSpecialFolderLocation(int32_t csidl) {
    Proc p(Cle::GetSpecialFolderLocation, Trace::None);
    QString d;
    p(10, [&] {
        switch (csidl) {
            case Csidl::Desktop:
                d = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
                break;
            case Csidl::Personal:
                d = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
                break;
            // Programs started with the session: the XDG autostart folder.
            case Csidl::Startup:
                d = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                    QStringLiteral("/autostart");
                break;
            case Csidl::AppData:
                d = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
                break;
            case Csidl::LocalAppData:
                d = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
                break;
            default:
                break;
        }
        d = sansFinSlash(d);
    });
    return d;
}

QString ComputerName() {
    Proc p(Cle::ComputerName, Trace::None);
    QString n;
    // The machine's own name, without a domain: what the suite's network paths name it by.
    p(10, [&] { n = NomMachine().section(QLatin1Char('.'), 0, 0); });
    return n;
}

QString TexteSysteme(const DescriptionSysteme& d) {
    QString t = QStringLiteral("Linux ") + d.nomComplet + QLatin1Char(' ');
    t += d.bits64 ? QStringLiteral(", 64-bit") : QStringLiteral(", 32-bit");
    // The blank before the service-pack text stays, as there is none here.
    t += QLatin1Char(' ');
    t += QStringLiteral(" (build ") + d.noyau + QLatin1Char(')');
    return t;
}

QString GetOSDisplayString() {
    Proc p(Cle::GetOSDisplayString, Trace::None);
    QString texte;
    p(10, [&] {
        DescriptionSysteme d;
        if (!LireDescriptionSysteme(d)) return;
        texte = TexteSysteme(d);
        NoVersionWindows = 10;
        if (d.bits64) bWindows64 = true;
    });
    return texte;
}

int32_t Reg_GetValue(int32_t root, const QString& keyPath, const QString& valueName, QString& value) {
    Proc p(Cle::Reg_GetValue, Trace::None);
    value.clear();
    int32_t r = RegErr::Ok;
    if (keyPath.isEmpty()) return RegErr::BadKey;
    Registre reg = registre();
    const int32_t rac = racine(root);
    p(10, [&] { r = reg.creerCle(rac, keyPath); });
    if (r != RegErr::Ok) return r;
    p(20, [&] {
        ValeurRegistre v;
        if (reg.lireValeur(rac, keyPath, valueName, v) != RegErr::Ok) return;
        if (v.data.size() < 2) return;
        switch (v.type) {
            case REG_SZ:
            case REG_EXPAND_SZ: {
                QByteArray b = v.data;
                if (b.endsWith('\0')) b.chop(1);
                value = FromCp1252(b);
                break;
            }
            case REG_DWORD: {
                if (v.data.size() > 4) {
                    r = RegErr::MoreData;
                    return;
                }
                uint32_t n = 0;
                for (int i = 0; i < v.data.size(); ++i) n |= uint32_t(uchar(v.data[i])) << (8 * i);
                value = QString::number(int32_t(n));
                break;
            }
            default:
                r = RegErr::MoreData;
                break;
        }
    });
    return r;
}

int32_t Reg_SetValue(int32_t root, const QString& keyPath, const QString& valueName, const QString& value,
                     int32_t type) {
    Proc p(Cle::Reg_SetValue, Trace::None);
    int32_t r = RegErr::Ok;
    if (keyPath.isEmpty() || valueName.isEmpty()) return RegErr::BadKey;
    Registre reg = registre();
    const int32_t rac = racine(root);
    p(10, [&] { r = reg.creerCle(rac, keyPath); });
    if (r != RegErr::Ok) return r;
    p(20, [&] {
        ValeurRegistre v;
        if (type == REG_DWORD) {
            v.type = REG_DWORD;
            if (!value.isEmpty()) {
                const double n = std::nearbyint(valeurEnTete(value));
                // A number a 32-bit value cannot hold is refused rather than stored wrong.
                if (n < -2147483648.0 || n > 4294967295.0) {
                    r = RegErr::InvalidParameter;
                    return;
                }
                const uint32_t u = n < 0 ? uint32_t(int32_t(n)) : uint32_t(n);
                v.data = QByteArray(4, '\0');
                for (int i = 0; i < 4; ++i) v.data[i] = char((u >> (8 * i)) & 0xFF);
            }
        } else {
            v.type = REG_SZ;
            if (!value.isEmpty()) {
                v.data = ToCp1252(value);
                v.data.append('\0');
            }
        }
        r = reg.ecrireValeur(rac, keyPath, valueName, v);
    });
    return r;
}

void ReinitialiserInfoSysteme() {
    InfoVersionOS = OSVERSIONINFO{};
    NoVersionWindows = 0;
    bWindows64 = false;
    VersionFichierProduit.clear();
}
