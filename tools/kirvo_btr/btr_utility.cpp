#include "kirvo_btr/btr_utility.h"

#include "database/catalogue.h"
#include "database/record_layouts.h"
#include "platform/cp1252.h"
#include "platform/record_manager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr int kLongueurCle = 255;
constexpr int kOctetsParLigne = 32;

// ---- Values ---------------------------------------------------------------------------------

bool aEchapper(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x7F || u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 || u == 0x9D;
}

QString nomElement(const ChampEnreg& c, int i) {
    QString n = QString::fromLatin1(c.Nom);
    if (c.Nombre > 1) n += QLatin1Char('[') + QString::number(i) + QLatin1Char(']');
    return n;
}

QString texteChamp(const ChampEnreg& c, const char* p) {
    switch (c.Type) {
        case TypeChamp::Texte:
        case TypeChamp::Octets: {
            QString v = LireTexte(p, c.Taille);
            const QChar vide = c.Type == TypeChamp::Texte ? QLatin1Char(' ') : QChar(0);
            qsizetype n = v.size();
            while (n > 0 && v[n - 1] == vide) --n;
            return EchapperValeur(v.left(n));
        }
        case TypeChamp::Entier16: {
            int16_t v;
            std::memcpy(&v, p, 2);
            return QString::number(v);
        }
        case TypeChamp::Entier32: {
            int32_t v;
            std::memcpy(&v, p, 4);
            return QString::number(v);
        }
        case TypeChamp::Reel32: {
            float v;
            std::memcpy(&v, p, 4);
            // The shortest decimal that reads back as the same float ("12.5", "0.1", "-30", not
            // 0.100000001).
            if (std::isfinite(v)) {
                char t[32];
                const auto fin = std::to_chars(t, t + sizeof t, v);
                return QString::fromLatin1(t, qsizetype(fin.ptr - t));
            }
            uint32_t bits;
            std::memcpy(&bits, p, 4);  // keeps the exact bits of an infinity or a NaN
            return QStringLiteral("#%1").arg(bits, 8, 16, QLatin1Char('0'));
        }
    }
    return {};
}

bool ecrireChamp(const ChampEnreg& c, char* p, const QString& texte, QString* erreur) {
    switch (c.Type) {
        case TypeChamp::Texte:
        case TypeChamp::Octets: {
            QString v;
            if (!DeschapperValeur(texte, &v)) {
                *erreur = QStringLiteral("séquence d'échappement invalide");
                return false;
            }
            if (v.size() > c.Taille) {
                *erreur = QStringLiteral("valeur trop longue (%1 caractères pour %2)").arg(v.size()).arg(c.Taille);
                return false;
            }
            for (QChar ch : v)
                if (!IsCp1252(ch)) {
                    *erreur = QStringLiteral("caractère hors de la page de code (U+%1)")
                                  .arg(int(ch.unicode()), 4, 16, QLatin1Char('0'));
                    return false;
                }
            const QByteArray b = ToCp1252(v);
            std::memcpy(p, b.constData(), size_t(b.size()));
            std::memset(p + b.size(), c.Type == TypeChamp::Texte ? ' ' : 0, size_t(c.Taille - b.size()));
            return true;
        }
        case TypeChamp::Entier16:
        case TypeChamp::Entier32: {
            // Only what the dump writes: a sign and digits, nothing around them.
            static const QRegularExpression entier(QStringLiteral("^-?[0-9]{1,19}$"));
            bool ok = entier.match(texte).hasMatch();
            const qlonglong v = ok ? texte.toLongLong(&ok) : 0;
            const qlonglong bas = c.Type == TypeChamp::Entier16 ? std::numeric_limits<int16_t>::min()
                                                                : std::numeric_limits<int32_t>::min();
            const qlonglong haut = c.Type == TypeChamp::Entier16 ? std::numeric_limits<int16_t>::max()
                                                                 : std::numeric_limits<int32_t>::max();
            if (!ok || v < bas || v > haut) {
                *erreur = QStringLiteral("nombre invalide");
                return false;
            }
            if (c.Type == TypeChamp::Entier16) {
                const int16_t n = int16_t(v);
                std::memcpy(p, &n, 2);
            } else {
                const int32_t n = int32_t(v);
                std::memcpy(p, &n, 4);
            }
            return true;
        }
        case TypeChamp::Reel32: {
            // Only what the dump writes: a decimal number (exponent allowed), or "#" and the eight
            // hexadecimal digits of a value that has no decimal form.
            static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?([eE][-+]?[0-9]{1,3})?$"));
            static const QRegularExpression bitsExacts(QStringLiteral("^#[0-9A-Fa-f]{8}$"));
            bool ok = false;
            if (bitsExacts.match(texte).hasMatch()) {
                const uint32_t b = texte.mid(1).toUInt(&ok, 16);
                if (ok) {
                    std::memcpy(p, &b, 4);
                    return true;
                }
            } else if (decimal.match(texte).hasMatch()) {
                const float v = texte.toFloat(&ok);
                if (ok && std::isfinite(v)) {
                    std::memcpy(p, &v, 4);
                    return true;
                }
            }
            *erreur = QStringLiteral("nombre invalide");
            return false;
        }
    }
    return false;
}

