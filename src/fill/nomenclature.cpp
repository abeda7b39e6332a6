#include "fill/nomenclature.h"

#include "foundation/conversions.h"
#include "foundation/file_ops.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/settings_locations.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "foundation/window_helpers.h"
#include "platform/cp1252.h"
#include "platform/spread_grid.h"
#include "platform/xls_reader.h"
#include "grids/list_grids.h"

#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QPointer<FrmPubNomenclature>& fenetre() {
    static QPointer<FrmPubNomenclature> f;
    return f;
}

constexpr int kNbColonnes = 5;
constexpr double kLargeurNiveau = 3;
constexpr double kLargeurLibelle = 86;
constexpr int kLongueurLibelleMax = 100;
// A code list is a few hundred lines; anything far larger is not one.
constexpr qint64 kTailleListeMax = 8 * 1024 * 1024;

const qint32 kCouleurFamille = RGB(205, 92, 92);
const qint32 kCouleurClasse = RGB(220, 141, 141);
const qint32 kCouleurSecteur = RGB(253, 220, 201);

QString enteteLibelle(int feuille) {
    return feuille == 0 ? QStringLiteral("Nomenclature standard") : QStringLiteral("Nomenclature GIE");
}

// The sheets' font; given again after a fill (the colours of the levels stay).
void appliquerPolice(SpreadGrid* g) {
    g->setSheet(1);
    g->setFontName(QStringLiteral("Arial"));
    g->setFontSize(10);
}

// The common look of the advertising grids, in the sheets' font.
void appliquerLook(SpreadGrid* g) {
    g->setSheet(1);
    AppliquerAspectCommunGrille(*g);
    appliquerPolice(g);
}

void poserColonnes(SpreadGrid* g, int feuille) {
    g->setMaxCols(kNbColonnes);
    static const char* const kEntetes[4] = {"Fa.", "Cl.", "Se.", "Va."};
    for (int c = 1; c <= 4; ++c) {
        g->setHeaderText(c, 1, QString::fromLatin1(kEntetes[c - 1]));
        g->setColWidth(c, kLargeurNiveau);
    }
    g->setHeaderText(5, 1, enteteLibelle(feuille));
    g->setColWidth(5, kLargeurLibelle);
}

// The value of a level cell: the first two characters' number on 2 digits, "" for 0.
QString niveau(const QString& texte) {
    const double v = NombreEnTete(texte.left(2));
    return v != 0 ? N2S(v, 2, 0, QStringLiteral("0")) : QString();
}

// Family headings, class headings and sector headings stand out from the varieties.
void colorerNiveaux(SpreadGrid* g) {
    Proc p(Cle::ColorerNiveaux);
    p(10, [&] {
        QString famille;
        const int n = g->maxRows();
        for (int r = 1; r <= n; ++r) {
            const QString c1 = g->textAt(1, r);
            g->setCol(Spread::All);
            g->setRow(r);
            if (c1 != famille) {
                famille = c1;
                g->setBackColor(kCouleurFamille);
                g->setFontBold(true);
            } else if (g->textAt(3, r).isEmpty()) {
                g->setBackColor(kCouleurClasse);
            } else if (g->textAt(4, r).isEmpty()) {
                g->setBackColor(kCouleurSecteur);
            }
        }
    });
}

// Index of a tag in a line, letter case ignored; -1 when absent.
int balise(const QString& ligne, const QString& tag) { return ligne.indexOf(tag, 0, Qt::CaseInsensitive); }

// What follows the opening tag, cut before the closing tag when it comes after at least one
// character.
QString contenu(const QString& ligne, int debut, const QString& fin) {
    QString reste = ligne.mid(debut);
    const int f = balise(reste, fin);
    if (f >= 1) reste = reste.left(f);
    return reste;
}

QString cheminClasseur() { return DossierApplication + QString::fromLatin1(NomClasseurNomenclature); }

