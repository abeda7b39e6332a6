#include "fill/local_search.h"

#include "database/btrieve.h"
#include "database/catalogue.h"
#include "database/record_layouts.h"
#include "fill/record_display.h"
#include "foundation/activity.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "platform/cp1252.h"
#include "grids/list_grids.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSet>
#include <optional>

namespace {

bool g_rechercheLocale = false;

// Tabs 0 to 4: one walk along the name or code key of the tab's file. Offsets are those of the
// stored record.
struct DescriptionOnglet {
    int16_t fichier;
    int16_t cleLibelle, cleCode;
    int offsetNom, longueurNom;
    int offsetCode, longueurCode;
    int pompes;            // event pumps per record read
    bool sansTypesCaches;  // contract types that are not campaigns are left out
};
constexpr DescriptionOnglet kOnglets[5] = {
    {5, 3, 2, 39, 40, 10, 6, 1, true},   // campaigns: contract headers of the station
    {3, 1, 0, 8, 30, 0, 8, 2, false},    // clients
    {4, 1, 0, 10, 30, 0, 10, 2, false},  // products
    {2, 1, 0, 10, 30, 0, 10, 2, false},  // business sectors
    {1, 1, 0, 8, 30, 0, 8, 2, false},    // salespeople
};
constexpr int kLongueurBornes = 40;
constexpr int16_t kFichierContrats = 5;
constexpr int16_t kFichierSpots = 6;
// Contract headers of these types are not campaigns.
const char* const kTypesCaches[] = {" S", " P", " C", "CS"};

enum class Issue { Lu, Fin, Arret, Echec, CleAbsente };

// What the walk keeps for its duration.
struct Parcours {
    int16_t base = 0;
    int16_t station = 1;
    int16_t onglet = 0;
    QString source;
    QPointer<SpreadGrid> grille;
    QSet<QString> codesVus;  // codes already listed (one row for a record met twice)
};

bool arretDemande() { return ArretRecherche || bFermetureEnCours; }

void pomper(int fois) {
    for (int i = 0; i < fois && !bFermetureEnCours; ++i) QCoreApplication::processEvents();
}

// A field of a file's record buffer as stored.
QString champ(int16_t fichier, int offset, int longueur) {
    const auto* t = EnregFichier(fichier);
    return LireTexte(static_cast<const char*>(t->Donnees) + offset, longueur);
}

// A text in the order of the record manager's keys, its letters folded to upper or to lower case.
QByteArray plier(const QString& s, bool haut) {
    QByteArray b = ToCp1252(s);
    for (qsizetype i = 0; i < b.size(); ++i) {
        if (haut) {
            b[i] = char(FoldCp1252(uint8_t(b[i])));
        } else {
            const QChar bas = Cp1252ToChar(uint8_t(b[i])).toLower();
            if (IsCp1252(bas)) b[i] = char(CharToCp1252(bas));
        }
    }
    return b;
}

// The key read is past the keys that begin with the text. The comparison stops at the key's own
// length: the key of a long name is only its first characters.
bool auDela(const QString& cle, const QString& texte, int longueurCle, bool sansCasse) {
    const int n = int(std::min<qsizetype>(texte.size(), longueurCle));
    if (n <= 0) return false;
    const QString a = cle.left(n);
    const QString t = texte.left(n);
    if (!sansCasse) return ToCp1252(a) > ToCp1252(t);
    return plier(a, true) > plier(t, true) || plier(a, false) > plier(t, false);
}

bool commencePar(const QString& valeur, const QString& texte) { return valeur.startsWith(texte, Qt::CaseInsensitive); }

// One read of the walk. A status the database layer has reported (its box offered to retry or
// to end the program, and the user came back) ends the search; a status it leaves to the caller
// is tried again a few times, then reported once.
Issue lire(Parcours& pc, int16_t op, QString& cle, int16_t noCle, int16_t fichier) {
    const QString cleAppel = cle;
    for (int essai = 1;; ++essai) {
        if (bFermetureEnCours) return Issue::Arret;
        cle = cleAppel;
        BtrOp = op;
        BtrKey = cle;
        BtrKeyNum = noCle;
        BtrFileNo = fichier;
        BTRieve(pc.base, op, cle, noCle, fichier, pc.station, pc.source);
        BtrKey = cle;
        if (BtrStatus == BtrStat::Ok) return Issue::Lu;
        if (BtrStatus == BtrStat::EndOfFile) return Issue::Fin;
        if (bFermetureEnCours) return Issue::Arret;
        if (fichier == kFichierContrats && noCle == 3 && BtrStatus == BtrStat::InvalidKeyNumber)
            return Issue::CleAbsente;
        const bool signale = BtrStatus != BtrStat::KeyNotFound && BtrStatus != BtrStat::DuplicateKey;
        if (signale) return Issue::Echec;
        if (essai >= NbEssaisLectureRecherche) {
            ErreurBTrieve(pc.base, fichier, cle, pc.source);
            return Issue::Echec;
        }
    }
}

// A new last row for the record just read.
void ajouterLigne(Parcours& pc, int16_t type) {
    if (!pc.grille) return;
    const int n = pc.grille->maxRows() + 1;
    pc.grille->setMaxRows(n);
    pc.grille->insertRows(n, 1);
    AfficherDataDansGrille(pc.base, pc.station, type, n, false);
}

// A code not listed yet is remembered and may be listed.
bool nouveauCode(Parcours& pc, const QString& code) {
    if (pc.codesVus.contains(code)) return false;
    pc.codesVus.insert(code);
    return true;
}

void messageCleAbsente() {
    MsgBoxMain(
        QStringLiteral("Veuillez contacter Tessival pour créer une clé supplémentaire dans le fichier des Campagnes "
                       "(Fradx05).\r\n\r\nCette clé permettra d'accéder plus rapidement aux contrats\r\n\r\n"
                       "Pour l'instant, veuillez passer par l'onglet Client pour accéder aux contrats"),
        Mb::OKOnly | Mb::Critical);
}

// One pass of tabs 0 to 4 over the keys from the pass text on. False when the search is to end
// (stop, shutdown, a failed read, the missing name key).
bool passe(Parcours& pc, const DescriptionOnglet& d, int16_t noCle, int longueurCle, bool parCode, bool commence,
           const QString& t, const QString& Texte) {
    QString cle = commence ? Calibre(t, QString(Chr(0)), kLongueurBornes) : QString(kLongueurBornes, Chr(0));
    int16_t op = BtrOp::GetGreaterOrEqual;
    for (;;) {
        if (arretDemande()) return false;
        switch (lire(pc, op, cle, noCle, d.fichier)) {
            case Issue::Lu:
                break;
            case Issue::Fin:
                return true;
            case Issue::CleAbsente:
                messageCleAbsente();
                return false;
            case Issue::Arret:
            case Issue::Echec:
                return false;
        }
        if (commence && auDela(cle, t, longueurCle, true)) return true;
        const QString memo = cle;
        const QString nomStocke = champ(d.fichier, d.offsetNom, d.longueurNom);
        const QString code = champ(d.fichier, d.offsetCode, d.longueurCode);
        const QString type = d.sansTypesCaches ? champ(d.fichier, 0, 2) : QString();
        const QString nom = TrimBlancs(nomStocke);
        LabelMsgInit(nom);
        pomper(d.pompes);
        if (bFermetureEnCours) return false;

        bool montrer;
        if (commence)
            // The key holds only the first characters of a long name.
            montrer = commencePar(parCode ? code : nomStocke, Texte);
        else
            montrer = nom.contains(Texte, Qt::CaseInsensitive);
        if (montrer) montrer = nouveauCode(pc, code);
        if (montrer && d.sansTypesCaches)
            for (const char* cache : kTypesCaches)
                if (type == QLatin1String(cache)) montrer = false;
        if (montrer) ajouterLigne(pc, pc.onglet);

        op = BtrOp::GetNext;
        cle = memo;
    }
}

// Tabs 0 to 4. False when the search is to end.
bool parcourirListe(Parcours& pc, const DescriptionOnglet& d, int16_t Champ, int16_t Mode, const QString& Texte) {
    const bool parCode = Champ == ChampRecherche::Code;
    const bool commence = Mode != ModeRecherche::Contient;
    const int16_t noCle = parCode ? d.cleCode : d.cleLibelle;
    int longueurCle = LongueurCle(CatalogueFichier(d.fichier), noCle);
    if (longueurCle <= 0) longueurCle = parCode ? d.longueurCode : d.longueurNom;

    // Upper case first, then lower case for a name that begins with a text: on a file whose name
    // key tells the cases apart, the second range holds the rest.
    QStringList passes{Texte.toUpper()};
    if (!parCode && commence && !Texte.isEmpty()) passes << Texte.toLower();
    for (const QString& t : passes)
        if (!passe(pc, d, noCle, longueurCle, parCode, commence, t, Texte)) return false;
    return true;
}

// Tab 5: the spot headers of the canvases whose label matches.
bool parcourirCanevas(Parcours& pc, int16_t Mode, const QString& Texte) {
    const bool contient = Mode == ModeRecherche::Contient;
    const QString typeCanevas = QStringLiteral(" C");
    const int longueurCle0 = LongueurCle(CatalogueFichier(kFichierContrats), 0);
    QString cle = typeCanevas + QString(14, Chr(0));
    int16_t op = BtrOp::GetGreaterOrEqual;
    for (;;) {
        if (arretDemande()) return false;
        switch (lire(pc, op, cle, 0, kFichierContrats)) {
            case Issue::Lu:
                break;
            case Issue::Fin:
                return true;
            default:
                return false;
        }
        if (auDela(cle, typeCanevas, longueurCle0, true)) return true;
        const QString memo = cle;
        const QString libelle = TrimBlancs(champ(kFichierContrats, 39, 40));
        const QString code = champ(kFichierContrats, 10, 6);
        LabelMsgInit(libelle);
        pomper(2);
        if (bFermetureEnCours) return false;

        bool pris;
        if (contient)
            pris = libelle.contains(Texte, Qt::CaseInsensitive);
        else
            pris = TrimBlancs(Texte).isEmpty() || commencePar(libelle, Texte);
        if (pris) pris = nouveauCode(pc, code);

        if (pris) {
            QString cleSpot = code + QString(2, Chr(0));
            int16_t opSpot = BtrOp::GetGreaterOrEqual;
            for (;;) {
                if (arretDemande()) return false;
                const Issue r = lire(pc, opSpot, cleSpot, 0, kFichierSpots);
                if (r == Issue::Fin) break;
                if (r != Issue::Lu) return false;
                if (auDela(cleSpot, code, 8, false)) break;
                const QString memoSpot = cleSpot;
                ajouterLigne(pc, TypeEnreg::Canevas);
                pomper(1);
                opSpot = BtrOp::GetNext;
                cleSpot = memoSpot;
            }
        }
        if (arretDemande()) return false;
        op = BtrOp::GetNext;
        cle = memo;
    }
}

}  // namespace