// ---- Files ----------------------------------------------------------------------------------

QByteArray cleChemin(const QString& chemin) { return ToCp1252(chemin); }

struct FichierOuvert {
    char pos[kPosBlockSize];
    bool ouvert = false;
    int16_t status = 0;

    FichierOuvert(const QString& chemin, int16_t mode) {
        std::memset(pos, ' ', sizeof pos);
        QByteArray cle = cleChemin(chemin);
        std::vector<char> donnees(8, 0);
        uint32_t lng = 0;
        status = BTRCALL(BtrOp::Open, pos, donnees.data(), &lng, cle.data(), uint16_t(cle.size()), mode);
        ouvert = status == BtrStat::Ok;
    }
    ~FichierOuvert() {
        if (!ouvert) return;
        char cle[1] = {0};
        uint32_t lng = 0;
        BTRCALL(BtrOp::Close, pos, nullptr, &lng, cle, 0, 0);
    }
    FichierOuvert(const FichierOuvert&) = delete;
    FichierOuvert& operator=(const FichierOuvert&) = delete;

    // Open and described, or the reason written to err.
    bool decrire(const QString& chemin, BtrFileDescription& desc, QTextStream& err) const {
        if (!ouvert) {
            err << "Impossible d'ouvrir " << chemin << " (statut " << status << ")\n";
            return false;
        }
        if (const int16_t st = BtrDescribeFile(pos, &desc); st != BtrStat::Ok) {
            err << "Impossible de lire la définition de " << chemin << " (statut " << st << ")\n";
            return false;
        }
        return true;
    }
};

QString libelleFichier(int no) {
    const FileInfoEntry& e = CatalogueFichier(no);
    return QStringLiteral("fichier %1 « %2 »").arg(no).arg(e.Description);
}

QString hexLigne(const uint8_t* p, int n) {
    QString s;
    s.reserve(n * 2);
    static const char chiffres[] = "0123456789abcdef";
    for (int i = 0; i < n; ++i) {
        s += QLatin1Char(chiffres[p[i] >> 4]);
        s += QLatin1Char(chiffres[p[i] & 15]);
    }
    return s;
}

const QRegularExpression& motifBrut() {
    static const QRegularExpression re(QStringLiteral("^([0-9A-Fa-f]{4,}):\\s*([0-9A-Fa-f\\s]*)$"));
    return re;
}

bool lireBrut(const QStringList& lignes, int premiereLigne, QByteArray* octets, QString* erreur) {
    octets->clear();
    for (int i = 0; i < lignes.size(); ++i) {
        const auto m = motifBrut().match(lignes[i]);
        if (!m.hasMatch()) {
            *erreur = QStringLiteral("ligne %1 : ligne hexadécimale attendue").arg(premiereLigne + i);
            return false;
        }
        // An offset too large for a number is not offset 0.
        bool ok = false;
        const qlonglong position = m.captured(1).toLongLong(&ok, 16);
        if (!ok || position != octets->size()) {
            *erreur = QStringLiteral("ligne %1 : position %2 inattendue").arg(premiereLigne + i).arg(m.captured(1));
            return false;
        }
        QString h = m.captured(2);
        h.remove(QRegularExpression(QStringLiteral("\\s")));
        if (h.size() % 2) {
            *erreur = QStringLiteral("ligne %1 : nombre impair de chiffres").arg(premiereLigne + i);
            return false;
        }
        *octets += QByteArray::fromHex(h.toLatin1());
    }
    return true;
}

