#include "shell/rtf.h"

#include "platform/cp1252.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

// --- reading -------------------------------------------------------------------------------------

enum class Destination { Texte, Polices, Couleurs, Ignoree };

// Character and paragraph properties of a group.
struct Etat {
    Destination dest = Destination::Texte;
    int police = -1;      // index in the font table, -1: the default
    int demiPoints = 24;  // \fs
    int couleur = 0;      // index in the colour table, 0: automatic
    bool gras = false, italique = false, souligne = false, barre = false;
    Qt::Alignment alignement = Qt::AlignLeft;
    int uc = 1;           // characters that stand in for a \u character
    bool etoile = false;  // \* seen: an unknown destination is skipped
};

struct Segment {
    QString texte;
    QTextCharFormat format;
};
struct Paragraphe {
    Qt::Alignment alignement = Qt::AlignLeft;
    QList<Segment> segments;
    QTextCharFormat formatFin;  // the format in effect at its end (an empty paragraph's size)
};

// Deeper groups are still counted (so their braces pair up) but their content is not read.
constexpr int kProfondeurMax = 512;
constexpr int kTailleMotMax = 32;
constexpr int kChiffresMax = 10;

class Lecteur {
public:
    explicit Lecteur(const QByteArray& d) : d_(d) {}

    void lire(QTextDocument& doc) {
        pile_.push_back(Etat{});
        paragraphes_.push_back({});
        const qsizetype n = d_.size();
        while (i_ < n) {
            const char c = d_.at(i_);
            if (c == '{') {
                ++i_;
                sauter_ = 0;
                if (int(pile_.size()) + debord_ >= kProfondeurMax) {
                    ++debord_;  // too deep: only its braces count
                    continue;
                }
                vider();
                Etat e = pile_.back();
                e.etoile = false;
                pile_.push_back(e);
                debutGroupe_ = true;
            } else if (c == '}') {
                ++i_;
                sauter_ = 0;
                if (debord_ > 0) {
                    --debord_;
                } else if (pile_.size() > 1) {
                    finGroupe();
                    pile_.pop_back();
                }
            } else if (c == '\\') {
                ++i_;
                controle();
            } else if (c == '\r' || c == '\n' || c == '\0') {
                ++i_;
            } else {
                ++i_;
                debutGroupe_ = false;
                caractere(Cp1252ToChar(uint8_t(c)));
            }
        }
        vider();
        construire(doc);
    }

private:
    Etat& etat() { return pile_.back(); }
    bool ignoree() const { return debord_ > 0 || pile_.back().dest == Destination::Ignoree; }

