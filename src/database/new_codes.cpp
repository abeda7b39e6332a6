#include "database/new_codes.h"

#include "database/btrieve.h"
#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"

#include <QRegularExpression>

namespace {

// Codes compare as the record manager orders key 0: byte by byte in the code page.
int comparer(const QString& a, const QString& b) {
    const QByteArray x = ToCp1252(a), y = ToCp1252(b);
    const qsizetype n = std::min(x.size(), y.size());
    for (qsizetype i = 0; i < n; ++i) {
        const uint8_t u = uint8_t(x[i]), v = uint8_t(y[i]);
        if (u != v) return u < v ? -1 : 1;
    }
    if (x.size() == y.size()) return 0;
    return x.size() < y.size() ? -1 : 1;
}

int largeurCode(int16_t file) {
    switch (file) {
        case 1:
        case 3:
            return 8;
        case 2:
        case 4:
            return 10;
        default:
            return 0;
    }
}

// The search of one call: the working range, the last record read, the candidate.
class Recherche {
public:
    Recherche(int16_t base, int16_t station, const QString& prefix, const QString& first, const QString& last,
              int16_t file)
        : base_(base),
          station_(station),
          prefixe_(prefix),
          premier_(first),
          dernier_(last),
          file_(file),
          F(first),
          L(last),
          W(int(first.size())),
          neufs(W, QLatin1Char('9')),
          as(W, QLatin1Char('A')),
          zs(W, QLatin1Char('z')) {}

    QString executer() {
        bool retry = false;
        // The retry happens once at most: it runs with a single pass.
        for (;;) {
            R.clear();
            const bool deuxPasses = !retry && EstNumerique(F) && !EstNumerique(L) && comparer(F, neufs) < 0;
            const int passes = deuxPasses ? 2 : 1;
            bool arretPasse1 = false;
            for (int passe = 1; passe <= passes && R.isEmpty() && !signale_; ++passe) {
                const bool numerique = deuxPasses && passe == 1;
                sonder(F, numerique ? neufs : L);
                if (!R.isEmpty() && numerique) arretPasse1 = true;
            }
            if (!R.isEmpty() && !signale_) {
                if (verifier() && !signale_) parcourir();
            }
            if (!TrimBlancs(R).isEmpty() && !signale_) return R;
            // After a report the search stops: the user decides.
            if (arretPasse1 && !signale_ && !retry) {
                retry = true;
                continue;
            }
            return demander();
        }
    }

private:
    // One call of the wrapper on key 0 of the file.
    int16_t appel(int16_t op, const QString& cle) {
        BtrOp = op;
        BtrKey = cle;
        BtrKeyNum = 0;
        BtrFileNo = file_;
        BTRieve(base_, BtrOp, BtrKey, BtrKeyNum, BtrFileNo, station_, QString::fromLatin1(Cle::DetermineNouveauCode));
        if (BtrStatus == 0) derniereCle_ = BtrKey;
        return BtrStatus;
    }
    void signaler() {
        ErreurBTrieve(base_, file_, derniereCle_, QString::fromLatin1(Cle::DetermineNouveauCode));
        signale_ = true;
        R.clear();
    }
    QString codeLu() const {
        const TamponEnreg* t = EnregFichier(file_);
        return t ? LireTexte(static_cast<const char*>(t->Donnees), W) : QString();
    }
    // The candidate after the numeric code C: past the nines, the codes go on with letters.
    void apresNumerique() {
        if (C == neufs) {
            L = zs;
            R = DetermineNouveauCodePlusA(as, QString());
        } else {
            R = DetermineNouveauCodePlusUn(file_);
        }
    }
    // The candidate after the code C that is not a number.
    void apresTexte() {
        L = zs;
        R = DetermineNouveauCodePlusA(C, QString());
    }
    // The record a call short of the end of the file found: true with its key in K and its code
    // in C; false when the walk stops (an error reported, or a key below lo where R takes F).
    bool lu(int16_t st, const QString& lo, QString& K) {
        if (st != 0) {
            signaler();
            return false;
        }
        K = BtrKey;
        if (comparer(K, lo) < 0) {
            R = F;
            return false;
        }
        C = codeLu();
        return true;
    }

    // The highest code of lo..hi, and the candidate after it.
    void sonder(const QString& lo, const QString& hi) {
        int16_t op = BtrOp::GetLessOrEqual;
        QString cle = hi;
        for (int n = 1;; ++n) {
            const int16_t st = appel(op, cle);
            if (st == BtrStat::EndOfFile) {
                R = F;
                return;
            }
            QString K;
            if (!lu(st, lo, K)) return;
            if (EstNumerique(C)) {
                if (C != neufs && QString(C).remove(QLatin1Char(' ')).size() < W) {
                    // A short number: look further down, or from the top of the whole range
                    // once many have been passed.
                    if (n == 99) {
                        op = BtrOp::GetLessOrEqual;
                        cle = L;
                    } else {
                        op = BtrOp::GetPrevious;
                        cle = K;
                    }
                    continue;
                }
                apresNumerique();
                return;
            }
            if (n == 1 && !C.isEmpty() && C[0].isDigit()) {
                descendreDepuisLeHaut(lo, hi);
                return;
            }
            apresTexte();
            return;
        }
    }