void remplirStandard(SpreadGrid* g, const QString& cle) {
    const QString chemin = cheminClasseur();
    const auto message = [](const QString& texte) { MsgBoxMain(texte, Mb::OKOnly | Mb::Critical); };
    Proc p(Cle::InitSettingsNomenclature, Trace::None);
    p(200, [&] {
        g->setSheet(1);
        g->setMaxRows(0);
    });
    if (!File_Exist(chemin, cle, false)) {
        p(210, [&] {
            message(QStringLiteral("Le fichier '") + chemin +
                    QStringLiteral(
                        "' n'existe pas. Veuiller le mettre en place à partir des MAJ disponibles sur le site web."));
        });
        return;
    }
    // The test and the reading go through one reader process.
    LectureClasseur lecture;
    p(220, [&] {
        lecture =
            LireClasseur(chemin, 0, kNbColonnes, DossierApplication + QString::fromLatin1(NomLogNomenclature), true);
    });
    if (lecture.test == TestClasseur::EnCoursUtilisation) {
        p(230, [&] {
            message(QStringLiteral("Fichier '") + chemin +
                    QStringLiteral("' en cours d'utilisation\r\n\r\nImpossible de le charger."));
        });
        return;
    }
    if (lecture.test != TestClasseur::Lisible) {
        p(240,
          [&] { message(QStringLiteral("Le fichier '") + chemin + QStringLiteral("' n'est pas un fichier Excel.")); });
        return;
    }
    if (!lecture.ouvert) {
        p(260, [&] { message(QStringLiteral("Impossible de charger le fichier: ") + chemin); });
        return;
    }
    if (!lecture.feuilleLue) {
        p(280, [&] { message(QStringLiteral("Impossible de charger le feuille: ") + chemin); });
        return;
    }
    const std::vector<QStringList>& lignes = lecture.lignes;
    p(290, [&] {
        // The workbook's rows as they are, its first row (the header) included, then the header
        // row goes.
        g->setMaxCols(kNbColonnes);
        g->setMaxRows(int(lignes.size()));
        for (size_t r = 0; r < lignes.size(); ++r)
            for (int c = 0; c < kNbColonnes && c < lignes[r].size(); ++c)
                if (!lignes[r][c].isEmpty()) g->setTextAt(c + 1, int(r) + 1, lignes[r][c]);
    });
    p(300, [&] { poserColonnes(g, 0); });
    p(310, [&] {
        if (g->maxRows() < 1) return;
        g->deleteRows(1, 1);
        g->setMaxRows(g->maxRows() - 1);
    });
    p(320, [&] {
        const int n = g->maxRows();
        for (int c = 1; c <= 4; ++c)
            for (int r = 1; r <= n; ++r) g->setTextAt(c, r, niveau(g->textAt(c, r)));
    });
    p(330, [&] { g->lockRange(1, 1, kNbColonnes, g->maxRows(), true); });
    p(340, [&] { colorerNiveaux(g); });
}

void remplirGIE(SpreadGrid* g, const QString& cle) {
    Proc p(Cle::InitSettingsNomenclature, Trace::None);
    p(410, [&] {
        g->setSheet(1);
        g->setMaxRows(0);
        poserColonnes(g, 1);
        g->setColWidth(0, 0);
    });
    const QString chemin = DossierApplication + QString::fromLatin1(NomListeGIE);
    if (!File_Exist(chemin, cle, true)) return;
    std::vector<EntreeGIE> entrees;
    QString raison;
    bool lu = false;
    p(420, [&] {
        NumeroFichier numero(cle, true);
        lu = LireListeGIE(chemin, entrees, &raison);
    });
    if (!lu) {
        // The sheet keeps its headers; the start-up goes on.
        p(430,
          [&] { Log(QStringLiteral("Nomenclature GIE: liste ignorée (") + raison + QStringLiteral("): ") + chemin); });
        return;
    }
    p(440, [&] {
        g->setMaxRows(int(entrees.size()));
        for (size_t i = 0; i < entrees.size(); ++i) {
            const int r = int(i) + 1;
            for (int c = 0; c < 4; ++c) g->setTextAt(c + 1, r, entrees[i].niveaux[size_t(c)]);
            g->setTextAt(5, r, entrees[i].libelle);
        }
        g->lockRange(1, 1, kNbColonnes, g->maxRows(), true);
    });
}

}  // namespace

LiensNomenclature& LiensFrmPubNomenclature() {
    static LiensNomenclature l;
    return l;
}

QString CodeGIE(const QString& texteCode) {
    // The leading zero levels are passed by an index: one code line may be very long.
    qsizetype debut = 0;
    while (NombreEnTete(texteCode.mid(debut, 2)) == 0) {
        if (texteCode.size() - debut <= 2) return Calibre(QString(), QStringLiteral(" "), 8);
        debut += 2;
    }
    return Calibre(texteCode.mid(debut, 8), QStringLiteral(" "), 8);
}

