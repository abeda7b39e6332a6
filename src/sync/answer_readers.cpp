#include "sync/answer_readers.h"

#include "foundation/conversions.h"
#include "foundation/file_ops.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "platform/app_error.h"
#include "platform/http_client.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>
#include <limits>

ReponseXML ReponseCreateXML;
ReponseXML ReponseUpdateXML;
ReponseXML ReponseDeleteXML;

namespace {

const QString kCRLF = QStringLiteral("\r\n");
// Deepest element nesting an answer file may have (answers nest four levels).
constexpr int kProfondeurMaxReponse = 64;

// An HTML page (a web server's error page) is recognised by its document type line.
bool EstPageHtml(const QByteArray& contenu) {
    return QString::fromLatin1(contenu).contains(QLatin1String("DOCTYPE html PUBLIC"), Qt::CaseInsensitive);
}

void LogFichierIllisible(const QString& FileName) {
    TraceLog(-1, -1, -1, QStringLiteral("Err: Unable to read the xml file:") + FileName, false, -1, true);
}

enum class Operation { Create, Update, Delete };

// The texts of every "Result" and every "Id" element of an answer, in the order they open; an
// element's text is the text inside it, less that of the Result and Id elements nested in it: each
// text is kept once, however deep these elements nest.
class ResultatsEtIds : public VisiteurReponse {
public:
    void debut(QStringView nom, const QXmlStreamAttributes&) override {
        QStringList* liste = nom == QLatin1String("Result") ? &resultats : nom == QLatin1String("Id") ? &ids : nullptr;
        if (liste) {
            ouverts_.emplace_back(liste, liste->size());
            liste->append(QString());
        }
        pile_.push_back(liste != nullptr);
    }
    void fin() override {
        if (pile_.back()) ouverts_.pop_back();
        pile_.pop_back();
    }
    void texte(QStringView t, bool) override {
        if (ouverts_.empty()) return;
        const auto& [liste, i] = ouverts_.back();
        (*liste)[i] += t;
    }
    QStringList resultats, ids;

private:
    std::vector<bool> pile_;                                   // whether each open element is one of ours
    std::vector<std::pair<QStringList*, qsizetype>> ouverts_;  // ours that are open
};

// An answer says its work was done when one of its Result texts reads "True", in any case.
bool ResultatVrai(const QStringList& resultats) {
    for (const QString& r : resultats)
        if (r.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0) return true;
    return false;
}

void LectureGenerique(Operation op, const char* cle, ReponseXML& rep, const QString& FileName, const QString& Detail,
                      bool& Err) {
    Err = false;
    Proc p(cle);
    p.leaveOnError().handler([&](int) {
        // A reader that fails half-way gives no answer: its caller must not act on it.
        Err = true;
        rep = ReponseXML{};
        return false;
    });
    rep = ReponseXML{};
    TextesEntete t;
    ResultatsEtIds v;
    bool charge = false;
    p(10, [&] { charge = ChargerEnteteReponse(FileName, QString::fromLatin1(cle), t, &v); });
    if (p.left()) return;
    if (!charge) {
        Err = true;
        return;
    }
    EnteteReponse e;
    bool ok = true;
    p(20, [&] { ok = LireEnteteReponse(t, FileName, Detail, e); });
    if (p.left()) return;
    rep.Code = e.Code;
    rep.Type = e.Type;
    rep.Message = e.Message;
    rep.ErrorCode = e.ErrorCode;
    if (!ok) {
        Err = true;
        return;
    }
    p(30, [&] {
        rep.Result = ResultatVrai(v.resultats);
        // A creation's answer names the new id (the last "Id" when there are several).
        if (rep.Result && op == Operation::Create)
            for (const QString& id : v.ids) rep.Id = ValeurNumeriqueReponse(id);
    });
}

}  // namespace

