#include "grids/web_lists.h"

#include "database/record_layouts.h"
#include "grids/list_grids.h"
#include "platform/spread_grid.h"

namespace {

constexpr int G = Spread::Left, D = Spread::Right, C = Spread::Center;
constexpr RoleColonne Code = RoleColonne::Code, IdWeb = RoleColonne::IdWeb, Statut = RoleColonne::Statut,
                      Libelle = RoleColonne::LibelleStatut;

template <class R>
std::vector<ColonneGrille> colonnesGrille(const ListeWeb<R>& l) {
    std::vector<ColonneGrille> v;
    for (const ColonneWeb<R>& c : l.colonnes) {
        if (!c.aspect.titre) break;
        v.push_back({c.aspect, c.role});
    }
    return v;
}

}  // namespace

const ListeWeb<ReponseClientT>& ListeWebClients() {
    using R = ReponseClientT;
    static const ListeWeb<R> l{
        GrillePubNo::Client,
        "ClientBO",
        {
            {"CltIdQD", {"Id QD", 10, G, 0}, &R::CltIdQD, {}, Code},
            {"CltIdWeb", {"Id Web", 8, D, 0}, nullptr, {}, IdWeb},
            {"CltNom", {"Nom", 20, G, 0.5}, &R::CltNom, Champ(EnregClient.Nom)},
            {"CltAdresse", {"Adresse", 20, G, 0}, &R::CltAdresse, Champ(EnregClient.Adresse)},
            {"CltAdresseSuite", {"Adresse", 10, G, 0}, &R::CltAdresseSuite, Champ(EnregClient.AdresseSuite)},
            {"CltCodePostal", {"Adresse", 5, G, 0}, &R::CltCodePostal, Champ(EnregClient.CodePostal)},
            {"CltVille", {"Adresse", 15, G, 0.2}, &R::CltVille, Champ(EnregClient.Ville)},
            {"CltContact", {"Contact", 20, G, 0.3}, &R::CltContact, Champ(EnregClient.Contact)},
            {"CltContactTel1", {"Téléphone", 8, G, 0}, &R::CltContactTel1, Champ(EnregClient.ContactTel1)},
            {"CltContactTel2", {"Téléphone", 8, G, 0}, &R::CltContactTel2, Champ(EnregClient.Telephones[0])},
            {"CltContactEmail", {"Email", 15, G, 0}, &R::CltContactEmail, Champ(EnregClient.ContactEmail)},
            {"CltSynchroWeb", {"Etat", 4, C, 0}, &R::CltSynchroWeb, {}, Statut},
            {nullptr, {"Etat", 10, G, 0}, nullptr, {}, Libelle},
        },
        &R::CltIdWeb};
    return l;
}

const ListeWeb<ReponseProduitT>& ListeWebProduits() {
    using R = ReponseProduitT;
    static const ListeWeb<R> l{
        GrillePubNo::Produit,
        "ProduitBO",
        {
            {"PdtIdQD", {"Id QD", 10, G, 0}, &R::PdtIdQD, {}, Code},
            {"PdtIdWeb", {"Id Web", 8, D, 0}, nullptr, {}, IdWeb},
            {"PdtLibelle", {"Nom", 25, G, 0.5}, &R::PdtLibelle, Champ(EnregProduit.Libelle)},
            {"PdtNature", {"Nature", 10, G, 0}, &R::PdtNature},
            {"PdtFamille", {"Concurrence", 5, G, 0}, &R::PdtFamille, Champ(EnregProduit.CCFamille)},
            {"PdtClasse", {"Concurrence", 5, G, 0}, &R::PdtClasse, Champ(EnregProduit.CCClasse)},
            {"PdtSecteur", {"Concurrence", 5, G, 0}, &R::PdtSecteur, Champ(EnregProduit.CCSecteur)},
            {"PdtVariete", {"Concurrence", 5, G, 0}, &R::PdtVariete, Champ(EnregProduit.CCVariete)},
            {"PdtNomenclatureLib", {"Concurrence", 25, G, 0.5}, &R::PdtNomenclatureLib},
            {"PdtSynchroWeb", {"Etat", 4, C, 0}, &R::PdtSynchroWeb, {}, Statut},
            {nullptr, {"Etat", 10, G, 0}, nullptr, {}, Libelle},
        },
        &R::PdtIdWeb};
    return l;
}

