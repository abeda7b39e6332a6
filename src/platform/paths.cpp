#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

QString& racineForcee() {
    static QString r;
    return r;
}

QString avecSlash(QString s) {
    if (!s.endsWith(QLatin1Char('/'))) s += QLatin1Char('/');
    return s;
}

// The part of a Windows path below its drive or share, "." and ".." worked out the way Windows
// does: nothing climbs above the root ("C:\..\x" is "C:\x"), so no configured path can leave the
// folder its drive is mapped to. Doubled separators count once; a final "/" stays.
QString sousRacine(const QString& reste) {
    QStringList garde;
    const QStringList parts = reste.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part == QLatin1String(".")) continue;
        if (part == QLatin1String("..")) {
            if (!garde.isEmpty()) garde.removeLast();
            continue;
        }
        garde.append(part);
    }
    QString r = garde.join(QLatin1Char('/'));
    if (!r.isEmpty() &&
        (reste.endsWith(QLatin1Char('/')) || parts.last() == QLatin1String(".") || parts.last() == QLatin1String("..")))
        r += QLatin1Char('/');
    return r;
}

}  // namespace

void SetRacineLecteurs(const QString& root) { racineForcee() = root; }

QString RacineLecteurs() {
    if (!racineForcee().isEmpty()) return avecSlash(racineForcee());
    const QString env = qEnvironmentVariable("KIRVO_DRIVES_ROOT");
    return env.isEmpty() ? QStringLiteral("/") : avecSlash(env);
}

QString CheminLocal(const QString& path) {
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (p.startsWith(QStringLiteral("//"))) {
        // UNC name: //server/share/rest; the server and its share are the root. "." and ".."
        // name no server or share: they are dropped so that nothing climbs out of unc/.
        QStringList parts = p.mid(2).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        while (!parts.isEmpty() && (parts.first() == QLatin1String(".") || parts.first() == QLatin1String("..")))
            parts.removeFirst();
        while (parts.size() > 1 && (parts[1] == QLatin1String(".") || parts[1] == QLatin1String("..")))
            parts.removeAt(1);
        QString r = RacineLecteurs() + QStringLiteral("unc/") + parts.mid(0, 2).join(QLatin1Char('/'));
        if (parts.size() > 2)
            r += QLatin1Char('/') + sousRacine(parts.mid(2).join(QLatin1Char('/')) +
                                               (p.endsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString()));
        else if (!parts.isEmpty() && p.endsWith(QLatin1Char('/')))
            r += QLatin1Char('/');
        return r;
    }
    if (p.size() >= 2 && p[1] == QLatin1Char(':') && p[0].isLetter() && p[0].unicode() < 128) {
        const QChar lettre = p[0].toLower();
        const QString reste = sousRacine(p.mid(2));
        const QString env = qEnvironmentVariable(("KIRVO_DRIVE_" + QString(lettre.toUpper())).toLatin1().constData());
        const QString base = env.isEmpty() ? RacineLecteurs() + lettre + QLatin1Char('/') : avecSlash(env);
        return base + reste;
    }
    return p;
}

QString ResoudreCasse(const QString& path) {
    if (path.isEmpty() || QFileInfo::exists(path)) return path;
    const bool absolu = path.startsWith(QLatin1Char('/'));
    const bool finSlash = path.endsWith(QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString courant = absolu ? QStringLiteral("/") : QString();
    bool trouve = true;
    for (const QString& part : parts) {
        const QString direct = courant + part;
        if (trouve && !QFileInfo::exists(direct)) {
            QDir dir(courant.isEmpty() ? QStringLiteral(".") : courant);
            QString match;
            if (part != QLatin1String(".") && part != QLatin1String("..")) {
                const QStringList entries =
                    dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
                for (const QString& e : entries)
                    if (e.compare(part, Qt::CaseInsensitive) == 0) {
                        match = e;
                        break;
                    }
            }
            if (match.isEmpty()) {
                trouve = false;
                courant = direct;
            } else {
                courant += match;
            }
        } else {
            courant = direct;
        }
        courant += QLatin1Char('/');
    }
    if (!finSlash && courant.endsWith(QLatin1Char('/'))) courant.chop(1);
    return courant;
}
