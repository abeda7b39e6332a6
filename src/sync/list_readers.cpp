#include "sync/list_readers.h"

#include "foundation/proc.h"
#include "foundation/window_helpers.h"
#include "platform/spread_grid.h"
#include "grids/list_grids.h"
#include "grids/web_lists.h"

#include <QHash>
#include <algorithm>
#include <utility>
#include <vector>

EnteteReponse ReponseLectureXML;
ReponseClientT ReponseClient;
ReponseProduitT ReponseProduit;
ReponseSecteurT ReponseSecteur;
ReponseCommercialT ReponseCommercial;
ReponseCanevasT ReponseCanevas;

namespace {

// How a reader reads the web id into its record: the leading number, or the whole text.
enum class LectureId { NombreEnTete, TexteEntier };

// One entity's reader: its field table (a field of line i fills column i + 1 of the grid), how it
// reads the web id, its record.
template <class T>
struct Lecteur {
    const char* cle;
    const ListeWeb<T>& liste;
    LectureId lectureId;
    T* enregistrement;

    // Upper-case tag -> index in the table; built once, on the first read.
    const QHash<QString, int>& index() const {
        if (index_.isEmpty())
            for (size_t i = 0; i < liste.colonnes.size(); ++i)
                if (liste.colonnes[i].balise)
                    index_.insert(QString::fromLatin1(liste.colonnes[i].balise).toUpper(), int(i));
        return index_;
    }
    mutable QHash<QString, int> index_ = {};
};

void EcrireStatut(SpreadGrid& g, int colonne, int ligne) {
    QString lettre, libelle;
    qint32 couleur = 0;
    if (!StatutListeWeb(g.textAt(colonne, ligne), lettre, couleur, libelle)) return;
    g.setTextAt(colonne, ligne, lettre);
    g.setCol(colonne);
    g.setRow(ligne);
    g.setBackColor(couleur);
    g.setTextAt(colonne + 1, ligne, libelle);
}

// One item of a list: its known fields, in the answer's order, with their text (less that of the
// fields of items nested in them).
using ItemLu = std::vector<std::pair<int, QString>>;

// Hands every item of every "Items" element to f, one by one as they are read, in the order of
// the Items elements and then of their children; pumps the events once after every child of an
// "Items" element, item or not. Only an Items element nested in another one has its items held
// until the outer one closes.
template <class F>
class LecteurItems : public VisiteurReponse {
public:
    LecteurItems(const QString& itemMaj, const QHash<QString, int>& index, F& f)
        : itemMaj_(itemMaj), index_(index), f_(f) {}