bool LireListeGIE(const QString& chemin, std::vector<EntreeGIE>& entrees, QString* raison) {
    entrees.clear();
    const auto refus = [&](const QString& r) {
        entrees.clear();
        if (raison) *raison = r;
        return false;
    };
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) return refus(QStringLiteral("illisible"));
    if (f.size() > kTailleListeMax) return refus(QStringLiteral("trop volumineuse"));
    const QByteArray octets = f.read(kTailleListeMax + 1);
    if (octets.size() > kTailleListeMax) return refus(QStringLiteral("trop volumineuse"));
    if (octets.contains('\0')) return refus(QStringLiteral("fichier binaire"));

    const QString ouvreCode = QStringLiteral("<Code>");
    const QString fermeCode = QStringLiteral("</Code>");
    const QString ouvreLib = QStringLiteral("<Libelle>");
    const QString fermeLib = QStringLiteral("</Libelle>");
    QString code;
    bool codeEnAttente = false;
    int noLigne = 0;
    for (QByteArray brute : octets.split('\n')) {
        ++noLigne;
        if (brute.endsWith('\r')) brute.chop(1);
        const QString ligne = FromCp1252(brute);
        int i = balise(ligne, ouvreCode);
        if (i >= 0) {
            // Each entry is its code line, then its label line.
            if (codeEnAttente) return refus(QStringLiteral("code sans libellé, ligne ") + QString::number(noLigne));
            code = CodeGIE(contenu(ligne, i + ouvreCode.size(), fermeCode));
            codeEnAttente = true;
            continue;
        }
        i = balise(ligne, ouvreLib);
        if (i < 0) continue;
        if (!codeEnAttente) return refus(QStringLiteral("libellé sans code, ligne ") + QString::number(noLigne));
        EntreeGIE e;
        for (int n = 0; n < 4; ++n) e.niveaux[size_t(n)] = TrimBlancs(code.mid(n * 2, 2));
        e.libelle = TrimBlancs(contenu(ligne, i + ouvreLib.size(), fermeLib));
        entrees.push_back(std::move(e));
        codeEnAttente = false;
    }
    if (codeEnAttente) return refus(QStringLiteral("code sans libellé, ligne ") + QString::number(noLigne));
    return true;
}

// ---- the window ----

FrmPubNomenclature::FrmPubNomenclature() : QWidget(nullptr) {
    setObjectName(QStringLiteral("FrmPubNomenclature"));
    setWindowTitle(QStringLiteral("Nomenclature "));
    auto* lay = new QVBoxLayout(this);
    SftTabsNomenclature = new QTabWidget(this);
    const QString titres[2] = {QStringLiteral("Nomenclature nationale"), QStringLiteral("Nomenclature GIE")};
    for (int i = 0; i < 2; ++i) {
        auto* g = new SpreadGrid(SftTabsNomenclature);
        g->setObjectName(QStringLiteral("fpSpreadNomenclature_%1").arg(i));
        g->setIndex(i);
        fpSpreadNomenclature[size_t(i)] = g;
        SftTabsNomenclature->addTab(g, titres[i]);
        connect(g, &SpreadGrid::clicked, this,
                [this](int index, int col, int row) { fpSpreadNomenclature_Click(index, col, row); });
        connect(g, &SpreadGrid::doubleClicked, this,
                [this](int index, int col, int row) { fpSpreadNomenclature_DblClick(index, col, row); });
    }
    lay->addWidget(SftTabsNomenclature, 1);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    const QString libelles[2] = {QStringLiteral("Valider"), QStringLiteral("Abandonner")};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(libelles[i], this);
        b->setObjectName(QStringLiteral("CommandFermer_%1").arg(i));
        CommandFermer[size_t(i)] = b;
        boutons->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, i] { CommandFermer_Click(i); });
    }
    lay->addLayout(boutons);
    resize(760, 520);
    PolirAuPremierAffichage(this);
}

FrmPubNomenclature::~FrmPubNomenclature() = default;

void FrmPubNomenclature::Form_Load() {
    Proc p(Cle::FrmPubNomenclature_Form_Load);
    p(10, [&] {
        if (LiensFrmPubNomenclature().LookFenetre) LiensFrmPubNomenclature().LookFenetre(this);
    });
    p(20, [&] { PositionFeuille(this); });
}

void FrmPubNomenclature::Form_Unload(int& cancel) {
    Proc p(Cle::FrmPubNomenclature_Form_Unload);
    if (cancel != 0) return;
    p(10, [&] { PositionFeuilleSauvegarde(this); });
}

void FrmPubNomenclature::SelectCodeCC(int16_t Index, const QString& CCFam, const QString& CCCla, const QString& CCSec,
                                      const QString& CCVar) {
    Proc p(Cle::SelectCodeCC);
    p(10, [&] {
        if (Index < 0 || Index > 1) Raise(9);
        SpreadGrid* g = fpSpreadNomenclature[size_t(Index)];
        const QString voulu[4] = {TrimBlancs(CCFam), TrimBlancs(CCCla), TrimBlancs(CCSec), TrimBlancs(CCVar)};
        const int n = g->maxRows();
        for (int r = 1; r <= n; ++r) {
            const QString c1 = g->textAt(1, r);
            if (TrimBlancs(c1) != voulu[0]) {
                if (c1 > CCFam) return;
                continue;
            }
            int niveaux = 1;
            while (niveaux < 4 && TrimBlancs(g->textAt(niveaux + 1, r)) == voulu[niveaux]) ++niveaux;
            g->setSelection(1, r, g->maxCols(), r);
            ligne_ = r;
            if (niveaux == 4) return;
        }
    });
}

