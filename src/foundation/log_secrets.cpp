#include "foundation/log_secrets.h"

namespace {

QStringList& cles() {
    static QStringList l;
    return l;
}

// A query value ends at the next pair, blank or quote; a value between tags at the next tag.
bool finValeurRequete(QChar c) {
    return c == QLatin1Char('&') || c == QLatin1Char(' ') || c == QLatin1Char('"') || c == QLatin1Char('\'') ||
           c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('\r') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\t');
}

// Every value that follows the opening text up to its end is replaced by "***".
void masquer(QString& t, const QString& ouverture, bool balise) {
    qsizetype i = 0;
    while ((i = t.indexOf(ouverture, i, Qt::CaseInsensitive)) >= 0) {
        const qsizetype debut = i + ouverture.size();
        qsizetype fin = debut;
        if (balise) {
            fin = t.indexOf(QLatin1Char('<'), debut);
            if (fin < 0) fin = t.size();
        } else {
            while (fin < t.size() && !finValeurRequete(t.at(fin))) ++fin;
        }
        t.replace(debut, fin - debut, QStringLiteral("***"));
        i = debut + 3;
    }
}

}  // namespace

void DeclarerCleSecrete(const QString& cle) {
    if (!cle.isEmpty() && !cles().contains(cle, Qt::CaseInsensitive)) cles() << cle;
}

QStringList ClesSecretes() { return cles(); }

QString MasquerSecrets(const QString& texte) {
    QString t = texte;
    for (const QString& cle : cles()) {
        if (!t.contains(cle, Qt::CaseInsensitive)) continue;
        masquer(t, cle + QLatin1Char('='), false);
        masquer(t, QLatin1Char('<') + cle + QLatin1Char('>'), true);
    }
    return t;
}