    void controle() {
        const qsizetype n = d_.size();
        if (i_ >= n) return;
        const char c = d_.at(i_);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            QByteArray mot;
            while (i_ < n && ((d_.at(i_) >= 'a' && d_.at(i_) <= 'z') || (d_.at(i_) >= 'A' && d_.at(i_) <= 'Z'))) {
                if (mot.size() < kTailleMotMax) mot += d_.at(i_);
                ++i_;
            }
            bool aParam = false;
            bool negatif = false;
            long long param = 0;
            if (i_ < n && d_.at(i_) == '-' && i_ + 1 < n && d_.at(i_ + 1) >= '0' && d_.at(i_ + 1) <= '9') {
                negatif = true;
                ++i_;
            }
            int chiffres = 0;
            while (i_ < n && d_.at(i_) >= '0' && d_.at(i_) <= '9') {
                if (chiffres < kChiffresMax) param = param * 10 + (d_.at(i_) - '0');
                ++chiffres;
                aParam = true;
                ++i_;
            }
            if (negatif) param = -param;
            if (i_ < n && d_.at(i_) == ' ') ++i_;  // the delimiter belongs to the word
            debutGroupe_ = false;
            if (mot == "bin") {
                // Raw bytes follow: braces and backslashes among them are data, never syntax.
                if (aParam && param > 0) i_ += qsizetype(std::min<long long>(param, n - i_));
                return;
            }
            motCle(mot, aParam, int(std::clamp<long long>(param, -2147483647LL, 2147483647LL)));
            return;
        }
        ++i_;
        // Only a \* that opens its group marks an optional destination.
        const bool debutGroupe = std::exchange(debutGroupe_, false);
        switch (c) {
            case '\\':
            case '{':
            case '}':
                caractere(QChar::fromLatin1(c));
                break;
            case '~':
                caractere(QChar(0x00A0));
                break;
            case '_':
                caractere(QChar(0x2011));
                break;
            case '-':
                break;  // optional hyphen
            case '*':
                etat().etoile = debutGroupe;
                break;
            case '\r':
            case '\n':
                if (!ignoree() && etat().dest == Destination::Texte) paragraphe();
                break;
            case '\t':
                caractere(QLatin1Char('\t'));
                break;
            case '\'': {
                int v = 0, lus = 0;
                while (lus < 2 && i_ < n) {
                    const int h = hexa(d_.at(i_));
                    if (h < 0) break;
                    v = v * 16 + h;
                    ++lus;
                    ++i_;
                }
                // An escaped byte in a font name is part of the name, even a ";" or a blank.
                if (lus > 0) caractere(Cp1252ToChar(uint8_t(v)), true);
                break;
            }
            default:
                break;  // unknown symbol
        }
    }

    static int hexa(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    void motCle(const QByteArray& mot, bool aParam, int param) {
        Etat& e = etat();
        const bool etoile = e.etoile;
        e.etoile = false;
        const bool actif = !aParam || param != 0;
        // Destinations.
        static const QList<QByteArray> ignorees = {"stylesheet",
                                                   "info",
                                                   "pict",
                                                   "object",
                                                   "header",
                                                   "headerl",
                                                   "headerr",
                                                   "headerf",
                                                   "footer",
                                                   "footerl",
                                                   "footerr",
                                                   "footerf",
                                                   "footnote",
                                                   "fldinst",
                                                   "themedata",
                                                   "colorschememapping",
                                                   "latentstyles",
                                                   "datastore",
                                                   "generator",
                                                   "listtable",
                                                   "listoverridetable",
                                                   "rsidtbl",
                                                   "xmlnstbl",
                                                   "mmathPr",
                                                   "pgdsctbl",
                                                   "filetbl",
                                                   "revtbl",
                                                   "bkmkstart",
                                                   "bkmkend",
                                                   "nonshppict",
                                                   "shp",
                                                   "shpinst",
                                                   "annotation",
                                                   "atnid",
                                                   "atnauthor",
                                                   "comment",
                                                   "title",
                                                   "author",
                                                   "operator",
                                                   "company",
                                                   "falt",
                                                   "panose",
                                                   "blipuid",
                                                   "wgrffmtfilter",
                                                   "pnseclvl",
                                                   "pntext",
                                                   "pntxta",
                                                   "pntxtb",
                                                   "listtext",
                                                   "fontemb",
                                                   "fontfile"};
        if (mot == "fonttbl") {
            e.dest = Destination::Polices;
            return;
        }
        if (mot == "colortbl") {
            e.dest = Destination::Couleurs;
            couleurCourante_ = QColor(0, 0, 0);
            couleurVue_ = false;
            return;
        }
        if (ignorees.contains(mot)) {
            e.dest = Destination::Ignoree;
            return;
        }
        if (etoile && e.dest != Destination::Ignoree) {
            // An optional destination this reader does not know.
            static const QList<QByteArray> connues = {"b", "i", "ul", "strike"};
            if (!connues.contains(mot)) {
                e.dest = Destination::Ignoree;
                return;
            }
        }
        if (e.dest == Destination::Ignoree) return;

        // Characters by number count in the tables too (a font name outside Windows-1252).
        if (mot == "u" && aParam) {
            int v = param;
            if (v < 0) v += 65536;
            if (v >= 0 && v <= 0xFFFF) caractere(QChar(char16_t(v)), true);
            sauter_ = std::clamp(e.uc, 0, 16);
            return;
        }
        if (mot == "uc") {
            e.uc = std::clamp(param, 0, 16);
            return;
        }

        if (e.dest == Destination::Polices) {
            if (mot == "f" && aParam) {
                vider();
                policeCourante_ = param;
                nomPolice_.clear();
                blancsFin_ = 0;
            }
            return;
        }
        if (e.dest == Destination::Couleurs) {
            const int v = std::clamp(param, 0, 255);
            if (mot == "red") {
                couleurCourante_.setRed(v);
                couleurVue_ = true;
            } else if (mot == "green") {
                couleurCourante_.setGreen(v);
                couleurVue_ = true;
            } else if (mot == "blue") {
                couleurCourante_.setBlue(v);
                couleurVue_ = true;
            }
            return;
        }

        if (mot == "par") {
            paragraphe();
            return;
        }
        if (mot == "line") {
            caractere(QChar(QChar::LineSeparator));
            return;
        }
        if (mot == "tab") {
            caractere(QLatin1Char('\t'));
            return;
        }
        if (mot == "emdash") {
            caractere(QChar(0x2014));
            return;
        }
        if (mot == "endash") {
            caractere(QChar(0x2013));
            return;
        }
        if (mot == "bullet") {
            caractere(QChar(0x2022));
            return;
        }
        if (mot == "lquote") {
            caractere(QChar(0x2018));
            return;
        }
        if (mot == "rquote") {
            caractere(QChar(0x2019));
            return;
        }
        if (mot == "ldblquote") {
            caractere(QChar(0x201C));
            return;
        }
        if (mot == "rdblquote") {
            caractere(QChar(0x201D));
            return;
        }

        // Formatting changes end the current run.
        Etat avant = e;
        if (mot == "b")
            e.gras = actif;
        else if (mot == "i")
            e.italique = actif;
        else if (mot == "ul")
            e.souligne = actif;
        else if (mot == "ulnone")
            e.souligne = false;
        else if (mot == "strike")
            e.barre = actif;
        else if (mot == "fs") {
            if (aParam && param > 0) e.demiPoints = std::min(param, 3276);
        } else if (mot == "cf")
            e.couleur = aParam ? param : 0;
        else if (mot == "f") {
            if (aParam) e.police = param;
        } else if (mot == "ql")
            e.alignement = Qt::AlignLeft;
        else if (mot == "qr")
            e.alignement = Qt::AlignRight;
        else if (mot == "qc")
            e.alignement = Qt::AlignHCenter;
        else if (mot == "qj")
            e.alignement = Qt::AlignJustify;
        else if (mot == "pard")
            e.alignement = Qt::AlignLeft;
        else if (mot == "plain") {
            e.gras = e.italique = e.souligne = e.barre = false;
            e.demiPoints = 24;
            e.couleur = 0;
            e.police = -1;
        } else {
            return;  // unknown word: skipped
        }
        if (avant.gras != e.gras || avant.italique != e.italique || avant.souligne != e.souligne ||
            avant.barre != e.barre || avant.demiPoints != e.demiPoints || avant.couleur != e.couleur ||
            avant.police != e.police)
            vider();
    }

    // echappe: the character came as \'hh or \uN, not as a byte of the file.
    void caractere(QChar c, bool echappe = false) {
        Etat& e = etat();
        if (sauter_ > 0) {
            --sauter_;
            return;
        }
        if (debord_ > 0) return;
        switch (e.dest) {
            case Destination::Ignoree:
                return;
            case Destination::Polices:
                if (c == QLatin1Char(';') && !echappe) {
                    if (policeCourante_ >= 0) polices_.insert(policeCourante_, nomPolice());
                    nomPolice_.clear();
                    blancsFin_ = 0;
                } else if (nomPolice_.size() < 256) {
                    // Blanks of the file around a name are layout; escaped ones belong to the name.
                    const bool blanc = !echappe && c == QLatin1Char(' ');
                    if (blanc && nomPolice_.isEmpty()) return;
                    blancsFin_ = blanc ? blancsFin_ + 1 : 0;
                    nomPolice_ += c;
                }
                return;
            case Destination::Couleurs:
                if (c == QLatin1Char(';')) {
                    couleurs_.push_back(couleurVue_ ? couleurCourante_ : QColor());
                    couleurCourante_ = QColor(0, 0, 0);
                    couleurVue_ = false;
                }
                return;
            case Destination::Texte:
                break;
        }
        // Control characters have no place in a note (a tab is written \tab).
        if (c.unicode() < 0x20 && c != QLatin1Char('\t')) return;
        if (segment_.isEmpty()) formatSegment_ = format(e);
        segment_ += c;
    }

    void finGroupe() {
        vider();
        // A font entry closed without its ";".
        if (pile_.back().dest == Destination::Polices && pile_.size() > 1 &&
            pile_[pile_.size() - 2].dest == Destination::Polices && !nomPolice().isEmpty()) {
            if (policeCourante_ >= 0 && !polices_.contains(policeCourante_))
                polices_.insert(policeCourante_, nomPolice());
            nomPolice_.clear();
            blancsFin_ = 0;
        }
    }

    QString nomPolice() const { return nomPolice_.chopped(std::min<qsizetype>(blancsFin_, nomPolice_.size())); }

    void paragraphe() {
        vider();
        Paragraphe& p = paragraphes_.back();
        p.alignement = etat().alignement;
        p.formatFin = format(etat());
        paragraphes_.push_back({});
    }

    void vider() {
        if (segment_.isEmpty()) return;
        paragraphes_.back().segments.push_back({segment_, formatSegment_});
        paragraphes_.back().alignement = etat().alignement;
        segment_.clear();
    }

    QTextCharFormat format(const Etat& e) const {
        QTextCharFormat f;
        if (e.police >= 0) {
            const QString nom = polices_.value(e.police);
            if (!nom.isEmpty()) f.setFontFamilies({nom});
        }
        f.setFontPointSize(e.demiPoints / 2.0);
        if (e.gras) f.setFontWeight(QFont::Bold);
        if (e.italique) f.setFontItalic(true);
        if (e.souligne) f.setFontUnderline(true);
        if (e.barre) f.setFontStrikeOut(true);
        if (e.couleur > 0 && e.couleur < int(couleurs_.size()) && couleurs_[size_t(e.couleur)].isValid())
            f.setForeground(couleurs_[size_t(e.couleur)]);
        return f;
    }

    void construire(QTextDocument& doc) {
        // The paragraph after the last \par holds what followed it: nothing in a well-formed file.
        if (paragraphes_.size() > 1 && paragraphes_.back().segments.isEmpty()) paragraphes_.pop_back();
        doc.clear();
        // One edit for the whole note: the layout runs once at its end rather than over the
        // paragraph at every run, and loading leaves nothing to undo.
        const bool annulation = doc.isUndoRedoEnabled();
        doc.setUndoRedoEnabled(false);
        QTextCursor c(&doc);
        c.beginEditBlock();
        bool premier = true;
        for (const Paragraphe& p : paragraphes_) {
            QTextBlockFormat bf;
            bf.setAlignment(p.alignement);
            if (premier) {
                c.setBlockFormat(bf);
                premier = false;
            } else {
                c.insertBlock(bf);
            }
            c.setBlockCharFormat(p.segments.isEmpty() ? p.formatFin : p.segments.front().format);
            for (const Segment& s : p.segments) c.insertText(s.texte, s.format);
            if (p.segments.isEmpty()) c.setCharFormat(p.formatFin);
        }
        c.endEditBlock();
        doc.setUndoRedoEnabled(annulation);
    }

    const QByteArray& d_;
    qsizetype i_ = 0;
    std::vector<Etat> pile_;
    int debord_ = 0;
    int sauter_ = 0;
    bool debutGroupe_ = false;  // nothing read yet in the group just opened
    QList<Paragraphe> paragraphes_;
    QString segment_;
    QTextCharFormat formatSegment_;
    QHash<int, QString> polices_;
    int policeCourante_ = -1;
    QString nomPolice_;
    int blancsFin_ = 0;  // blanks of the file at the end of nomPolice_
    std::vector<QColor> couleurs_;
    QColor couleurCourante_;
    bool couleurVue_ = false;
};