void FrmPubNomenclature::CommandFermer_Click(int Index) {
    Proc p(Cle::CommandFermer_Click);
    p(10, [&] {
        if (Index == 0) {
            const int feuille = SftTabsNomenclature->currentIndex() == 0 ? 0 : 1;
            if (ligne_ > 0) {
                const SpreadGrid* g = fpSpreadNomenclature[size_t(feuille)];
                PbSCCFam = g->textAt(1, ligne_);
                PbSCCCla = g->textAt(2, ligne_);
                PbSCCSec = g->textAt(3, ligne_);
                PbSCCVar = g->textAt(4, ligne_);
                PbSCCLib = g->textAt(5, ligne_);
                PbIUserResponse = 1;
            } else {
                PbIUserResponse = 2;
            }
        } else {
            PbIUserResponse = 2;
        }
    });
    p(20, [&] { hide(); });
}

void FrmPubNomenclature::fpSpreadNomenclature_Click(int, int, int Row) {
    Proc p(Cle::fpSpreadNomenclature_Click);
    ligne_ = Row;
}

void FrmPubNomenclature::fpSpreadNomenclature_DblClick(int, int, int Row) {
    Proc p(Cle::fpSpreadNomenclature_DblClick);
    ligne_ = Row;
    p(10, [&] { CommandFermer_Click(0); });
}

FrmPubNomenclature* FrmPubNomenclatureChargee() { return fenetre().data(); }

void InitSettingsNomenclature() {
    Proc p(Cle::InitSettingsNomenclature);
    const QString cle = QString::fromLatin1(Cle::InitSettingsNomenclature);
    p(10, [&] {
        if (fenetre()) return;
        fenetre() = new FrmPubNomenclature;
        fenetre()->Form_Load();
    });
    FrmPubNomenclature* f = fenetre();
    if (!f) return;
    for (SpreadGrid* g : f->fpSpreadNomenclature) p(20, [&] { appliquerLook(g); });

    SpreadGrid* standard = f->fpSpreadNomenclature[0];
    p(30, [&] { standard->setRedraw(false); });
    p(40, [&] { remplirStandard(standard, cle); });
    // Whatever happened to the import, the sheet gets its look back and shows.
    p(50, [&] { appliquerPolice(standard); });
    p(60, [&] { standard->setRedraw(true); });

    SpreadGrid* gie = f->fpSpreadNomenclature[1];
    p(70, [&] { gie->setRedraw(false); });
    p(80, [&] { remplirGIE(gie, cle); });
    p(90, [&] { colorerNiveaux(gie); });
    p(100, [&] { appliquerPolice(gie); });
    p(110, [&] { gie->setRedraw(true); });
}

void PrelireNomenclature() { PrelireClasseur(cheminClasseur(), 0, kNbColonnes); }

QString LibNomenclature(const QString& ChaineCC) {
    Proc p(Cle::LibNomenclature);
    QString resultat;
    const QString famille = ChaineCC.left(2);
    if (TrimBlancs(famille).isEmpty()) return resultat;
    const FrmPubNomenclature* f = fenetre();
    if (!f) return resultat;
    p(10, [&] {
        const SpreadGrid* g = f->fpSpreadNomenclature[0];
        // The sheet holds a zero level as an empty cell ("05 01 03" is the sector heading): the
        // code's levels are read the way the import wrote them.
        const QString niveaux[3] = {niveau(ChaineCC.mid(2, 2)), niveau(ChaineCC.mid(4, 2)), niveau(ChaineCC.mid(6, 2))};
        const int n = g->maxRows();
        for (int r = 1; r <= n; ++r) {
            const QString c1 = g->textAt(1, r);
            if (c1 == famille) {
                bool egal = true;
                for (int k = 0; k < 3 && egal; ++k) egal = TrimBlancs(g->textAt(k + 2, r)) == niveaux[k];
                if (!egal) continue;
                resultat = g->textAt(5, r).left(kLongueurLibelleMax);
                return;
            }
            // The families rise from row to row: past the wanted one, it is not there.
            if (c1 > famille) return;
        }
    });
    return resultat;
}

void DechargerFrmPubNomenclature() {
    QPointer<FrmPubNomenclature>& f = fenetre();
    if (!f) return;
    int cancel = 0;
    f->Form_Unload(cancel);
    if (cancel != 0) return;
    delete f.data();
    f = nullptr;
}

void ReinitialiserNomenclature() {
    if (fenetre()) delete fenetre().data();
    fenetre() = nullptr;
    LiensFrmPubNomenclature() = LiensNomenclature{};
}
