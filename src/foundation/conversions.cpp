#include "foundation/conversions.h"

#include "foundation/globals.h"
#include "foundation/proc.h"
#include "platform/clock.h"
#include "platform/cp1252.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

RepFicExtInfo RepFicExt;

namespace {

constexpr double kLongMax = 2147483647.0;
const QChar kBlanc = QLatin1Char(' ');

bool estSeparateur(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); }

// The value as the error key shows it: up to 15 significant digits, "1E+20" beyond.
QString texteValeur(double v) {
    QString s = QString::number(v, 'g', 15);
    s.replace(QLatin1Char('e'), QLatin1Char('E'));
    return s;
}

// Nearest integer, halves to the even neighbour, as a 16-bit integer (overflow: error 6).
int16_t arrondiEntier16(double v) {
    const double r = std::nearbyint(v);
    if (!(r >= -32768.0 && r <= 32767.0)) Raise(6);
    return int16_t(r);
}

// --- French names, whatever the system's settings ---

const std::array<const char16_t*, 7> kJours = {u"dimanche", u"lundi",    u"mardi", u"mercredi",
                                               u"jeudi",    u"vendredi", u"samedi"};
const std::array<const char16_t*, 7> kJoursCourts = {u"dim.", u"lun.", u"mar.", u"mer.", u"jeu.", u"ven.", u"sam."};
const std::array<const char16_t*, 12> kMois = {u"janvier",   u"février", u"mars",     u"avril",
                                               u"mai",       u"juin",    u"juillet",  u"août",
                                               u"septembre", u"octobre", u"novembre", u"décembre"};
const std::array<const char16_t*, 12> kMoisCourts = {u"janv.", u"févr.", u"mars",  u"avr.", u"mai",  u"juin",
                                                     u"juil.", u"août",  u"sept.", u"oct.", u"nov.", u"déc."};

// Day of the week with Sunday as 0.
int jourSemaine(const QDate& d) { return d.dayOfWeek() % 7; }

QString deux(int n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); }

// The pattern language of the old date formatting: d, dd, ddd, dddd, ddddd (short date),
// dddddd (long date), w, ww, m, mm (minutes after an hour token or before a seconds token),
// mmm, mmmm, q, y (day of the year), yy, yyyy, h, hh, n, nn, s, ss, ttttt (time), c (general
// date), AM/PM, A/P, AMPM, "quoted" and \escaped literals.
class Formateur {
public:
    explicit Formateur(const QDateTime& dt) : date_(dt.date()), heure_(dt.time()) {}

    QString format(const QString& motif) {
        const QString nomme = motifNomme(TrimBlancs(motif));
        const QString m = nomme.isNull() ? motif : nomme;
        analyser(m);
        QString out;
        for (size_t i = 0; i < jetons_.size(); ++i) out += rendre(i);
        return out;
    }

private:
    enum class Sorte {
        Litteral,
        Jour,
        JourSemaine,
        Semaine,
        Mois,
        Trimestre,
        Annee,
        JourAnnee,
        Heure,
        Minute,
        Seconde,
        DateCourte,
        DateLongue,
        HeureLongue,
        DateGenerale,
        AmPm,
        AP,
        AmPmSysteme
    };
    struct Jeton {
        Sorte sorte;
        int n = 0;
        QString texte;
        QString casse;  // AM/PM tokens keep the letter case of the pattern
    };

    static QString motifNomme(const QString& t) {
        auto is = [&](const char* nom) { return t.compare(QLatin1String(nom), Qt::CaseInsensitive) == 0; };
        if (is("Long Date")) return QStringLiteral("dddd d mmmm yyyy");
        if (is("Medium Date")) return QStringLiteral("dd-mmm-yy");
        if (is("Short Date")) return QStringLiteral("dd/mm/yyyy");
        if (is("Long Time")) return QStringLiteral("hh:nn:ss");
        if (is("Medium Time")) return QStringLiteral("hh:nn AM/PM");
        if (is("Short Time")) return QStringLiteral("hh:nn");
        if (is("General Date")) return QStringLiteral("c");
        return QString();
    }

