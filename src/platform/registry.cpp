#include "platform/registry.h"

#include "platform/cp1252.h"
#include "platform/paths.h"
#include "platform/profile.h"

#include <QCoreApplication>
#include <QDir>

namespace {

QString avecSlash(QString s) {
    if (!s.isEmpty() && !s.endsWith(QLatin1Char('/'))) s += QLatin1Char('/');
    return s;
}

// "\Software\\X\" -> "Software\X": the section of a key path.
QString section(const QString& keyPath) {
    const QStringList parts = keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    return parts.join(QLatin1Char('\\'));
}

QString hex2(uint c) { return QStringLiteral("%%1").arg(c, 2, 16, QLatin1Char('0')).toUpper(); }

// A value name as a key of the file: "@" for the default value; the characters the file's
// syntax would eat are written %XX.
QString nomVersCle(const QString& name) {
    if (name.isEmpty()) return QStringLiteral("@");
    QString out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        const bool bord = i == 0 || i == name.size() - 1;
        if (c.unicode() < 0x20 || c == QLatin1Char('%') || c == QLatin1Char('=') ||
            (i == 0 && (c == QLatin1Char('[') || c == QLatin1Char(';') || c == QLatin1Char('@'))) ||
            (bord && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))))
            out += hex2(c.unicode());
        else
            out += c;
    }
    return out;
}