    // From the top of the range down past the codes that start with a digit without being numbers.
    void descendreDepuisLeHaut(const QString& lo, const QString& hi) {
        int16_t op = BtrOp::GetLessOrEqual;
        QString cle = hi;
        for (;;) {
            const int16_t st = appel(op, cle);
            if (st == BtrStat::EndOfFile) return;
            QString K;
            if (!lu(st, lo, K)) return;
            if (EstNumerique(C)) {
                apresNumerique();
                return;
            }
            if (!C.isEmpty() && C[0].isDigit()) {
                op = BtrOp::GetPrevious;
                cle = K;
                continue;
            }
            apresTexte();
            return;
        }
    }

    // Checks the candidate against the file. True when the sequential scan must follow.
    bool verifier() {
        QString precedent;
        for (int j = 0;; ++j) {
            if (comparer(R, L) > 0 || j > 500) {
                R.clear();
                return false;
            }
            const int16_t st = appel(BtrOp::GetEqual, R);
            if (st == BtrStat::KeyNotFound) return false;
            if (st != 0) {
                signaler();
                return false;
            }
            if (EstNumerique(C)) {
                const QString refuse = R;
                apresNumerique();
                // The same candidate again would be refused again up to the bound.
                if (R == refuse) {
                    R.clear();
                    return false;
                }
            } else {
                apresTexte();
                if (R == precedent) {
                    R.clear();
                    return true;
                }
                precedent = R;
            }
        }
    }

    // Code after code from the first one, up to the first free code.
    void parcourir() {
        F = premier_;
        L = dernier_;
        for (;;) {
            const int16_t st = appel(BtrOp::GetEqual, F);
            if (st == BtrStat::EndOfFile) {
                R.clear();
                return;
            }
            if (st == BtrStat::KeyNotFound) {
                R = F;
                return;
            }
            if (st != 0) {
                signaler();
                return;
            }
            const QString K = BtrKey;
            if (comparer(K, L) > 0) {
                R.clear();
                return;
            }
            QString suivant;
            if (EstNumerique(K)) {
                static const QRegularExpression chiffreBas(QStringLiteral("[0-8]"));
                if (!K.contains(chiffreBas))
                    suivant = QString(K.size(), QLatin1Char('A'));
                else
                    suivant = N2S(NombreEnTete(K) + 1, int16_t(K.size()), 0, QStringLiteral("0"));
            } else {
                suivant = DetermineNouveauCodePlusA(K, QString());
            }
            // The count wrapped round (every code taken): nothing is left.
            if (comparer(suivant, K) <= 0) {
                R.clear();
                return;
            }
            F = suivant;
        }
    }

    QString demander() {
        QString r;
        MsgBoxMain(QStringLiteral("Attention la numérotation reste limitée à ") + prefixe_ + QStringLiteral("ZZZZZ") +
                       QStringLiteral("\r\n\r\nEt ce code existe déjà."),
                   Mb::OKOnly | Mb::Critical);
        const int reponse = MsgBoxMain(
            QStringLiteral("Voulez-vous saisir manuellement un code ?\r\n\r\nAttention, ce sera à vous de vérifier "
                           "que le nouveau code est unique et répond aux règles sur les codes."),
            Mb::YesNo | Mb::Question);
        if (reponse != Mb::Yes) return QString();
        QString saisie = prefixe_;
        if (!Dialogues().inputBox(QStringLiteral("Nouvel Id"), CaptionFrmMain(), saisie)) return QString();
        return saisie;
    }

    int16_t base_, station_;
    QString prefixe_;
    QString premier_, dernier_;
    int16_t file_;
    QString F, L;
    int W;
    QString neufs, as, zs;
    QString C, R;
    QString derniereCle_;
    bool signale_ = false;
};

}  // namespace

bool EstNumerique(const QString& text) {
    static const QRegularExpression nombre(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eEdD][+-]?\\d+)?$"));
    const QString t = TrimBlancs(text);
    return !t.isEmpty() && nombre.match(t).hasMatch();
}

QString DetermineNouveauCodePlusA(const QString& code, const QString& suffix) {
    Proc p(Cle::DetermineNouveauCodePlusA);
    if (code.isEmpty()) return suffix;
    QString c = code;
    p(10, [&] {
        c.replace(QLatin1Char(' '), QLatin1Char('0'));
        for (qsizetype i = c.size() - 1; i >= 0; --i) {
            const char16_t ch = c[i].unicode();
            if ((ch >= u'0' && ch <= u'8') || (ch >= u'A' && ch <= u'Y') || (ch >= u'a' && ch <= u'y')) {
                c[i] = QChar(char16_t(ch + 1));
                return;
            }
            if (ch == u'9') {
                c[i] = QLatin1Char('A');
                return;
            }
            if (ch == u'Z' || ch == u'z') {
                c[i] = QLatin1Char('0');
                continue;
            }
            return;
        }
    });
    return c + suffix;
}

QString DetermineNouveauCodePlusUn(int16_t file) {
    Proc p(Cle::DetermineNouveauCodePlusUn);
    const int w = largeurCode(file);
    if (w == 0) return QString();
    QString r;
    p(10, [&] {
        const QString c = LireTexte(static_cast<const char*>(EnregFichier(file)->Donnees), w);
        r = N2S(NombreEnTete(QString(c).remove(QLatin1Char(' '))) + 1, int16_t(w), 0, QStringLiteral("0"));
    });
    return r;
}

QString DetermineNouveauCode(int16_t base, int16_t station, const QString& prefix, const QString& first,
                             const QString& last, int16_t file) {
    Proc p(Cle::DetermineNouveauCode);
    if (bFermetureEnCours) return QString();
    QString r;
    p(10, [&] {
        Recherche recherche(base, station, prefix, first, last, file);
        r = recherche.executer();
    });
    return r;
}