    void debut(QStringView nom, const QXmlStreamAttributes&) override {
        Cadre c;
        const Role parent = pile_.empty() ? Role::Autre : pile_.back().role;
        if (nom == QLatin1String("Items")) {
            c.role = Role::Items;
            c.rang = ++rangs_;
            ++itemsOuverts_;
        } else if (parent == Role::Items && nom.toString().toUpper() == itemMaj_) {
            c.role = Role::Item;
        } else if (parent == Role::Item) {
            const auto it = index_.constFind(nom.toString().toUpper());
            if (it != index_.cend()) {
                c.role = Role::Champ;
                c.champ = *it;
                ouverts_.push_back(pile_.size());
            }
        }
        pile_.push_back(std::move(c));
    }
    void fin() override {
        Cadre c = std::move(pile_.back());
        pile_.pop_back();
        switch (c.role) {
            case Role::Champ:
                ouverts_.pop_back();
                pile_.back().item.emplace_back(c.champ, std::move(c.texte));
                break;
            case Role::Item:
                if (itemsOuverts_ == 1)
                    f_(c.item);
                else
                    pile_.back().enAttente.push_back(std::move(c.item));
                break;
            case Role::Items:
                if (--itemsOuverts_ > 0) {
                    if (!c.enAttente.empty()) tenus_.emplace_back(c.rang, std::move(c.enAttente));
                } else {
                    std::stable_sort(tenus_.begin(), tenus_.end(),
                                     [](const auto& a, const auto& b) { return a.first < b.first; });
                    for (const auto& [rang, items] : tenus_)
                        for (const ItemLu& item : items) f_(item);
                    tenus_.clear();
                }
                break;
            case Role::Autre:
                break;
        }
        if (!pile_.empty() && pile_.back().role == Role::Items) LaisserPasserEvenements();
    }
    void texte(QStringView t, bool) override {
        // Only the innermost field takes it: a field holding nested Items does not keep their
        // fields' texts again, so each text is kept once, however deep they nest.
        if (!ouverts_.empty()) pile_[ouverts_.back()].texte += t;
        if (!pile_.empty() && pile_.back().role == Role::Items) LaisserPasserEvenements();
    }

private:
    enum class Role { Autre, Items, Item, Champ };
    struct Cadre {
        Role role = Role::Autre;
        int rang = 0;                   // Items: its rank among them
        int champ = -1;                 // Champ: its index in the reader's fields
        QString texte;                  // Champ
        ItemLu item;                    // Item
        std::vector<ItemLu> enAttente;  // Items nested in another one
    };
    const QString& itemMaj_;
    const QHash<QString, int>& index_;
    F& f_;
    std::vector<Cadre> pile_;
    std::vector<size_t> ouverts_;  // the open fields
    int itemsOuverts_ = 0;
    int rangs_ = 0;
    std::vector<std::pair<int, std::vector<ItemLu>>> tenus_;
};

// Takes the items of an answer in the pass that reads its header, as long as they are few (an item
// asked by its id, a short list): such an answer is then read once. Past that it lets go of them,
// and the items are read again afterwards, as they come.
class ItemsAvecEntete : public VisiteurReponse {
public:
    ItemsAvecEntete(const QString& itemMaj, const QHash<QString, int>& index)
        : garder_{this}, lecteur_(itemMaj, index, garder_) {}
    void debut(QStringView nom, const QXmlStreamAttributes& attributs) override {
        if (tous_) lecteur_.debut(nom, attributs);
    }
    void fin() override {
        if (tous_) lecteur_.fin();
    }
    void texte(QStringView texte, bool cdata) override {
        if (tous_) lecteur_.texte(texte, cdata);
    }
    // Every item of the answer, in order; nullptr when there were too many to hold.
    const std::vector<ItemLu>* items() const { return tous_ ? &items_ : nullptr; }

private:
    static constexpr size_t kItemsTenus = 64;
    struct Garder {
        ItemsAvecEntete* lui;
        void operator()(const ItemLu& item) const {
            if (lui->items_.size() < kItemsTenus) {
                lui->items_.push_back(item);
                return;
            }
            lui->tous_ = false;
            lui->items_ = {};
        }
    };
    Garder garder_;
    LecteurItems<Garder> lecteur_;
    std::vector<ItemLu> items_;
    bool tous_ = true;
};

// Reads the items of an answer file whose header was read already. False when the file no longer
// reads as it did.
template <class F>
bool LireItems(const QString& FileName, const char* cle, const QString& itemMaj, const QHash<QString, int>& index,
               F&& f) {
    LecteurItems<F> v(itemMaj, index, f);
    return ParcourirFichierReponse(FileName, QString::fromLatin1(cle), v);
}

template <class T>
void Lire(const Lecteur<T>& d, const QString& FileName, const QString& Detail, bool ToGrid, bool ToRecord, bool& Err) {
    Err = false;
    ReponseLectureXML = EnteteReponse{};
    SpreadGrid* g = nullptr;
    bool peintureCoupee = false;
    Proc p(d.cle);
    p.leaveOnError().handler([&](int) {
        // Half a read is no read: the caller must not take a missing id for a vanished item.
        Err = true;
        if (ToRecord) *d.enregistrement = T{};
        if (peintureCoupee && g) g->setRedraw(true);
        return false;
    });
    p(10, [&] {
        if (ToGrid) {
            g = GrillePub(d.liste.grille);
            if (g) {
                g->setSheet(g->activeSheet());
                g->setMaxRows(0);
            }
        }
        if (ToRecord) *d.enregistrement = T{};
    });
    if (p.left()) return;

    // The answer is never held whole: its header is read first, with its items when they are
    // few; else the items are read again afterwards, written to the grid or the record as they come.
    const QHash<QString, int>& index = d.index();
    const QString itemMaj = QString::fromLatin1(d.liste.item).toUpper();
    ItemsAvecEntete avecEntete(itemMaj, index);
    TextesEntete entete;
    bool charge = false;
    p(20, [&] { charge = ChargerEnteteReponse(FileName, QString::fromLatin1(d.cle), entete, &avecEntete); });
    if (p.left()) return;
    if (!charge) {
        Err = true;
        return;
    }
    bool ok = true;
    p(30, [&] { ok = LireEnteteReponse(entete, FileName, Detail, ReponseLectureXML); });
    if (p.left()) return;
    if (!ok) {
        Err = true;
        return;
    }

    // The items held, or read again. False when the file no longer reads as it did.
    const auto lireItems = [&](const auto& f) {
        if (const std::vector<ItemLu>* items = avecEntete.items()) {
            for (const ItemLu& item : *items) f(item);
            return true;
        }
        return LireItems(FileName, d.cle, itemMaj, index, f);
    };
    bool relu = true;
    if (ToGrid && g) {
        p(40, [&] {
            g->setRedraw(false);
            peintureCoupee = true;
            relu = lireItems([&](const ItemLu& item) {
                const int ligne = g->maxRows() + 1;
                g->setMaxRows(ligne);
                for (const auto& [i, texte] : item) {
                    g->setTextAt(i + 1, ligne, texte);
                    if (d.liste.colonnes[size_t(i)].role == RoleColonne::Statut) EcrireStatut(*g, i + 1, ligne);
                }
            });
            // A file changed under the reader gives no half list.
            if (!relu) g->setMaxRows(0);
            peintureCoupee = false;
            g->setRedraw(true);
        });
        if (p.left()) return;
    }
    if (ToRecord && relu) {
        p(50, [&] {
            T& r = *d.enregistrement;
            relu = lireItems([&](const ItemLu& item) {
                for (const auto& [i, texte] : item) {
                    const auto& champ = d.liste.colonnes[size_t(i)];
                    if (champ.reponse)
                        r.*champ.reponse = texte;
                    else
                        r.*d.liste.id = d.lectureId == LectureId::NombreEnTete ? ValeurNumeriqueReponse(texte)
                                                                               : ValeurEntiereStricte(texte);
                }
            });
            if (!relu) r = T{};
        });
    }
    if (!relu) Err = true;
}

const Lecteur<ReponseClientT>& LecteurClients() {
    static const Lecteur<ReponseClientT> d{Cle::LectureClients, ListeWebClients(), LectureId::NombreEnTete,
                                           &ReponseClient};
    return d;
}

const Lecteur<ReponseProduitT>& LecteurProduits() {
    static const Lecteur<ReponseProduitT> d{Cle::LectureProduits, ListeWebProduits(), LectureId::NombreEnTete,
                                            &ReponseProduit};
    return d;
}

const Lecteur<ReponseSecteurT>& LecteurSecteurs() {
    static const Lecteur<ReponseSecteurT> d{Cle::LectureSecteurs, ListeWebSecteurs(), LectureId::TexteEntier,
                                            &ReponseSecteur};
    return d;
}

const Lecteur<ReponseCommercialT>& LecteurCommerciaux() {
    static const Lecteur<ReponseCommercialT> d{Cle::LectureCommerciaux, ListeWebCommerciaux(), LectureId::NombreEnTete,
                                               &ReponseCommercial};
    return d;
}

const Lecteur<ReponseCanevasT>& LecteurCanevas() {
    static const Lecteur<ReponseCanevasT> d{Cle::LectureCanevas, ListeWebCanevas(), LectureId::TexteEntier,
                                            &ReponseCanevas};
    return d;
}

}  // namespace