    void litteral(QChar c) {
        if (!jetons_.empty() && jetons_.back().sorte == Sorte::Litteral)
            jetons_.back().texte += c;
        else
            jetons_.push_back({Sorte::Litteral, 0, QString(c), {}});
    }

    void analyser(const QString& m) {
        const qsizetype n = m.size();
        qsizetype i = 0;
        auto run = [&](QChar lettre) {
            qsizetype k = i;
            while (k < n && m[k].toLower() == lettre) ++k;
            return int(k - i);
        };
        while (i < n) {
            const QChar c = m[i];
            const QChar l = c.toLower();
            if (c == QLatin1Char('"')) {
                qsizetype k = i + 1;
                while (k < n && m[k] != QLatin1Char('"')) litteral(m[k++]);
                i = k + 1;
                continue;
            }
            if (c == QLatin1Char('\\')) {
                if (i + 1 < n) litteral(m[i + 1]);
                i += 2;
                continue;
            }
            if (l == QLatin1Char('a')) {
                const QString reste = m.mid(i);
                auto debut = [&](const char* t) { return reste.startsWith(QLatin1String(t), Qt::CaseInsensitive); };
                if (debut("am/pm")) {
                    jetons_.push_back({Sorte::AmPm, 0, {}, m.mid(i, 5)});
                    i += 5;
                    ampm_ = true;
                    continue;
                }
                if (debut("a/p")) {
                    jetons_.push_back({Sorte::AP, 0, {}, m.mid(i, 3)});
                    i += 3;
                    ampm_ = true;
                    continue;
                }
                if (debut("ampm")) {
                    jetons_.push_back({Sorte::AmPmSysteme, 0, {}, {}});
                    i += 4;
                    ampm_ = true;
                    continue;
                }
                litteral(c);
                ++i;
                continue;
            }
            int r = 0;
            Sorte s = Sorte::Litteral;
            if (l == QLatin1Char('d')) {
                r = std::min(run(l), 6);
                s = r == 6 ? Sorte::DateLongue : r == 5 ? Sorte::DateCourte : Sorte::Jour;
            } else if (l == QLatin1Char('w')) {
                r = std::min(run(l), 2);
                s = r == 2 ? Sorte::Semaine : Sorte::JourSemaine;
            } else if (l == QLatin1Char('m')) {
                r = std::min(run(l), 4);
                s = Sorte::Mois;
            } else if (l == QLatin1Char('q')) {
                r = 1;
                s = Sorte::Trimestre;
            } else if (l == QLatin1Char('y')) {
                const int k = run(l);
                r = k >= 4 ? 4 : k >= 2 ? 2 : 1;
                s = r == 1 ? Sorte::JourAnnee : Sorte::Annee;
            } else if (l == QLatin1Char('h')) {
                r = std::min(run(l), 2);
                s = Sorte::Heure;
            } else if (l == QLatin1Char('n')) {
                r = std::min(run(l), 2);
                s = Sorte::Minute;
            } else if (l == QLatin1Char('s')) {
                r = std::min(run(l), 2);
                s = Sorte::Seconde;
            } else if (l == QLatin1Char('c')) {
                r = 1;
                s = Sorte::DateGenerale;
            } else if (l == QLatin1Char('t') && run(l) >= 5) {
                r = 5;
                s = Sorte::HeureLongue;
            }
            if (s == Sorte::Litteral) {
                litteral(c);
                ++i;
                continue;
            }
            jetons_.push_back({s, r, {}, {}});
            i += r;
        }
        // "m" and "mm" mean minutes right after an hour token or right before a seconds token
        // (literals between them do not count).
        for (size_t j = 0; j < jetons_.size(); ++j) {
            Jeton& t = jetons_[j];
            if (t.sorte != Sorte::Mois || t.n > 2) continue;
            bool minute = false;
            for (size_t k = j; k-- > 0;) {
                if (jetons_[k].sorte == Sorte::Litteral) continue;
                minute = jetons_[k].sorte == Sorte::Heure;
                break;
            }
            for (size_t k = j + 1; !minute && k < jetons_.size(); ++k) {
                if (jetons_[k].sorte == Sorte::Litteral) continue;
                minute = jetons_[k].sorte == Sorte::Seconde;
                break;
            }
            if (minute) t.sorte = Sorte::Minute;
        }
    }