// ---- Commands -------------------------------------------------------------------------------

void usage(QTextStream& err) {
    err << "Utilisation :\n"
           "  kirvo_btr create <dossier> <stations>   crée les fichiers d'une base (1 à 10 stations)\n"
           "  kirvo_btr list <dossier>                fichiers, longueur d'enregistrement, clés, enregistrements\n"
           "  kirvo_btr dump <fichier> [--raw]        enregistrements en texte (ou en hexadécimal)\n"
           "  kirvo_btr load <fichier> <vidage>       insère les enregistrements d'un vidage\n";
}

int commandeCreate(const QString& dossier, const QString& stationsTexte, QTextStream& out, QTextStream& err) {
    bool ok = false;
    const int stations = stationsTexte.toInt(&ok);
    if (!ok || stations < 1 || stations > NbStationsMax) {
        err << "Nombre de stations invalide : " << stationsTexte << " (1 à 10)\n";
        return 2;
    }
    if (!QDir().mkpath(dossier)) {
        err << "Impossible de créer le dossier " << dossier << "\n";
        return 1;
    }
    InitGeneralData();
    int crees = 0, existants = 0, echecs = 0;
    for (int no = 0; no < NbFichiersBTR; ++no) {
        const FileInfoEntry& e = FileInfo[size_t(no)];
        if (e.vide()) continue;
        InitStructureFichierBTR(int16_t(no), true);
        const int nb = e.parStation() ? stations : 1;
        for (int i = 0; i < nb; ++i) {
            const QString nom = NomFichierBTR(int16_t(no), int16_t(i));
            const QString chemin = QDir(dossier).filePath(nom);
            char pos[kPosBlockSize];
            std::memset(pos, ' ', sizeof pos);
            QByteArray cle = cleChemin(chemin);
            uint32_t lng = sizeof BtrFileSpec;
            // Key number -1: an existing file is kept, never overwritten.
            const int16_t st = BTRCALL(BtrOp::Create, pos, &BtrFileSpec, &lng, cle.data(), uint16_t(cle.size()), -1);
            if (st == BtrStat::Ok) {
                ++crees;
                out << "Créé : " << nom << "\n";
            } else if (st == BtrStat::FileAlreadyExists) {
                ++existants;
                out << "Existe déjà : " << nom << "\n";
            } else {
                ++echecs;
                err << "Échec de la création de " << nom << " (statut " << st << ")\n";
            }
        }
    }
    out << crees << " fichier(s) créé(s), " << existants << " existant(s), " << echecs << " échec(s)\n";
    return echecs ? 1 : 0;
}

int commandeList(const QString& dossier, QTextStream& out, QTextStream& err) {
    const QDir d(dossier);
    if (!d.exists()) {
        err << "Dossier introuvable : " << dossier << "\n";
        return 1;
    }
    QStringList noms;
    for (const QFileInfo& fi : d.entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase))
        if (fi.suffix().compare(QLatin1String("bt6"), Qt::CaseInsensitive) == 0) noms << fi.fileName();
    int echecs = 0;
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg(QStringLiteral("Fichier"), -14)
               .arg(QStringLiteral("No"), 3)
               .arg(QStringLiteral("Longueur"), 9)
               .arg(QStringLiteral("Clés"), 5)
               .arg(QStringLiteral("Enregistrements"), 16);
    for (const QString& nom : noms) {
        FichierOuvert f(d.filePath(nom), BtrOpenMode::ReadOnly);
        const int no = NoFichierDepuisNom(nom);
        const QString noTexte = no >= 0 ? QString::number(no) : QStringLiteral("-");
        BtrFileDescription desc;
        const int16_t st = f.ouvert ? BtrDescribeFile(f.pos, &desc) : f.status;
        if (st != BtrStat::Ok) {
            ++echecs;
            out << QStringLiteral("%1 %2 illisible (statut %3)\n").arg(nom, -14).arg(noTexte, 3).arg(st);
            continue;
        }
        QString ligne = QStringLiteral("%1 %2 %3 %4 %5")
                            .arg(nom, -14)
                            .arg(noTexte, 3)
                            .arg(desc.recordLength, 9)
                            .arg(desc.keyCount, 5)
                            .arg(desc.recordCount, 16);
        if (no >= 0) {
            const FileInfoEntry& e = CatalogueFichier(no);
            if (int(desc.recordLength) != e.RecordLength || desc.keyCount != e.KeyCount)
                ligne += QStringLiteral("  (catalogue : longueur %1, %2 clé(s))").arg(e.RecordLength).arg(e.KeyCount);
        }
        out << ligne << "\n";
    }
    if (noms.isEmpty()) out << "Aucun fichier .bt6\n";
    return echecs ? 1 : 0;
}