bool StatutListeWeb(const QString& texte, QString& lettre, qint32& couleur, QString& libelle) {
    struct Statut {
        const char* texte;
        const char* lettre;
        qint32 couleur;
        const char* libelle;
    };
    static const Statut table[] = {
        {"2", "C", RGB(255, 255, 0), "Créé"},
        {"3", "M", RGB(0, 0, 255), "Modifié"},
        {"0", "S", RGB(255, 0, 255), "Supprimé"},
        {"1", "O", RGB(0, 255, 0), "Synchronisé"},
    };
    for (const Statut& s : table) {
        if (texte != QLatin1String(s.texte)) continue;
        lettre = QString::fromLatin1(s.lettre);
        couleur = s.couleur;
        libelle = QString::fromUtf8(s.libelle);
        return true;
    }
    return false;
}

void LectureFichierXMLRequete_Pub_01_Clt_01_ReadXML(const QString& FileName, const QString& Detail, bool ToGrid,
                                                    bool ToRecord, bool& Err) {
    Lire(LecteurClients(), FileName, Detail, ToGrid, ToRecord, Err);
}

void LectureFichierXMLRequete_Pub_02_Pro_01_ReadXML(const QString& FileName, const QString& Detail, bool ToGrid,
                                                    bool ToRecord, bool& Err) {
    Lire(LecteurProduits(), FileName, Detail, ToGrid, ToRecord, Err);
}