// --- writing -------------------------------------------------------------------------------------

QByteArray octetEchappe(uint8_t o) {
    return QByteArrayLiteral("\\'") + QByteArray::number(o, 16).rightJustified(2, '0');
}

QByteArray texteRtf(const QString& s) {
    QByteArray r;
    for (qsizetype k = 0; k < s.size(); ++k) {
        const QChar c = s.at(k);
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            r += '\\';
            r += char(u);
        } else if (u == '\t') {
            r += "\\tab ";
        } else if (u == QChar::LineSeparator || u == '\n' || u == '\r') {
            r += "\\line ";
        } else if (u == QChar::ParagraphSeparator) {
            r += "\\par ";
        } else if (u == 0x00A0) {
            r += "\\~";
        } else if (u >= 0x20 && u < 0x7F) {
            r += char(u);
        } else if (u >= 0x80 && IsCp1252(c)) {
            r += octetEchappe(CharToCp1252(c));
        } else if (u >= 0x20) {
            r += "\\u" + QByteArray::number(int(int16_t(u))) + '?';
        }
    }
    return r;
}

// A font name reads back as it was: its control characters, its ";" and the blanks at its ends
// are escaped, so that none of them is taken for the table's layout.
QByteArray nomPoliceRtf(const QString& nom) {
    QByteArray r;
    for (qsizetype k = 0; k < nom.size(); ++k) {
        const char16_t u = nom.at(k).unicode();
        const bool blancBord = u == ' ' && (k == 0 || k == nom.size() - 1);
        if (u < 0x20 || u == ';' || blancBord)
            r += octetEchappe(uint8_t(u));
        else
            r += texteRtf(nom.mid(k, 1));
    }
    return r;
}