LiensRechercheLocale& LiensRechercheDansLaBase() {
    static LiensRechercheLocale l;
    return l;
}

bool RechercheLocaleEnCours() { return g_rechercheLocale; }

void RechercherDansLaBaseMusique(int16_t, int16_t, int16_t, int16_t, int16_t, const QString&) {
    Proc p(Cle::RechercherDansLaBaseMusique);
}

void RechercherDansLaBasePub(int16_t NoBase, int16_t NoStation, int16_t Onglet, int16_t Champ, int16_t Mode,
                             const QString& Texte) {
    Proc p(Cle::RechercherDansLaBasePub);
    if (Onglet < 0 || Onglet > 5) return;
    Parcours pc;
    pc.base = NoBase;
    pc.station = NoStation;
    pc.onglet = Onglet;
    pc.source = QString::fromLatin1(Cle::RechercherDansLaBasePub);
    p(10, [&] {
        pc.grille = GrillePub(Onglet);
        if (!pc.grille) Raise(9);
        pc.grille->setRedraw(false);
        pc.grille->setSheet(pc.grille->activeSheet());
        pc.grille->setMaxRows(0);
        if (Onglet == TypeEnreg::Campagne) PreparerColonnesCampagnes(*pc.grille);
    });
    if (!pc.grille) return;

    // Record texts are 8-bit: a text the code page cannot hold matches nothing (sent as it would
    // be, its foreign characters would turn into other ones and find other records).
    bool texteValide = true;
    for (QChar c : Texte)
        if (!IsCp1252(c)) texteValide = false;
    if (texteValide) {
        p(20, [&] {
            if (Onglet == TypeEnreg::Canevas)
                parcourirCanevas(pc, Mode, Texte);
            else
                parcourirListe(pc, kOnglets[Onglet], Champ, Mode, Texte);
        });
    }
    // The grid may have gone with the shutdown while events ran.
    if (!pc.grille || bFermetureEnCours) return;
    p(30, [&] { pc.grille->setRedraw(true); });
    p(40, [&] {
        if (pc.grille->maxRows() >= 1) pc.grille->setSelection(1, 1, pc.grille->maxCols(), 1);
    });
}