int commandeDump(const QString& chemin, bool brut, QTextStream& out, QTextStream& err) {
    FichierOuvert f(chemin, BtrOpenMode::ReadOnly);
    BtrFileDescription desc;
    if (!f.decrire(chemin, desc, err)) return 1;
    const int no = NoFichierDepuisNom(chemin);
    const TamponEnreg* t = no >= 0 ? EnregFichier(no) : nullptr;
    const QString nom = QFileInfo(chemin).fileName();
    if (!brut && !t) {
        err << nom << " : pas de disposition d'enregistrement connue, vidage en hexadécimal\n";
        brut = true;
    }
    if (brut)
        out << "# " << nom << " : enregistrements bruts de " << desc.recordLength << " octets\n";
    else
        out << "# " << t->Nom << " : " << libelleFichier(no) << "\n";

    std::vector<char> image(t ? size_t(t->Taille) : 0);
    const int16_t st = BtrForEachRecord(f.pos, [&](const uint8_t* data, uint32_t lng) {
        out << "\n";
        if (brut) {
            for (uint32_t o = 0; o < lng; o += kOctetsParLigne) {
                const int n = int(std::min<uint32_t>(kOctetsParLigne, lng - o));
                out << QStringLiteral("%1: ").arg(o, 4, 16, QLatin1Char('0')) << hexLigne(data + o, n) << "\n";
            }
        } else {
            // The tail of a layout longer than the record is never stored: it reads as new.
            ViderEnreg(*t, image.data());
            std::memcpy(image.data(), data, std::min<size_t>(lng, image.size()));
            out << TexteEnreg(*t, image.data());
        }
        return true;
    });
    if (st != BtrStat::Ok) {
        err << "Lecture interrompue (statut " << st << ")\n";
        return 1;
    }
    return 0;
}

int commandeLoad(const QString& chemin, const QString& vidage, QTextStream& out, QTextStream& err) {
    QFile source(vidage);
    if (!source.open(QIODevice::ReadOnly)) {
        err << "Impossible de lire " << vidage << "\n";
        return 1;
    }
    const QStringList lignes = QString::fromUtf8(source.readAll()).split(QLatin1Char('\n'));

    FichierOuvert f(chemin, BtrOpenMode::Normal);
    BtrFileDescription desc;
    if (!f.decrire(chemin, desc, err)) return 1;
    const int no = NoFichierDepuisNom(chemin);
    const TamponEnreg* t = no >= 0 ? EnregFichier(no) : nullptr;

    // Every record is read before the first insert: a mistake in the dump writes nothing.
    std::vector<QByteArray> enregs;
    std::vector<int> debuts;
    QStringList bloc;
    int debutBloc = 0;
    QString erreur;
    auto finBloc = [&]() -> bool {
        if (bloc.isEmpty()) return true;
        QByteArray rec(int(desc.recordLength), '\0');
        if (motifBrut().match(bloc.first()).hasMatch()) {
            QByteArray octets;
            if (!lireBrut(bloc, debutBloc, &octets, &erreur)) return false;
            if (octets.size() > rec.size()) {
                erreur = QStringLiteral("ligne %1 : enregistrement de %2 octets pour %3")
                             .arg(debutBloc)
                             .arg(octets.size())
                             .arg(rec.size());
                return false;
            }
            std::memcpy(rec.data(), octets.constData(), size_t(octets.size()));
        } else {
            if (!t) {
                erreur = QStringLiteral("ligne %1 : pas de disposition d'enregistrement connue pour ce fichier")
                             .arg(debutBloc);
                return false;
            }
            std::vector<char> image(size_t(t->Taille));
            if (!LireTexteEnreg(*t, bloc, debutBloc, image.data(), &erreur, int(desc.recordLength))) return false;
            std::memcpy(rec.data(), image.data(), std::min<size_t>(image.size(), size_t(rec.size())));
        }
        enregs.push_back(rec);
        debuts.push_back(debutBloc);
        bloc.clear();
        return true;
    };
    for (int i = 0; i < lignes.size(); ++i) {
        QString l = lignes[i];
        if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
        if (l.startsWith(QLatin1Char('#'))) continue;
        if (l.trimmed().isEmpty()) {
            if (!finBloc()) break;
            continue;
        }
        if (bloc.isEmpty()) debutBloc = i + 1;
        bloc << l;
    }
    if (erreur.isEmpty()) finBloc();
    if (!erreur.isEmpty()) {
        err << vidage << " : " << erreur << "\n"
            << "Aucun enregistrement inséré\n";
        return 1;
    }

    int inseres = 0, echecs = 0;
    // One transaction: a load of many records is not one synced write per record.
    char rien[1] = {0};
    uint32_t zero = 0;
    const bool transaction = BTRCALL(BtrOp::BeginTransaction, nullptr, nullptr, &zero, rien, 0, 0) == BtrStat::Ok;
    for (size_t i = 0; i < enregs.size(); ++i) {
        char cle[kLongueurCle];
        std::memset(cle, ' ', sizeof cle);
        uint32_t lng = uint32_t(enregs[i].size());
        const int16_t st = BTRCALL(BtrOp::Insert, f.pos, enregs[i].data(), &lng, cle, kLongueurCle, 0);
        if (st == BtrStat::Ok) {
            ++inseres;
        } else {
            ++echecs;
            err << "Enregistrement de la ligne " << debuts[i] << " refusé (statut " << st
                << (st == BtrStat::DuplicateKey ? ", clé en double" : "") << ")\n";
        }
    }
    if (transaction) {
        const int16_t st = BTRCALL(BtrOp::EndTransaction, nullptr, nullptr, &zero, rien, 0, 0);
        if (st != BtrStat::Ok) {
            err << "Échec de l'écriture (statut " << st << "), aucun enregistrement inséré\n";
            return 1;
        }
    }
    out << inseres << " enregistrement(s) inséré(s), " << echecs << " refusé(s)\n";
    return echecs ? 1 : 0;
}

}  // namespace