QString famille(const QTextCharFormat& f, const QString& defaut) {
    const QStringList fam = f.fontFamilies().toStringList();
    return fam.isEmpty() || fam.front().isEmpty() ? defaut : fam.front();
}

}  // namespace

bool LireRtf(const QByteArray& rtf, QTextDocument& doc) {
    qsizetype debut = 0;
    while (debut < rtf.size() &&
           (rtf.at(debut) == ' ' || rtf.at(debut) == '\r' || rtf.at(debut) == '\n' || rtf.at(debut) == '\t'))
        ++debut;
    if (!rtf.mid(debut, 5).startsWith("{\\rtf")) {
        doc.setPlainText(FromCp1252(rtf));
        return false;
    }
    Lecteur(rtf).lire(doc);
    return true;
}

QByteArray EcrireRtf(const QTextDocument& doc) {
    const QString policeDefaut =
        doc.defaultFont().family().isEmpty() ? QStringLiteral("Arial") : doc.defaultFont().family();
    const double tailleDefaut = doc.defaultFont().pointSizeF() > 0 ? doc.defaultFont().pointSizeF() : 12;

    // Tables first: every font and colour the text uses, in the order of first use, each found
    // again by its place in its table.
    QStringList polices{policeDefaut};
    QHash<QString, int> placePolice{{policeDefaut, 0}};
    QList<QColor> couleurs;
    QHash<QRgb, int> placeCouleur;
    auto indexPolice = [&](const QTextCharFormat& f) {
        const QString nom = famille(f, policeDefaut);
        const auto it = placePolice.constFind(nom);
        if (it != placePolice.cend()) return *it;
        polices << nom;
        return placePolice[nom] = int(polices.size()) - 1;
    };
    auto indexCouleur = [&](const QTextCharFormat& f) {
        if (!f.hasProperty(QTextFormat::ForegroundBrush)) return 0;
        const QColor c = f.foreground().color();
        const QColor opaque(c.red(), c.green(), c.blue());
        const auto it = placeCouleur.constFind(opaque.rgb());
        if (it != placeCouleur.cend()) return *it + 1;
        couleurs << opaque;
        placeCouleur.insert(opaque.rgb(), int(couleurs.size()) - 1);
        return int(couleurs.size());
    };
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        indexPolice(b.charFormat());
        indexCouleur(b.charFormat());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            indexPolice(it.fragment().charFormat());
            indexCouleur(it.fragment().charFormat());
        }
    }

    QByteArray r = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
    for (int k = 0; k < polices.size(); ++k)
        r += "{\\f" + QByteArray::number(k) + "\\fnil\\fcharset0 " + nomPoliceRtf(polices[k]) + ";}";
    r += "}\r\n";
    if (!couleurs.isEmpty()) {
        r += "{\\colortbl ;";
        for (const QColor& c : couleurs)
            r += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) + "\\blue" +
                 QByteArray::number(c.blue()) + ';';
        r += "}\r\n";
    }
    r += "\\viewkind4\\uc1";

    struct Courant {
        int police = 0, demiPoints = -1, couleur = 0;
        bool gras = false, italique = false, souligne = false, barre = false;
    } cour;
    auto appliquer = [&](const QTextCharFormat& f) {
        QByteArray m;
        const int police = indexPolice(f);
        const double pt = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : tailleDefaut;
        const int demi = std::max(1, int(std::lround(pt * 2)));
        const int couleur = indexCouleur(f);
        const bool gras = f.fontWeight() >= QFont::DemiBold;
        if (police != cour.police) m += "\\f" + QByteArray::number(police);
        if (demi != cour.demiPoints) m += "\\fs" + QByteArray::number(demi);
        if (couleur != cour.couleur) m += "\\cf" + QByteArray::number(couleur);
        if (gras != cour.gras) m += gras ? "\\b" : "\\b0";
        if (f.fontItalic() != cour.italique) m += f.fontItalic() ? "\\i" : "\\i0";
        if (f.fontUnderline() != cour.souligne) m += f.fontUnderline() ? "\\ul" : "\\ulnone";
        if (f.fontStrikeOut() != cour.barre) m += f.fontStrikeOut() ? "\\strike" : "\\strike0";
        cour = {police, demi, couleur, gras, f.fontItalic(), f.fontUnderline(), f.fontStrikeOut()};
        if (!m.isEmpty()) r += m + ' ';
    };

    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const Qt::Alignment a = b.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        r += "\\pard";
        if (a & Qt::AlignHCenter)
            r += "\\qc";
        else if (a & Qt::AlignRight)
            r += "\\qr";
        else if (a & Qt::AlignJustify)
            r += "\\qj";
        r += ' ';
        bool vide = true;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!frag.isValid()) continue;
            appliquer(frag.charFormat());
            r += texteRtf(frag.text());
            vide = false;
        }
        if (vide) appliquer(b.charFormat());
        r += "\\par\r\n";
    }
    r += '}';
    return r;
}
