#pragma once
// Texts placed in a request's query.
//
// Every query value is percent-encoded: its UTF-8 bytes, each byte outside the unreserved
// characters (A-Z a-z 0-9 - . _ ~) written %XX. So "&", "=", "#", "%", blanks and accented letters
// reach the web service intact, and "+" arrives as "%2B" as it always has.
#include <QString>

namespace Cle {
inline constexpr const char* UTF8_Encode_System = "Lib_Kirvo:UTF8_Encode_System";
}  // namespace Cle

// The query form of a record's text. EncodePlus false leaves "+" as it is (no caller does that).
QString UTF8_Encode_System(const QString& s, bool EncodePlus = true);

// A query string built key by key: "?" before the first key, "&" before the others, each value
// encoded as above. Keys are the program's own and go as they are.
class ChaineRequete {
public:
    ChaineRequete& ajouter(const QString& cle, const QString& valeur);
    ChaineRequete& ajouter(const QString& cle, qint64 valeur);
    const QString& texte() const { return texte_; }
    operator const QString&() const { return texte_; }

private:
    QString texte_;
};
