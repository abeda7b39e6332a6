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
        // UNC name: //server/share/rest
        return RacineLecteurs() + QStringLiteral("unc/") + p.mid(2);
    }
    if (p.size() >= 2 && p[1] == QLatin1Char(':') && p[0].isLetter() && p[0].unicode() < 128) {
        const QChar lettre = p[0].toLower();
        QString reste = p.mid(2);
        while (reste.startsWith(QLatin1Char('/'))) reste.remove(0, 1);
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
                const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
                for (const QString& e : entries)
                    if (e.compare(part, Qt::CaseInsensitive) == 0) { match = e; break; }
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