void LectureFichierXMLRequete_Pub_03_Sec_01_ReadXML(const QString& FileName, const QString& Detail, bool ToGrid,
                                                    bool ToRecord, bool& Err) {
    Lire(LecteurSecteurs(), FileName, Detail, ToGrid, ToRecord, Err);
}

void LectureFichierXMLRequete_Pub_04_Com_01_ReadXML(const QString& FileName, const QString& Detail, bool ToGrid,
                                                    bool ToRecord, bool& Err) {
    Lire(LecteurCommerciaux(), FileName, Detail, ToGrid, ToRecord, Err);
}

void LectureFichierXMLRequete_Pub_05_Cnv_01_ReadXML(const QString& FileName, const QString& Detail, bool ToGrid,
                                                    bool ToRecord, bool& Err) {
    Lire(LecteurCanevas(), FileName, Detail, ToGrid, ToRecord, Err);
}

bool LectureListeOnglet(int onglet, const QString& FileName, bool ToGrid, bool ToRecord, bool& Err) {
    using Fn = void (*)(const QString&, const QString&, bool, bool, bool&);
    static const Fn lecteurs[] = {nullptr,
                                  LectureFichierXMLRequete_Pub_01_Clt_01_ReadXML,
                                  LectureFichierXMLRequete_Pub_02_Pro_01_ReadXML,
                                  LectureFichierXMLRequete_Pub_03_Sec_01_ReadXML,
                                  LectureFichierXMLRequete_Pub_04_Com_01_ReadXML,
                                  LectureFichierXMLRequete_Pub_05_Cnv_01_ReadXML};
    if (onglet < 1 || onglet > 5) return false;
    lecteurs[onglet](FileName, QString(), ToGrid, ToRecord, Err);
    return true;
}

int32_t IdWebReponseOnglet(int onglet) {
    switch (onglet) {
        case 1:
            return ReponseClient.CltIdWeb;
        case 2:
            return ReponseProduit.PdtIdWeb;
        case 3:
            return ReponseSecteur.SecIdWeb;
        case 4:
            return ReponseCommercial.CmlIdWeb;
        case 5:
            return ReponseCanevas.TmpIdWeb;
        default:
            return 0;
    }
}

void ReinitialiserLecteursListes() {
    ReponseLectureXML = EnteteReponse{};
    ReponseClient = {};
    ReponseProduit = {};
    ReponseSecteur = {};
    ReponseCommercial = {};
    ReponseCanevas = {};
}