const ListeWeb<ReponseSecteurT>& ListeWebSecteurs() {
    using R = ReponseSecteurT;
    static const ListeWeb<R> l{GrillePubNo::Secteur,
                               "SecteurActiviteBO",
                               {
                                   {"SecIdQD", {"Id QD", 10, G, 0}, &R::SecIdQD, {}, Code},
                                   {"SecIdWeb", {"Id Web", 8, D, 0}, nullptr, {}, IdWeb},
                                   {"SecLibelle", {"Nom", 25, G, 1}, &R::SecLibelle, Champ(EnregSecteur.Libelle)},
                                   {"SecSynchroWeb", {"Etat", 4, C, 0}, &R::SecSynchroWeb, {}, Statut},
                                   {nullptr, {"Etat", 10, G, 0}, nullptr, {}, Libelle},
                               },
                               &R::SecIdWeb};
    return l;
}

const ListeWeb<ReponseCommercialT>& ListeWebCommerciaux() {
    using R = ReponseCommercialT;
    static const ListeWeb<R> l{
        GrillePubNo::Commercial,
        "CommercialBO",
        {
            {"CmlIdQD", {"Id QD", 10, G, 0}, &R::CmlIdQD, {}, Code},
            {"CmlIdWeb", {"Id Web", 8, D, 0}, nullptr, {}, IdWeb},
            {"CmlUserId", {"User", 20, G, 0}, &R::CmlUserId, Champ(EnregCommercial.UserId)},
            {"CmlUserPassword", {"PW", 20, G, 0}, &R::CmlUserPassword, Champ(EnregCommercial.UserPassword)},
            {"CmlNom", {"Nom", 10, G, 0.5}, &R::CmlNom, Champ(EnregCommercial.Nom)},
            {"CmlPrenom", {"Nom", 10, G, 0.5}, &R::CmlPrenom, Champ(EnregCommercial.Prenom)},
            {"CmlTel1", {"Téléphone", 8, G, 0}, &R::CmlTel1, Champ(EnregCommercial.Tel1)},
            {"CmlTel2", {"Téléphone", 8, G, 0}, &R::CmlTel2, Champ(EnregCommercial.Tel2)},
            {"CmlEmail", {"Email", 15, G, 0}, &R::CmlEmail, Champ(EnregCommercial.Email)},
            {"CmlSynchroWeb", {"Etat", 4, C, 0}, &R::CmlSynchroWeb, {}, Statut},
            {nullptr, {"Etat", 10, G, 0}, nullptr, {}, Libelle},
        },
        &R::CmlIdWeb};
    return l;
}

// The web lists templates as business sectors. The grid shows the first three columns only; the
// status is read into the record (and written past the grid's last column).
const ListeWeb<ReponseCanevasT>& ListeWebCanevas() {
    using R = ReponseCanevasT;
    static const ListeWeb<R> l{GrillePubNo::Canevas,
                               "SecteurActiviteBO",
                               {
                                   {"SecIdQD", {"Id QD", 10, G, 0}, &R::TmpIdQD, {}, Code},
                                   {"SecIdWeb", {"Id Web", 8, D, 0}, nullptr, {}, IdWeb},
                                   {"SecLibelle", {"Libellé", 20, G, 1}, &R::TmpLibelle},
                                   {"SecSynchroWeb", {}, &R::TmpSynchroWeb, {}, Statut},
                               },
                               &R::TmpIdWeb};
    return l;
}

const std::vector<ColonneGrille>* ColonnesGrilleListe(int k) {
    static const std::vector<ColonneGrille> clients = colonnesGrille(ListeWebClients()),
                                            produits = colonnesGrille(ListeWebProduits()),
                                            secteurs = colonnesGrille(ListeWebSecteurs()),
                                            commerciaux = colonnesGrille(ListeWebCommerciaux()),
                                            canevas = colonnesGrille(ListeWebCanevas());
    switch (k) {
        case GrillePubNo::Client:
            return &clients;
        case GrillePubNo::Produit:
            return &produits;
        case GrillePubNo::Secteur:
            return &secteurs;
        case GrillePubNo::Commercial:
            return &commerciaux;
        case GrillePubNo::Canevas:
            return &canevas;
        default:
            return nullptr;
    }
}