// Text data: "%" and control characters written %XX; the text is put between double quotes so
// that blanks at either end survive the file's trimming.
QString texteVersFichier(const QString& t) {
    QString out;
    for (QChar c : t) {
        if (c.unicode() < 0x20 || c == QLatin1Char('%'))
            out += hex2(c.unicode());
        else
            out += c;
    }
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString decoderPourcents(const QString& s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('%') && i + 2 < s.size()) {
            bool ok = false;
            const uint v = s.mid(i + 1, 2).toUInt(&ok, 16);
            if (ok) {
                out += QChar(char16_t(v));
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

QString prefixeType(int32_t type) {
    switch (type) {
        case REG_SZ:
            return QStringLiteral("sz");
        case REG_EXPAND_SZ:
            return QStringLiteral("expand_sz");
        case REG_BINARY:
            return QStringLiteral("binary");
        case REG_DWORD:
            return QStringLiteral("dword");
        default:
            return QStringLiteral("hex(%1)").arg(type);
    }
}

QString valeurVersFichier(const ValeurRegistre& v) {
    const QString pre = prefixeType(v.type) + QLatin1Char(':');
    if (v.data.isEmpty()) return pre;
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) {
        QByteArray b = v.data;
        if (b.endsWith('\0')) b.chop(1);
        return pre + texteVersFichier(FromCp1252(b));
    }
    if (v.type == REG_DWORD && v.data.size() == 4) {
        const auto* d = reinterpret_cast<const uchar*>(v.data.constData());
        const quint32 n = quint32(d[0]) | quint32(d[1]) << 8 | quint32(d[2]) << 16 | quint32(d[3]) << 24;
        return pre + QString::number(n);
    }
    return (v.type == REG_DWORD ? QStringLiteral("hex(4):") : pre) + QString::fromLatin1(v.data.toHex());
}

ValeurRegistre valeurDepuisFichier(const QString& s) {
    ValeurRegistre v;
    const qsizetype deux = s.indexOf(QLatin1Char(':'));
    const QString pre = deux < 0 ? QString() : s.left(deux).toLower();
    const QString reste = deux < 0 ? QString() : s.mid(deux + 1);
    auto texte = [&](int32_t type) {
        v.type = type;
        if (reste.isEmpty()) return;
        QString t = reste;
        if (t.size() >= 2 && t.startsWith(QLatin1Char('"')) && t.endsWith(QLatin1Char('"'))) t = t.mid(1, t.size() - 2);
        v.data = ToCp1252(decoderPourcents(t));
        v.data.append('\0');
    };
    if (pre == QLatin1String("sz")) {
        texte(REG_SZ);
    } else if (pre == QLatin1String("expand_sz")) {
        texte(REG_EXPAND_SZ);
    } else if (pre == QLatin1String("dword")) {
        v.type = REG_DWORD;
        if (!reste.isEmpty()) {
            const quint32 n = reste.trimmed().toUInt();
            v.data = QByteArray(4, '\0');
            for (int i = 0; i < 4; ++i) v.data[i] = char((n >> (8 * i)) & 0xFF);
        }
    } else if (pre == QLatin1String("binary")) {
        v.type = REG_BINARY;
        v.data = QByteArray::fromHex(reste.toLatin1());
    } else if (pre.startsWith(QLatin1String("hex(")) && pre.endsWith(QLatin1Char(')'))) {
        v.type = pre.mid(4, pre.size() - 5).toInt();
        v.data = QByteArray::fromHex(reste.toLatin1());
    } else {
        // A line written by hand without a type is a text.
        v.type = REG_SZ;
        v.data = ToCp1252(s);
        v.data.append('\0');
    }
    return v;
}

int32_t codeEchec(ProfileEchec e) {
    switch (e) {
        case ProfileEchec::Aucun:
            return RegErr::Ok;
        case ProfileEchec::Invalide:
            return RegErr::BadKey;
        default:
            return RegErr::AccessDenied;
    }
}

}  // namespace

Registre::Registre(QString dossier) : dossier_(avecSlash(std::move(dossier))) {}

QString Registre::dossierParDefaut(const QString& programFolder) {
    const QString env = qEnvironmentVariable("KIRVO_REGISTRY_DIR");
    if (!env.isEmpty()) return avecSlash(env);
    QString base = programFolder;
    if (base.isEmpty()) base = QCoreApplication::applicationDirPath();
    return avecSlash(ResoudreCasse(avecSlash(base) + QStringLiteral("Settings")));
}

QString Registre::fichier(int32_t root) const {
    if (root == HKEY_LOCAL_MACHINE) return ResoudreCasse(dossier_ + QStringLiteral("Registre_HKLM.ini"));
    if (root == HKEY_CURRENT_USER) return ResoudreCasse(dossier_ + QStringLiteral("Registre_HKCU.ini"));
    return {};
}

int32_t Registre::creerCle(int32_t root, const QString& keyPath) {
    const QString f = fichier(root);
    if (f.isEmpty()) return RegErr::InvalidHandle;
    const QString s = section(keyPath);
    if (s.isEmpty() || !ProfileNomsValides(s, QStringLiteral("@"))) return RegErr::BadKey;
    if (ProfileSectionExiste(f, s)) return RegErr::Ok;
    QDir().mkpath(dossier_);
    ProfileEchec e = ProfileEchec::Aucun;
    if (ProfileCreerSection(f, s, &e)) return RegErr::Ok;
    return codeEchec(e == ProfileEchec::Aucun ? ProfileEchec::Acces : e);
}

int32_t Registre::lireValeur(int32_t root, const QString& keyPath, const QString& name, ValeurRegistre& out) const {
    out = ValeurRegistre{};
    const QString f = fichier(root);
    if (f.isEmpty()) return RegErr::InvalidHandle;
    const QString s = section(keyPath);
    if (s.isEmpty()) return RegErr::BadKey;
    const std::optional<QString> v = ProfileValeur(f, s, nomVersCle(name), -1);
    if (!v) return RegErr::FileNotFound;
    out = valeurDepuisFichier(*v);
    return RegErr::Ok;
}

int32_t Registre::ecrireValeur(int32_t root, const QString& keyPath, const QString& name, const ValeurRegistre& v) {
    const int32_t c = creerCle(root, keyPath);
    if (c != RegErr::Ok) return c;
    ProfileEchec e = ProfileEchec::Aucun;
    if (ProfileEcrire(fichier(root), section(keyPath), nomVersCle(name), valeurVersFichier(v), &e)) return RegErr::Ok;
    return codeEchec(e == ProfileEchec::Aucun ? ProfileEchec::Acces : e);
}