    QString dateCourte() const {
        return deux(date_.day()) + QLatin1Char('/') + deux(date_.month()) + QLatin1Char('/') +
               QString::number(date_.year()).rightJustified(4, QLatin1Char('0'));
    }
    QString dateLongue() const {
        return QString::fromUtf16(kJours[size_t(jourSemaine(date_))]) + QLatin1Char(' ') +
               QString::number(date_.day()) + QLatin1Char(' ') + QString::fromUtf16(kMois[size_t(date_.month() - 1)]) +
               QLatin1Char(' ') + QString::number(date_.year());
    }
    QString heureLongue() const {
        return deux(heure_.hour()) + QLatin1Char(':') + deux(heure_.minute()) + QLatin1Char(':') +
               deux(heure_.second());
    }
    int heureAffichee() const {
        if (!ampm_) return heure_.hour();
        const int h = heure_.hour() % 12;
        return h == 0 ? 12 : h;
    }

    QString rendre(size_t i) const {
        const Jeton& t = jetons_[i];
        const bool apresMidi = heure_.hour() >= 12;
        switch (t.sorte) {
            case Sorte::Litteral:
                return t.texte;
            case Sorte::Jour:
                if (t.n == 1) return QString::number(date_.day());
                if (t.n == 2) return deux(date_.day());
                if (t.n == 3) return QString::fromUtf16(kJoursCourts[size_t(jourSemaine(date_))]);
                return QString::fromUtf16(kJours[size_t(jourSemaine(date_))]);
            case Sorte::DateCourte:
                return dateCourte();
            case Sorte::DateLongue:
                return dateLongue();
            case Sorte::JourSemaine:
                return QString::number(jourSemaine(date_) + 1);
            case Sorte::Semaine: {
                // weeks start on Sunday; week 1 holds 1 January
                const int decalage = jourSemaine(QDate(date_.year(), 1, 1));
                return QString::number((date_.dayOfYear() - 1 + decalage) / 7 + 1);
            }
            case Sorte::Mois:
                if (t.n == 1) return QString::number(date_.month());
                if (t.n == 2) return deux(date_.month());
                if (t.n == 3) return QString::fromUtf16(kMoisCourts[size_t(date_.month() - 1)]);
                return QString::fromUtf16(kMois[size_t(date_.month() - 1)]);
            case Sorte::Trimestre:
                return QString::number((date_.month() - 1) / 3 + 1);
            case Sorte::Annee:
                if (t.n == 2) return deux(date_.year() % 100);
                return QString::number(date_.year()).rightJustified(4, QLatin1Char('0'));
            case Sorte::JourAnnee:
                return QString::number(date_.dayOfYear());
            case Sorte::Heure:
                return t.n == 2 ? deux(heureAffichee()) : QString::number(heureAffichee());
            case Sorte::Minute:
                return t.n == 2 ? deux(heure_.minute()) : QString::number(heure_.minute());
            case Sorte::Seconde:
                return t.n == 2 ? deux(heure_.second()) : QString::number(heure_.second());
            case Sorte::HeureLongue:
                return heureLongue();
            case Sorte::DateGenerale: {
                const bool avecDate = date_ != DateNulle();
                const bool avecHeure = heure_ != QTime(0, 0);
                if (avecDate && avecHeure) return dateCourte() + QLatin1Char(' ') + heureLongue();
                if (avecHeure) return heureLongue();
                return dateCourte();
            }
            case Sorte::AmPm:
                return apresMidi ? t.casse.mid(3, 2) : t.casse.left(2);
            case Sorte::AP:
                return apresMidi ? t.casse.mid(2, 1) : t.casse.left(1);
            case Sorte::AmPmSysteme:
                return apresMidi ? QStringLiteral("PM") : QStringLiteral("AM");
        }
        return {};
    }

    QDate date_;
    QTime heure_;
    std::vector<Jeton> jetons_;
    bool ampm_ = false;
};

bool dansCalendrier(const QDate& d) { return d.isValid() && d.year() >= 100 && d.year() <= 9999; }

