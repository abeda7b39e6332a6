#include "sync/query_text.h"

#include "foundation/proc.h"

QString UTF8_Encode_System(const QString& s, bool EncodePlus) {
    Proc p(Cle::UTF8_Encode_System);
    QString r;
    p(10, [&] {
        const QByteArray octets = s.toUtf8();
        r.reserve(octets.size() * 3);
        static const char* hex = "0123456789ABCDEF";
        for (const char c : octets) {
            const auto u = static_cast<unsigned char>(c);
            const bool libre = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' ||
                               u == '.' || u == '_' || u == '~' || (u == '+' && !EncodePlus);
            if (libre) {
                r += QLatin1Char(char(u));
            } else {
                r += QLatin1Char('%');
                r += QLatin1Char(hex[u >> 4]);
                r += QLatin1Char(hex[u & 15]);
            }
        }
    });
    return r;
}

ChaineRequete& ChaineRequete::ajouter(const QString& cle, const QString& valeur) {
    texte_ += texte_.isEmpty() ? QLatin1Char('?') : QLatin1Char('&');
    texte_ += cle;
    texte_ += QLatin1Char('=');
    texte_ += UTF8_Encode_System(valeur, true);
    return *this;
}

ChaineRequete& ChaineRequete::ajouter(const QString& cle, qint64 valeur) {
    return ajouter(cle, QString::number(valeur));
}