QString EchapperValeur(const QString& valeur) {
    QString s;
    s.reserve(valeur.size());
    for (QChar c : valeur) {
        if (c == QLatin1Char('\\'))
            s += QStringLiteral("\\\\");
        else if (aEchapper(c))
            s += QStringLiteral("\\x%1").arg(int(CharToCp1252(c)), 2, 16, QLatin1Char('0'));
        else
            s += c;
    }
    return s;
}

bool DeschapperValeur(const QString& texte, QString* valeur) {
    QString v;
    v.reserve(texte.size());
    for (qsizetype i = 0; i < texte.size(); ++i) {
        if (texte[i] != QLatin1Char('\\')) {
            v += texte[i];
            continue;
        }
        if (i + 1 < texte.size() && texte[i + 1] == QLatin1Char('\\')) {
            v += QLatin1Char('\\');
            ++i;
            continue;
        }
        // "\x" and exactly two hexadecimal digits: no sign, no blank.
        const auto hex = [&](qsizetype k) {
            if (k >= texte.size()) return false;
            const char16_t u = texte[k].unicode();
            return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
        };
        if (i + 1 < texte.size() && texte[i + 1] == QLatin1Char('x') && hex(i + 2) && hex(i + 3)) {
            v += Cp1252ToChar(uint8_t(texte.mid(i + 2, 2).toInt(nullptr, 16)));
            i += 3;
            continue;
        }
        return false;
    }
    *valeur = v;
    return true;
}