// --- base-255 digits ---

constexpr std::array<double, 4> kPuissances = {1.0, 255.0, 65025.0, 16581375.0};

// codes[k] < 0: no k-th character. One statement per term and one for the sum, as each may fail.
int32_t cvl(const std::array<int, 4>& codes) {
    Proc p(Cle::CVL, Trace::None);
    std::array<int32_t, 4> terme = {0, 0, 0, 0};
    int stmt = 10;
    for (int k = 3; k >= 0; --k, stmt += 10) {
        p(stmt, [&] {
            if (codes[size_t(k)] < 0) Raise(5);
            const double t = codes[size_t(k)] * kPuissances[size_t(k)];
            if (t > kLongMax) Raise(6);
            terme[size_t(k)] = int32_t(t);
        });
    }
    int32_t somme = 0;
    p(50, [&] {
        const int64_t s = int64_t(terme[0]) + terme[1] + terme[2] + terme[3];
        if (s > std::numeric_limits<int32_t>::max()) Raise(6);
        somme = int32_t(s);
    });
    return somme;
}

std::array<int, 4> mkl(int32_t value) {
    std::array<int, 4> d = {0, 0, 0, 0};
    int64_t n = value;
    for (int k = 3; k >= 1; --k) {
        const int64_t puissance = int64_t(kPuissances[size_t(k)]);
        if (n >= puissance) {
            d[size_t(k)] = int(n / puissance);
            n %= puissance;
        }
    }
    if (n >= 1) d[0] = int(n);
    return d;
}

}  // namespace

namespace {

// Significant digits kept of a number: more than the 768 that can decide how a decimal rounds to
// a double; whatever lies beyond only counts as "something not zero".
constexpr qsizetype kChiffresGardes = 800;
// Integer digits of the largest double: a number with more is beyond every double.
constexpr qint64 kChiffresEntiersDouble = 309;

// A decimal number as read from a text, exact enough for a double and for rounding to an integer:
// its value is 0.chiffres x 10^point.
struct Decimal {
    QString chiffres;    // significant digits (no leading zero)
    qint64 point = 0;    // where the decimal point stands among them
    bool coupe = false;  // a digit other than 0 left out past kChiffresGardes

    void entier(QChar c) {
        if (chiffres.isEmpty() && c == QLatin1Char('0')) return;
        garder(c);
        ++point;
    }
    void decimale(QChar c) {
        if (chiffres.isEmpty() && c == QLatin1Char('0'))
            --point;
        else
            garder(c);
    }
    void garder(QChar c) {
        if (chiffres.size() < kChiffresGardes)
            chiffres += c;
        else if (c != QLatin1Char('0'))
            coupe = true;
    }
    // The digits, a last 1 standing for the ones left out.
    QString significatifs() const { return coupe ? chiffres + QLatin1Char('1') : chiffres; }
};

bool estChiffre(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The leading number of a text as NombreEnTete reads it. Stops once it is beyond every double.
Decimal decimalEnTete(QStringView text) {
    Decimal d;
    bool point = false;
    for (QChar c : text) {
        if (c == kBlanc) continue;
        if (estChiffre(c)) {
            if (point)
                d.decimale(c);
            else
                d.entier(c);
            if (d.point > kChiffresEntiersDouble) break;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
        } else {
            break;
        }
    }
    return d;
}

double valeurDouble(const Decimal& d) {
    if (d.chiffres.isEmpty()) return 0.0;  // no digit, or only zeros
    const double infini = std::numeric_limits<double>::infinity();
    if (d.point > kChiffresEntiersDouble) return infini;
    // The common case: up to 15 digits and a power of ten up to 22, both exact as doubles, so that
    // one multiplication or division rounds the value correctly.
    const qsizetype n = d.chiffres.size();
    const qint64 puissance = d.point - n;
    if (!d.coupe && n <= 15 && puissance >= -22 && puissance <= 22) {
        static constexpr double kPuissances[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                                 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        qint64 m = 0;
        for (const QChar c : d.chiffres) m = m * 10 + (c.unicode() - u'0');
        return puissance >= 0 ? double(m) * kPuissances[puissance] : double(m) / kPuissances[-puissance];
    }
    bool ok = false;
    const double v =
        (QStringLiteral("0.") + d.significatifs() + QLatin1Char('e') + QString::number(d.point)).toDouble(&ok);
    if (ok) return v;
    // Out of the doubles' range: above the largest, or below the smallest.
    return d.point > 0 ? infini : 0.0;
}

// The number rounded to the nearest integer on its exact value, halves to the even one, the
// decimal point moved by exposant first; false beyond 32 bits.
bool arrondi32(const Decimal& d, bool negatif, qint64 exposant, int32_t& valeur) {
    const QString s = d.significatifs();
    valeur = 0;
    if (s.isEmpty()) return true;
    const qint64 p = d.point + exposant;
    if (p > 10) return false;  // 11 integer digits and more
    qint64 n = 0;
    for (qint64 i = 0; i < p; ++i) n = n * 10 + (i < s.size() ? s[i].unicode() - u'0' : 0);
    bool plusHaut = false;
    if (p >= 0 && p < s.size()) {
        const QChar premier = s[p];
        if (premier != QLatin1Char('5')) {
            plusHaut = premier > QLatin1Char('5');
        } else {
            bool reste = false;
            for (qsizetype i = p + 1; i < s.size() && !reste; ++i) reste = s[i] != QLatin1Char('0');
            plusHaut = reste || n % 2 == 1;
        }
    }
    if (plusHaut) ++n;
    if (negatif) n = -n;
    if (n > std::numeric_limits<int32_t>::max() || n < std::numeric_limits<int32_t>::min()) return false;
    valeur = int32_t(n);
    return true;
}

// Blanks skipped, then a sign: whether it is "-", the text moved past it.
bool signeEnTete(QStringView& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == kBlanc) ++i;
    bool negatif = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negatif = text[i] == QLatin1Char('-');
        ++i;
    }
    text = text.mid(i);
    return negatif;
}

}  // namespace