namespace {

// A plain absolute name, as the program gives its answer files: nothing that the file lookup
// would trim, translate, resolve or match as a pattern.
bool NomDirect(const QString& nom) {
    if (!nom.startsWith(QLatin1Char('/')) || nom.endsWith(QLatin1Char(' '))) return false;
    for (const QChar c : nom)
        if (c == QLatin1Char('\\') || c == QLatin1Char('*') || c == QLatin1Char('?')) return false;
    return !nom.contains(QLatin1String(" ."));
}

}  // namespace

namespace {

// One reader serves every answer: setting one up costs more than reading a short answer. A visitor
// may pump the events, and so start another read: that one gets a reader of its own.
class ReaderEmprunte {
public:
    ReaderEmprunte() {
        if (!occupe_) {
            occupe_ = true;
            emprunte_ = true;
        } else {
            propre_ = std::make_unique<QXmlStreamReader>();
        }
    }
    ~ReaderEmprunte() {
        if (emprunte_) {
            partage().clear();
            occupe_ = false;
        }
    }
    ReaderEmprunte(const ReaderEmprunte&) = delete;
    ReaderEmprunte& operator=(const ReaderEmprunte&) = delete;
    QXmlStreamReader& operator*() { return emprunte_ ? partage() : *propre_; }

private:
    static QXmlStreamReader& partage() {
        static QXmlStreamReader r;
        return r;
    }
    static inline bool occupe_ = false;
    bool emprunte_ = false;
    std::unique_ptr<QXmlStreamReader> propre_;
};

// Reads the header of an answer as it goes by.
class LecteurEntete : public VisiteurReponse {
public:
    explicit LecteurEntete(TextesEntete& t) : t_(t) {}

    void debut(QStringView nom, const QXmlStreamAttributes&) override {
        Cadre c;
        if (nom == QLatin1String("Error")) {
            c.erreur = ++erreurs_;
        } else if (nom == QLatin1String("Code")) {
            if (!t_.codeVu) {
                t_.codeVu = true;
                c.champ = kCode;
            }
        } else if (!pile_.empty() && pile_.back().erreur > 0) {
            const QString maj = nom.toString().toUpper();
            if (maj == QLatin1String("TYPE"))
                c.champ = 0;
            else if (maj == QLatin1String("MESSAGE"))
                c.champ = 1;
            else if (maj == QLatin1String("ERRORCODE"))
                c.champ = 2;
            if (c.champ >= 0) c.deErreur = pile_.back().erreur;
        }
        if (c.champ >= 0) ouverts_.push_back(pile_.size());
        pile_.push_back(std::move(c));
    }
    void fin() override {
        Cadre c = std::move(pile_.back());
        pile_.pop_back();
        if (c.champ < 0) return;
        ouverts_.pop_back();
        if (c.champ == kCode) {
            t_.code = c.texte;
        } else if (c.deErreur >= meilleure_[c.champ]) {
            // The last one wins, Error elements taken in the order they open, as a nested
            // one's fields close before those of the Error holding it.
            meilleure_[c.champ] = c.deErreur;
            QString* cibles[] = {&t_.type, &t_.message, &t_.errorCode};
            *cibles[c.champ] = c.texte;
        }
    }
    void texte(QStringView t, bool) override {
        // Only the innermost field takes it: each text is kept once, however deep they nest.
        if (!ouverts_.empty()) pile_[ouverts_.back()].texte += t;
    }

private:
    static constexpr int kCode = 3;
    struct Cadre {
        int erreur = 0;    // an Error element: its rank among them
        int champ = -1;    // 0 Type, 1 Message, 2 ErrorCode (of an Error), kCode: the first Code
        int deErreur = 0;  // the rank of the Error holding the field
        QString texte;
    };
    TextesEntete& t_;
    std::vector<Cadre> pile_;
    std::vector<size_t> ouverts_;  // the open elements whose text is wanted
    int erreurs_ = 0;
    int meilleure_[3] = {0, 0, 0};
};

}  // namespace