int NoFichierDepuisNom(const QString& chemin, int* station) {
    if (station) *station = -1;
    static const QRegularExpression re(QStringLiteral("^FRAD([0-9A-J])([0-9]{2})\\.BT6$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(QFileInfo(chemin).fileName());
    if (!m.hasMatch()) return -1;
    const QChar c = m.captured(1).at(0).toUpper();
    const bool parStation = c.isLetter();
    const int no = parStation ? m.captured(2).toInt() : (QString(c) + m.captured(2)).toInt();
    if (no >= NbFichiersBTR) return -1;
    const FileInfoEntry& e = CatalogueFichier(no);
    if (e.vide() || e.parStation() != parStation) return -1;
    if (station && parStation) *station = c.unicode() - 'A';
    return no;
}

QString TexteEnreg(const TamponEnreg& t, const char* image) {
    QString s;
    for (int i = 0; i < t.NbChamps; ++i) {
        const ChampEnreg& c = t.Champs[i];
        for (int k = 0; k < c.Nombre; ++k)
            s += nomElement(c, k) + QLatin1Char('=') + texteChamp(c, image + c.Offset + k * c.Taille) +
                 QLatin1Char('\n');
    }
    return s;
}

bool LireTexteEnreg(const TamponEnreg& t, const QStringList& lignes, int premiereLigne, char* image, QString* erreur,
                    int longueurStockee) {
    ViderEnreg(t, image);
    if (longueurStockee < 0 || longueurStockee > t.Taille) longueurStockee = t.Taille;
    // What the layout's tail past the stored record holds: a value that needs more is refused,
    // never cut without a word.
    std::vector<char> vide(size_t(t.Taille));
    ViderEnreg(t, vide.data());
    std::vector<bool> vu;
    struct Element {
        const ChampEnreg* c;
        int k;
    };
    std::vector<Element> elements;
    QStringList noms;
    for (int i = 0; i < t.NbChamps; ++i)
        for (int k = 0; k < t.Champs[i].Nombre; ++k) {
            elements.push_back({&t.Champs[i], k});
            noms << nomElement(t.Champs[i], k);
        }
    vu.assign(elements.size(), false);
    for (int i = 0; i < lignes.size(); ++i) {
        const QString& l = lignes[i];
        const int ligne = premiereLigne + i;
        const qsizetype egal = l.indexOf(QLatin1Char('='));
        if (egal < 0) {
            *erreur = QStringLiteral("ligne %1 : « champ=valeur » attendu").arg(ligne);
            return false;
        }
        const QString nom = l.left(egal).trimmed();
        const qsizetype idx = noms.indexOf(nom);
        if (idx < 0) {
            *erreur = QStringLiteral("ligne %1 : champ inconnu « %2 » dans %3")
                          .arg(ligne)
                          .arg(nom, QString::fromLatin1(t.Nom));
            return false;
        }
        if (vu[size_t(idx)]) {
            *erreur = QStringLiteral("ligne %1 : champ « %2 » donné deux fois").arg(ligne).arg(nom);
            return false;
        }
        vu[size_t(idx)] = true;
        const Element& e = elements[size_t(idx)];
        QString raison;
        const int debut = e.c->Offset + e.k * e.c->Taille;
        if (!ecrireChamp(*e.c, image + debut, l.mid(egal + 1), &raison)) {
            *erreur = QStringLiteral("ligne %1 : %2 : %3").arg(ligne).arg(nom, raison);
            return false;
        }
        int utile = e.c->Taille;  // bytes up to the last one that differs from the empty value
        while (utile > 0 && image[debut + utile - 1] == vide[size_t(debut + utile - 1)]) --utile;
        const int stockes = std::clamp(longueurStockee - debut, 0, e.c->Taille);
        if (utile > stockes) {
            const bool texte = e.c->Type == TypeChamp::Texte || e.c->Type == TypeChamp::Octets;
            *erreur = texte ? QStringLiteral("ligne %1 : %2 : valeur trop longue (%3 caractères pour %4 stockés)")
                                  .arg(ligne)
                                  .arg(nom)
                                  .arg(utile)
                                  .arg(stockes)
                            : QStringLiteral("ligne %1 : %2 : champ au-delà des %3 octets stockés")
                                  .arg(ligne)
                                  .arg(nom)
                                  .arg(longueurStockee);
            return false;
        }
    }
    return true;
}

int KirvoBtr(const QStringList& args, QTextStream& out, QTextStream& err) {
    const QString cmd = args.value(0);
    if (cmd == QLatin1String("create") && args.size() == 3) return commandeCreate(args[1], args[2], out, err);
    if (cmd == QLatin1String("list") && args.size() == 2) return commandeList(args[1], out, err);
    if (cmd == QLatin1String("dump") && args.size() == 2) return commandeDump(args[1], false, out, err);
    if (cmd == QLatin1String("dump") && args.size() == 3 && args[2] == QLatin1String("--raw"))
        return commandeDump(args[1], true, out, err);
    if (cmd == QLatin1String("load") && args.size() == 3) return commandeLoad(args[1], args[2], out, err);
    usage(err);
    return 2;
}