double NombreEnTete(QStringView text) { return valeurDouble(decimalEnTete(text)); }

double NombreSigne(QStringView text) {
    const double signe = signeEnTete(text) ? -1 : 1;
    return signe * NombreEnTete(text);
}

int32_t ValeurNumeriqueReponse(QStringView texte) {
    const bool negatif = signeEnTete(texte);
    int32_t v = 0;
    if (!arrondi32(decimalEnTete(texte), negatif, 0, v)) Raise(6);
    return v;
}

int32_t ValeurEntiereStricte(QStringView texte) {
    QStringView t = texte.trimmed();
    const bool signe = !t.isEmpty() && (t[0] == QLatin1Char('-') || t[0] == QLatin1Char('+'));
    const bool negatif = signe && t[0] == QLatin1Char('-');
    if (signe) t = t.mid(1);
    Decimal d;
    bool chiffre = false, point = false;
    qsizetype i = 0;
    for (; i < t.size(); ++i) {
        if (estChiffre(t[i])) {
            chiffre = true;
            if (point)
                d.decimale(t[i]);
            else
                d.entier(t[i]);
        } else if (t[i] == QLatin1Char('.') && !point) {
            point = true;
        } else {
            break;
        }
    }
    // An exponent may follow; far beyond what 32 bits can take, it only needs to stay large.
    qint64 exposant = 0;
    if (chiffre && i < t.size() && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ++i;
        const bool moins = i < t.size() && t[i] == QLatin1Char('-');
        if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) ++i;
        if (i == t.size()) Raise(13);
        for (; i < t.size() && estChiffre(t[i]); ++i)
            exposant = std::min<qint64>(exposant * 10 + (t[i].unicode() - u'0'), qint64(1) << 40);
        if (moins) exposant = -exposant;
    }
    if (!chiffre || i < t.size()) Raise(13);
    int32_t v = 0;
    if (!arrondi32(d, negatif, exposant, v)) Raise(6);
    return v;
}

QString TrimBlancs(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == kBlanc) ++b;
    while (e > b && s[e - 1] == kBlanc) --e;
    return s.mid(b, e - b);
}