namespace {

// Most attributes a start tag of an answer may carry: those of the service carry none that matter,
// a few namespace declarations at most. The XML reader checks the name of each attribute against
// all the others of its tag, at a cost that grows with the square of their number (100,000 of
// them hold it for 15 seconds and more), and only once the whole tag is read.
constexpr int kAttributsMaxParBalise = 256;
// Those comparisons are bounded over the whole answer too, so that an answer made only of tags
// with many attributes costs what a plain answer of its size costs: the tags of an answer may ask
// for a few full tags' worth, and then one more for each character read.
constexpr qint64 kComparaisonsOffertes = 64 * 1024;
// An answer is read and handed to the XML reader in pieces of this size: a short one (one item, a
// status: nearly all of them) in one piece, a longer one (a list) as it is read, never held whole.
constexpr qint64 kMorceau = 64 * 1024;

// The encoding an XML declaration at the head of an answer names; empty when there is none.
QByteArray CodageDeclare(QByteArrayView debut) {
    if (!debut.startsWith("<?xml")) return {};
    const qsizetype fin = debut.indexOf("?>");
    if (fin < 0) return {};
    static const QRegularExpression kCodage(
        QStringLiteral("^<\\?xml\\s.*?\\sencoding\\s*=\\s*([\"'])([A-Za-z][A-Za-z0-9._-]*)\\1"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = kCodage.match(QString::fromLatin1(debut.first(fin)));
    return m.hasMatch() ? m.captured(2).toLatin1() : QByteArray();
}

// A decoder that also tells whether it holds the first bytes of a character still waiting for the
// rest: at the end of an answer, that character was cut short.
class Decodeur : public QStringDecoder {
public:
    Decodeur() = default;
    explicit Decodeur(QStringConverter::Encoding codage) : QStringDecoder(codage) {}
    explicit Decodeur(const char* nom) : QStringDecoder(nom) {}
    bool enSuspens() const { return state.remainingChars != 0; }
};

// The bytes of an answer on their way to the XML reader, piece by piece. Each piece is decoded here
// first, beside the reader, in the encoding the reader reads it in: the one its first bytes show (a
// byte order mark, or a "<" in UTF-16 or UTF-32), or else the one its declaration names (UTF-8
// without one). A piece that is not valid in that encoding (a byte that begins or continues no
// character, a character cut short at the end, an encoded or lone surrogate) is never handed on:
// the reader would read the replacement character as text and the answer as a success, and the
// damaged text would go back to the web. The attributes of each start tag are counted on the way,
// on the characters (one "=" each, outside quoted values, comments, CDATA sections and processing
// instructions); past either bound nothing more is handed on either, and the answer reads as cut
// short, before the reader has the whole tag.
class SourceComptee : public QIODevice {
public:
    explicit SourceComptee(QIODevice& source) : source_(source) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }

    bool isSequential() const override { return true; }
    bool atEnd() const override { return lus_ == octets_.size() && (fini_ || refusee_); }
    qint64 bytesAvailable() const override { return octets_.size() - lus_; }

    // Once the reader has ended the document: true when the whole answer went to it, valid to its
    // last byte, and nothing was refused on the way.
    bool luEnEntier() {
        if (!refusee_ && lus_ == octets_.size() && !fini_ && chargerMorceau()) refusee_ = true;
        return !refusee_ && lus_ == octets_.size() && fini_;
    }

protected:
    qint64 readData(char* data, qint64 max) override {
        if (lus_ == octets_.size() && !chargerMorceau()) return 0;
        const qint64 n = std::min<qint64>(max, octets_.size() - lus_);
        std::memcpy(data, octets_.constData() + lus_, size_t(n));
        lus_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    enum class Etat {
        Texte,
        Chevron,
        Balise,
        Valeur,
        BaliseFin,
        Instruction,
        InstructionFin,
        Exclamation,
        Tiret,
        Section,
        SectionUn,
        SectionDeux,
        Declaration
    };

    // Reads, decodes and checks the next piece; false at the end or when it is refused.
    bool chargerMorceau() {
        lus_ = 0;
        if (fini_ || refusee_) {
            octets_.clear();
            return false;
        }
        octets_.resize(kMorceau);  // the same buffer, piece after piece
        const qint64 n = source_.read(octets_.data(), kMorceau);
        if (n <= 0) {
            octets_.clear();
            fini_ = true;
            // The last character must be whole.
            if (decodeur_.enSuspens() || moitieEnAttente_) refusee_ = true;
            return false;
        }
        octets_.resize(n);
        if (!decodeur_.isValid() && !choisirCodage(octets_)) return refuser();
        const QString texte = decodeur_(octets_);
        if (decodeur_.hasError() || (pairesAVerifier_ && !pairesCompletes(texte)) || !compter(texte)) return refuser();
        return true;
    }

    bool choisirCodage(QByteArrayView debut) {
        if (const auto codage = QStringConverter::encodingForData(debut, u'<')) {
            decodeur_ = Decodeur(*codage);
        } else {
            const QByteArray nom = CodageDeclare(debut);
            decodeur_ = nom.isEmpty() ? Decodeur(QStringDecoder::Utf8) : Decodeur(nom.constData());
        }
        // The UTF-8 decoder refuses a surrogate itself; those of UTF-16 and UTF-32 hand it on.
        const QByteArrayView nom(decodeur_.name());
        pairesAVerifier_ = nom.startsWith("UTF-16") || nom.startsWith("UTF-32");
        return decodeur_.isValid();  // an encoding nobody knows: no answer
    }

    // False at a surrogate that is not half of a pair; a first half may wait for the next piece.
    bool pairesCompletes(QStringView texte) {
        for (const QChar c : texte) {
            if (moitieEnAttente_ != c.isLowSurrogate()) return false;
            moitieEnAttente_ = c.isHighSurrogate();
        }
        return true;
    }

    bool refuser() {
        octets_.clear();
        refusee_ = true;
        return false;
    }

    bool compter(QStringView texte) {
        for (qsizetype i = 0; i < texte.size(); ++i) {
            if (etat_ == Etat::Texte) {
                // Most of an answer is text: straight to the next tag.
                i = texte.indexOf(u'<', i);
                if (i < 0) break;
            }
            if (!lire(texte[i].unicode(), caracteres_ + i)) return false;
        }
        caracteres_ += texte.size();
        return true;
    }

    // A comment ("-->") or a CDATA section ("]]>"): it ends with its closing character twice and ">".
    void ouvrirSection(char16_t fermeture) {
        fermeture_ = fermeture;
        etat_ = Etat::Section;
    }

    // False when the character is one attribute too many.
    bool lire(char16_t c, qint64 position) {
        switch (etat_) {
            case Etat::Texte:
                if (c == u'<') etat_ = Etat::Chevron;
                break;
            case Etat::Chevron:
                if (c == u'!')
                    etat_ = Etat::Exclamation;
                else if (c == u'?')
                    etat_ = Etat::Instruction;
                else if (c == u'/')
                    etat_ = Etat::BaliseFin;
                else if (c == u'>')
                    etat_ = Etat::Texte;
                else {
                    etat_ = Etat::Balise;
                    attributs_ = 0;
                }
                break;
            case Etat::Balise:
                if (c == u'"' || c == u'\'') {
                    guillemet_ = c;
                    etat_ = Etat::Valeur;
                } else if (c == u'=') {
                    // The reader compares this attribute with each one before it in the tag.
                    if (++attributs_ > kAttributsMaxParBalise) return false;
                    comparaisons_ += attributs_ - 1;
                    if (comparaisons_ > kComparaisonsOffertes + position) return false;
                } else if (c == u'>') {
                    etat_ = Etat::Texte;
                }
                break;
            case Etat::Valeur:
                if (c == guillemet_) etat_ = Etat::Balise;
                break;
            case Etat::BaliseFin:
            case Etat::Declaration:  // a document type: refused further on anyway
                if (c == u'>') etat_ = Etat::Texte;
                break;
            case Etat::Instruction:
                if (c == u'?') etat_ = Etat::InstructionFin;
                break;
            case Etat::InstructionFin:
                if (c == u'>')
                    etat_ = Etat::Texte;
                else if (c != u'?')
                    etat_ = Etat::Instruction;
                break;
            case Etat::Exclamation:
                if (c == u'-')
                    etat_ = Etat::Tiret;
                else if (c == u'[')
                    ouvrirSection(u']');
                else
                    etat_ = Etat::Declaration;
                break;
            case Etat::Tiret:
                if (c == u'-')
                    ouvrirSection(u'-');
                else
                    etat_ = Etat::Declaration;
                break;
            case Etat::Section:
                if (c == fermeture_) etat_ = Etat::SectionUn;
                break;
            case Etat::SectionUn:
                etat_ = c == fermeture_ ? Etat::SectionDeux : Etat::Section;
                break;
            case Etat::SectionDeux:
                if (c == u'>')
                    etat_ = Etat::Texte;
                else if (c != fermeture_)
                    etat_ = Etat::Section;
                break;
        }
        return true;
    }

    QIODevice& source_;
    QByteArray octets_;  // the piece being handed on
    qint64 lus_ = 0;     // how much of it is handed on
    Decodeur decodeur_;
    bool pairesAVerifier_ = false;
    bool moitieEnAttente_ = false;  // the last piece ended on the first half of a pair
    bool fini_ = false;
    bool refusee_ = false;
    Etat etat_ = Etat::Texte;
    char16_t guillemet_ = 0;
    char16_t fermeture_ = 0;
    int attributs_ = 0;
    qint64 comparaisons_ = 0;
    qint64 caracteres_ = 0;  // counted before the current piece
};

}  // namespace

bool ParcourirFichierReponse(const QString& FileName, const QString& cle, VisiteurReponse& visiteur) {
    QFile f(FileName);
    // Every answer is read so: the file opened once and its size taken from it, rather than
    // looked up, measured and opened apart. Any other name goes the file lookup's way.
    if (!NomDirect(FileName) || !f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (!File_Exist(FileName, cle, true)) return false;
        f.setFileName(FileName);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) Raise(75, f.errorString());
    }
    const qint64 taille = f.size();
    if (taille == 0) return false;  // an empty answer is no answer file
    if (taille > TailleMaxReponse) {
        LogFichierIllisible(FileName);
        return false;
    }

    // The answer is handed on in the same pass that checks it, so that no answer escapes a check;
    // it is read from the file as it goes, never held whole. The reader takes the bytes and decodes
    // them itself, so that a byte order mark and a declaration that disagree are refused as ever.
    // A DTD is never processed, and a page of a web site (an "html" root) is not an answer,
    // however well-formed. The nesting is bounded too: the document model slows down with the
    // square of the depth, and no answer nests more than a few levels; so are the attributes of
    // its tags, and its encoding is checked (SourceComptee).
    // Prefixes are kept as part of the names, bound or not, as the readers look names up whole.
    SourceComptee comptee(f);
    ReaderEmprunte emprunt;
    QXmlStreamReader& lecteur = *emprunt;
    lecteur.clear();
    lecteur.setDevice(&comptee);
    lecteur.setNamespaceProcessing(false);
    bool racineVue = false;
    int profondeur = 0;
    while (!lecteur.atEnd()) {
        switch (lecteur.readNext()) {
            case QXmlStreamReader::DTD:
                return false;
            case QXmlStreamReader::StartElement: {
                const QStringView nom = lecteur.qualifiedName();
                if (!racineVue && nom.mid(nom.lastIndexOf(QLatin1Char(':')) + 1)
                                          .compare(QLatin1String("html"), Qt::CaseInsensitive) == 0)
                    return false;
                racineVue = true;
                if (++profondeur > kProfondeurMaxReponse) {
                    LogFichierIllisible(FileName);
                    return false;
                }
                visiteur.debut(nom, lecteur.attributes());
                break;
            }
            case QXmlStreamReader::EndElement:
                --profondeur;
                visiteur.fin();
                break;
            case QXmlStreamReader::Characters:
                // Blank runs between elements are layout, as the document model has them.
                if (profondeur > 0 && !lecteur.isWhitespace()) visiteur.texte(lecteur.text(), lecteur.isCDATA());
                break;
            default:
                break;  // comments, processing instructions, the XML declaration
        }
    }
    if (lecteur.hasError() || !racineVue || !comptee.luEnEntier()) {
        lecteur.clear();
        if (!f.seek(0) || !EstPageHtml(f.readAll())) LogFichierIllisible(FileName);
        return false;
    }
    return true;
}

bool ChargerEnteteReponse(const QString& FileName, const QString& cle, TextesEntete& t, VisiteurReponse* aussi) {
    t = TextesEntete{};
    LecteurEntete entete(t);
    if (!aussi) return ParcourirFichierReponse(FileName, cle, entete);
    struct Les2 : VisiteurReponse {
        VisiteurReponse& a;
        VisiteurReponse& b;
        Les2(VisiteurReponse& x, VisiteurReponse& y) : a(x), b(y) {}
        void debut(QStringView nom, const QXmlStreamAttributes& attributs) override {
            a.debut(nom, attributs);
            b.debut(nom, attributs);
        }
        void fin() override {
            a.fin();
            b.fin();
        }
        void texte(QStringView texte, bool cdata) override {
            a.texte(texte, cdata);
            b.texte(texte, cdata);
        }
    } les2(entete, *aussi);
    return ParcourirFichierReponse(FileName, cle, les2);
}

bool LireEnteteReponse(const TextesEntete& t, const QString& FileName, const QString& Detail, EnteteReponse& e) {
    e = EnteteReponse{};
    if (t.codeVu) e.Code = ValeurNumeriqueReponse(t.code);
    if (e.Code == 0) return true;
    e.Type = t.type;
    e.Message = t.message;
    e.ErrorCode = t.errorCode;
    MsgBoxMain(LibRetourErr(FileName, e.Code, e.ErrorCode.isEmpty() ? Detail : e.ErrorCode),
               Mb::OKOnly | Mb::Exclamation);
    return false;
}

QString LibRetourErr(const QString& FileName, int32_t Code, const QString& Detail) {
    Proc p(Cle::LibRetourErr);
    QString r;
    p(10, [&] {
        switch (Code) {
            case 500:
                r = QStringLiteral("Aucunes données dans la basse sur le Net");
                break;
            case 501:
                r = QStringLiteral("Cet élément n'existe pas dans la base: ") + kCRLF + kCRLF + Detail;
                break;
            case 1001:
                r = QStringLiteral("Paramètre(s) invalide(s) pour la requête: ") + kCRLF + kCRLF + Detail;
                break;
            default:
                r = QStringLiteral("Impossible de lire le fichier:") + kCRLF + kCRLF + FileName + kCRLF + kCRLF +
                    QStringLiteral("Code retour erreur: ") + QString::number(Code);
        }
    });
    return r;
}

void LectureFichierXMLRequete_00_Generique_01_CreateXML(const QString& FileName, const QString& Detail, bool& Err) {
    LectureGenerique(Operation::Create, Cle::LectureCreateXML, ReponseCreateXML, FileName, Detail, Err);
}

void LectureFichierXMLRequete_00_Generique_01_UpdateXML(const QString& FileName, const QString& Detail, bool& Err) {
    LectureGenerique(Operation::Update, Cle::LectureUpdateXML, ReponseUpdateXML, FileName, Detail, Err);
}

void LectureFichierXMLRequete_00_Generique_01_DeleteXML(const QString& FileName, const QString& Detail, bool& Err) {
    LectureGenerique(Operation::Delete, Cle::LectureDeleteXML, ReponseDeleteXML, FileName, Detail, Err);
}

void ReinitialiserLecteursReponses() {
    ReponseCreateXML = ReponseXML{};
    ReponseUpdateXML = ReponseXML{};
    ReponseDeleteXML = ReponseXML{};
}

bool LireCodeEtResultat(const QString& FileName, const QString& cle, int32_t& code, bool& resultat) {
    code = 0;
    resultat = false;
    TextesEntete t;
    ResultatsEtIds v;
    if (!ChargerEnteteReponse(FileName, cle, t, &v)) return false;
    if (t.codeVu) code = ValeurNumeriqueReponse(t.code);
    resultat = ResultatVrai(v.resultats);
    return true;
}