void RechercherDansLaBase() {
    Proc p(Cle::RechercherDansLaBase);
    LiensRechercheLocale& l = LiensRechercheDansLaBase();
    const auto lireIndex = [&](int i) { return l.indexListe ? l.indexListe(i) : 0; };

    if (RechercheEnCours && g_rechercheLocale) {
        // The click on "Stopper": the running walk ends at its next record.
        p(10, [&] {
            if (MsgBoxMain(QStringLiteral("Voulez-vous stopper la recherche ?"), Mb::YesNo | Mb::Question) != Mb::Yes)
                return;
            ArretRecherche = true;
            if (l.activerBouton) l.activerBouton(false);
        });
        return;
    }
    // A web list fetch, a synchronisation or a computation runs: no search nested inside it.
    if (ActiviteEnCours()) {
        p(15, [&] { MsgBoxMain(MessageActiviteEnCours(), Mb::OKOnly | Mb::Exclamation); });
        return;
    }
    if (bFermetureEnCours) return;

    // The flags come down whatever way the search ends (the end of the program included).
    struct Drapeaux {
        Drapeaux() { RechercheEnCours = g_rechercheLocale = true; }
        ~Drapeaux() { RechercheEnCours = g_rechercheLocale = false; }
    } drapeaux;
    ArretRecherche = false;
    p(20, [&] {
        if (l.legendeBouton) l.legendeBouton(QStringLiteral("Stopper"));
        if (l.activerBoutonWeb) l.activerBoutonWeb(false);
    });
    std::optional<FrmMsgOuverte> attente;
    attente.emplace(QString::fromLatin1(Cle::RechercherDansLaBase));
    p(30, [&] {
        const int16_t station = int16_t(lireIndex(2) + 1);
        const int16_t champRecherche = int16_t(lireIndex(0));
        const int16_t mode = int16_t(lireIndex(1));
        const QString texte = l.texte ? l.texte() : QString();
        const int principal = l.ongletPrincipal ? l.ongletPrincipal() : -1;
        if (principal == 0)
            RechercherDansLaBaseMusique(NoBaseCourante, station, int16_t(l.ongletMusique ? l.ongletMusique() : 0),
                                        champRecherche, mode, texte);
        else if (principal == 1)
            RechercherDansLaBasePub(NoBaseCourante, station, int16_t(l.ongletPublicite ? l.ongletPublicite() : 0),
                                    champRecherche, mode, texte);
    });
    // Whatever happened, the buttons and the flag come back.
    attente.reset();
    p(50, [&] {
        if (l.legendeBouton) l.legendeBouton(QStringLiteral("Afficher"));
        if (l.activerBouton) l.activerBouton(true);
        if (l.activerBoutonWeb) l.activerBoutonWeb(true);
    });
}

void ReinitialiserRechercheLocale() {
    g_rechercheLocale = false;
    LiensRechercheDansLaBase() = LiensRechercheLocale{};
}