QString ChiffresZero(int value, int16_t width) {
    if (value < 0 || width < 1 || width > 9 || value >= int(std::pow(10, width)))
        return N2S(value, width, 0, QStringLiteral("0"));
    QChar c[9];
    for (int i = width; i-- > 0; value /= 10) c[i] = QChar(u'0' + value % 10);
    return QString(c, width);
}

QString N2S(double value, int16_t width, int16_t decimals, const QString& fill) {
    Proc p(Cle::N2S, Trace::None);
    double v = value;
    // The key carries the value; built only when a statement fails.
    p.handler([&](int) {
        p.keySuffix(QStringLiteral(" (Value: ") + texteValeur(v) + QLatin1Char(')'));
        return false;
    });
    bool negatif = false;
    QChar car = kBlanc;
    int32_t echelle = 0;
    double y = 0;
    double n = 0;
    QString s;

    p(10, [&] {
        if (v < 0) {
            negatif = true;
            v = -v;
        }
    });
    p(20, [&] {
        if (!fill.isEmpty()) car = fill[0];
    });
    p(30, [&] {
        const double e = std::pow(10.0, decimals);
        if (e > kLongMax) Raise(6);
        echelle = int32_t(std::nearbyint(e));
    });
    p(40, [&] {
        const double r = (v + 0.005) * echelle;
        if (std::isinf(r)) {
            y = r;
            Raise(6);
        }
        y = r;
    });
    p(50, [&] {
        if (y > kLongMax) y = kLongMax;
    });
    p(60, [&] {
        if (std::isnan(y)) Raise(6);
        n = std::nearbyint(y);
    });
    p(70, [&] {
        if (width < 0) Raise(5);
        const QString t = QString(width, car) + QString::number(int64_t(n));
        s = t.right(width);
    });
    if (decimals != 0) {
        p(80, [&] {
            const int avant = width - decimals - 1;
            if (avant < 0 || decimals < 0) Raise(5);
            s = s.mid(1, avant) + QLatin1Char('.') + s.right(decimals);
        });
    }
    p(90, [&] {
        const qsizetype pt = s.indexOf(QLatin1Char('.'));
        if (pt < 0) return;
        for (qsizetype i = pt + 1; i < s.size(); ++i)
            if (s[i] == kBlanc) s[i] = QLatin1Char('0');
        if (NombreEnTete(s) < 1 && pt > 0) s[pt - 1] = QLatin1Char('0');
    });
    if (negatif) {
        p(100, [&] {
            for (qsizetype i = s.size(); i-- > 0;) {
                if (s[i] == kBlanc) {
                    s[i] = QLatin1Char('-');
                    return;
                }
            }
            if (s.isEmpty()) Raise(5);
            if (s[0] < QLatin1Char('1') || s[0] > QLatin1Char('9'))
                s[0] = QLatin1Char('-');
            else
                s = QLatin1Char('-') + TrimBlancs(s);
        });
    }
    return s;
}

QString D2S(const QDate& date) {
    Proc p(Cle::D2S, Trace::None);
    QString r;
    const bool ok = p(10, [&] {
        if (!dansCalendrier(date)) Raise(5);
        r = QString::number(date.year()).rightJustified(4, QLatin1Char('0')) + deux(date.month()) + deux(date.day());
    });
    if (!ok) {
        const QDate auj = HorlogeSysteme().now().date();
        r = QString::number(auj.year()) + deux(auj.month()) + deux(auj.day());
    }
    return r;
}

QDate S2D(const QString& text) {
    Proc p(Cle::S2D, Trace::None);
    p.leaveOnError();
    QDate r = DateNulle();
    int16_t a = 0, m = 0, j = 0;
    p(10, [&] {
        a = arrondiEntier16(NombreEnTete(text.mid(0, 4)));
        m = arrondiEntier16(NombreEnTete(text.mid(4, 2)));
        j = arrondiEntier16(NombreEnTete(text.mid(6, 2)));
    });
    p(20, [&] {
        int annee = a;
        if (annee >= 0 && annee <= 29)
            annee += 2000;  // two-digit years: 00-29 this century
        else if (annee >= 30 && annee <= 99)
            annee += 1900;  // 30-99 the last one
        const QDate d = QDate(annee, 1, 1).addMonths(m - 1).addDays(j - 1);
        if (!dansCalendrier(d)) Raise(5);
        r = d;
    });
    return r;
}

QString Date2StringEx(const QDateTime& date, const QString& pattern) {
    Proc p(Cle::Date2StringEx, Trace::None);
    QString r;
    p(10, [&] {
        if (!dansCalendrier(date.date())) Raise(5);
        const QString motif = TrimBlancs(pattern).isEmpty() ? QStringLiteral("HH:MM:SS") : pattern;
        r = Formateur(date).format(motif);
    });
    return r;
}

QString Tps2MinSec(int32_t seconds, int16_t width, const QString& fill, const QString& callerKey, bool& hours,
                   bool& automatic) {
    Proc p(Cle::Tps2MinSec, Trace::DebugOnly,
           bTraceDebugEcran ? QStringLiteral("Lib_Public:Tps2MinSec < ") + callerKey : QString());
    QString r;
    if (seconds < 0) {
        p(10, [&] { r = QString::number(seconds); });
        return r;
    }
    int w = width;
    int32_t minutes = 0, reste = 0;
    p(20, [&] {
        if (w != 3 && w != 4) w = 2;
        minutes = seconds / 60;
        reste = seconds % 60;
    });
    p(30, [&] {
        if (automatic) {
            automatic = false;
            hours = seconds >= 3600;
        }
    });
    if (hours) {
        p(40, [&] {
            const int32_t h = minutes / 60;
            r = N2S(h, int16_t(w), 0, QString()) + QLatin1Char(':') + N2S(minutes % 60, 2, 0, QStringLiteral("0")) +
                QLatin1Char(':') + N2S(reste, 2, 0, QStringLiteral("0"));
        });
    } else {
        p(50, [&] {
            if (minutes >= 100000)
                w = 6;
            else if (minutes >= 10000)
                w = 5;
            else if (minutes >= 1000)
                w = 4;
            else if (minutes >= 100)
                w = 3;
            r = N2S(minutes, int16_t(w), 0, fill) + QLatin1Char(':') + N2S(reste, 2, 0, QStringLiteral("0"));
        });
    }
    return r;
}

QString Calibre(const QString& text, QString& fill, int32_t count) {
    Proc p(Cle::Calibre, Trace::DebugOnly);
    QString r;
    p(10, [&] {
        if (fill.isEmpty()) fill = QStringLiteral(" ");
    });
    p(20, [&] {
        if (count < 0) Raise(5);
        r = (text + QString(count, fill[0])).left(count);
    });
    return r;
}

QString CheckSlash(const QString& text) {
    if (text.isEmpty() || text.endsWith(QLatin1Char('/'))) return text;
    return text + QLatin1Char('/');
}

QString CheckRep(const QString& text) {
    if (text.isEmpty() || estSeparateur(text.back())) return text;
    return text + QLatin1Char('/');
}

void EclateRepFicExt(const QString& path) {
    const QString c = TrimBlancs(path);
    RepFicExt.Rep = c;
    RepFicExt.Fic.clear();
    RepFicExt.Ext.clear();
    if (c.isEmpty()) return;
    qsizetype point = -1;  // 0-based position of the extension's "."
    for (qsizetype i = c.size() - 1; i >= 0; --i) {
        if (c[i] == QLatin1Char('.') && point < 0) {
            point = i;
            RepFicExt.Ext = c.mid(i);
        }
        if (estSeparateur(c[i]) || i == 0) {
            const qsizetype coupe = estSeparateur(c[i]) ? i + 1 : 0;  // length of the folder part
            RepFicExt.Rep = c.left(coupe);
            RepFicExt.Fic = point < 0 ? c.mid(coupe) : c.mid(coupe, point - coupe);
            return;
        }
    }
}

QString NettoieNomDeDossier(const QString& folder) {
    Proc p(Cle::NettoieNomDeDossier, Trace::DebugOnly);
    QString t = folder;
    p(10, [&] {
        // "/" is the separator here; "\" too, for a name still in its Windows form
        for (QChar c : {QLatin1Char('*'), QLatin1Char('?'), QLatin1Char('"'), QLatin1Char('<'), QLatin1Char('>'),
                        QLatin1Char('|'), QLatin1Char(',')})
            t.replace(c, kBlanc);
    });
    p(20, [&] {
        t.remove(QStringLiteral("..."));
        t.remove(QStringLiteral(".."));
        t.remove(QLatin1Char('%'));
    });
    p(30, [&] {
        if (t.size() <= 2) return;
        QString reste = t.mid(2);
        reste.replace(QLatin1Char(':'), kBlanc);
        reste.replace(QStringLiteral("   "), QStringLiteral(" "));
        t = t.left(2) + reste;
    });
    p(40, [&] {
        while (t.contains(QStringLiteral(" /")) || t.contains(QStringLiteral(" \\"))) {
            t.replace(QStringLiteral(" /"), QStringLiteral("/"));
            t.replace(QStringLiteral(" \\"), QStringLiteral("\\"));
        }
    });
    QString r;
    p(50, [&] { r = TrimBlancs(t); });
    return r;
}

bool NomFichierCorrect(const QString& name) {
    Proc p(Cle::NomFichierCorrect, Trace::DebugOnly);
    bool r = false;
    p(10, [&] {
        for (QChar c : name)
            if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('"') || c == QLatin1Char('|'))
                return;
        r = true;
    });
    return r;
}

QString ClearChaine(QString& text) {
    Proc p(Cle::ClearChaine, Trace::DebugOnly);
    static const QString garder = QStringLiteral("éèàçûôâëù");
    p(10, [&] {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (garder.contains(c)) continue;
            const int code = Asc(c);
            if (code < 32 || code > 250) text[i] = kBlanc;
        }
    });
    return text;
}

void CheckValiditeValeurMin(int32_t& value, int32_t minimum) {
    Proc p(Cle::CheckValiditeValeurMin);
    p(10, [&] {
        if (value < minimum) value = minimum;
    });
}

QString ExtraireBalise(const QString& text, const QString& tag, const QString& defaut) {
    Proc p(Cle::ExtraireBalise);
    QString r = defaut;
    p(10, [&] {
        if (TrimBlancs(text).isEmpty()) return;
        const qsizetype debut = text.indexOf(tag, 0, Qt::CaseInsensitive);
        if (debut < 0) return;
        const qsizetype fin = text.indexOf(QLatin1Char('>'), debut + 1);
        if (fin < 0) return;
        const qsizetype longueur = fin - debut - tag.size();
        if (longueur < 0) Raise(5);  // the tag itself holds the ">"
        r = text.mid(debut + tag.size(), longueur);
    });
    return r;
}

int32_t CVL(const QString& text) {
    std::array<int, 4> codes;
    for (qsizetype k = 0; k < 4; ++k) codes[size_t(k)] = k < text.size() ? Asc(text[k]) : -1;
    return cvl(codes);
}

int32_t CVLOctets(const char* bytes) {
    std::array<int, 4> codes;
    for (size_t k = 0; k < 4; ++k) codes[k] = static_cast<uint8_t>(bytes[k]);
    return cvl(codes);
}

QString MKL(int32_t value) {
    const std::array<int, 4> d = mkl(value);
    QString s(4, QChar());
    for (qsizetype k = 0; k < 4; ++k) s[k] = Chr(d[size_t(k)]);
    return s;
}

void MKLOctets(int32_t value, char* bytes) {
    const std::array<int, 4> d = mkl(value);
    for (size_t k = 0; k < 4; ++k) bytes[k] = static_cast<char>(d[k]);
}

QString FormatNoTel(const QString& s) {
    Proc p(Cle::FormatNoTel);
    QString r;
    p(10, [&] {
        QString chiffres;
        for (const QChar c : s.trimmed())
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) chiffres += c;
        chiffres = chiffres.left(10).leftJustified(10, QLatin1Char(' '));
        r = chiffres.mid(0, 2) + QLatin1Char('-') + chiffres.mid(2, 2) + QLatin1Char('-') + chiffres.mid(4, 2) +
            QLatin1Char('-') + chiffres.mid(6, 2) + QLatin1Char('-') + chiffres.mid(8, 2);
    });
    return r;
}
