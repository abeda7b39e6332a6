#include "shell/look.h"

#include "foundation/conversions.h"
#include "foundation/file_ops.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/system_info.h"
#include "foundation/trace_log.h"
#include "foundation/window_helpers.h"
#include "platform/registry.h"
#include "shell/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QIcon>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTreeView>

#include <cmath>
#include <optional>

int32_t NoStyleSkin = 0;
int32_t CorrectionHauteurSkin = 0;

namespace {

using CouleurSysteme::FaceBouton;
constexpr uint32_t kGris240 = RGBCouleur(240, 240, 240);

// The style table. Skin files are given as they are appended to the skin folder.
constexpr StyleSkin kStyles[NbStylesSkin] = {
    {"/Vista.cjstyles", "NormalBlack.ini", 0, FaceBouton, kGris240},
    {"/Vista.cjstyles", "NormalBlack2.ini", 0, FaceBouton, kGris240},
    {"/Vista.cjstyles", "NormalBlue.ini", 0, FaceBouton, kGris240},
    {"/Vista.cjstyles", "NormalSilver.ini", 0, FaceBouton, kGris240},
    {"/WinXP.Royale.cjstyles", "NormalRoyale.ini", 1, kGris240, kGris240},
    {"/WinXP.Luna.cjstyles", "NormalBlue.ini", 1, RGBCouleur(236, 233, 216), RGBCouleur(236, 233, 216)},
    {"/WinXP.Luna.cjstyles", "NormalHomeStead.ini", 1, RGBCouleur(236, 233, 216), RGBCouleur(236, 233, 216)},
    {"/WinXP.Luna.cjstyles", "NormalMetallic.ini", 1, RGBCouleur(224, 223, 227), RGBCouleur(224, 223, 227)},
    {"/Codejock.cjstyles", "NormalBlue.ini", 1, RGBCouleur(235, 235, 228), RGBCouleur(235, 235, 228)},
    {"/Codejock.cjstyles", "NormalBlack.ini", 1, RGBCouleur(232, 232, 232), RGBCouleur(232, 232, 232)},
    {"/Office2007.cjstyles", "NormalVistaBlue.ini", 1, RGBCouleur(191, 219, 255), RGBCouleur(191, 219, 255)},
    {"/Office2007.cjstyles", "LightBlue.ini", 1, RGBCouleur(227, 239, 255), RGBCouleur(227, 239, 255)},
    {"/Office2007.cjstyles", "NormalAqua.ini", 1, RGBCouleur(237, 237, 237), RGBCouleur(237, 237, 237)},
    {"/Office2007.cjstyles", "NormalVistaSilver.ini", 1, RGBCouleur(238, 238, 244), RGBCouleur(238, 238, 244)},
    {"/Office2007.cjstyles", "NormalBlack.ini", 1, RGBCouleur(235, 235, 235), RGBCouleur(235, 235, 235)},
    {"/iTunes", "Normalitunes.ini", 0, RGBCouleur(182, 182, 182), RGBCouleur(182, 182, 182)},
    {"/Le5", "NormalBlue.ini", 1, RGBCouleur(236, 233, 216), RGBCouleur(236, 233, 216)},
    {"/Thallos.cjstyles", "NormalThallos.ini", 1, RGBCouleur(238, 242, 245), RGBCouleur(238, 242, 245)},
    {"/Tiger.cjstyles", "NormalAppleB.ini", 0, kGris240, kGris240},
    {"/Tiger.cjstyles", "NormalAppleG.ini", 0, kGris240, kGris240},
    {"", "", 1, FaceBouton, FaceBouton},
};

const QString kCleLook = QStringLiteral("Software\\Tessival\\Ondrune\\Look");

SkinCharge g_skin;
std::optional<QPalette> g_paletteOrigine;

// The palette the program started with: the system colours are read from it.
const QPalette& paletteSysteme() {
    if (!g_paletteOrigine) {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()))
            g_paletteOrigine = QApplication::palette();
        else
            g_paletteOrigine = QPalette();
    }
    return *g_paletteOrigine;
}

QString rgb(const QColor& c) { return QStringLiteral("rgb(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue()); }

// Greyed text is pushed towards black or white, whichever stands out more from its background,
// just far enough to stay readable.
QColor griseLisible(const QColor& texte, const QColor& fond) {
    if (RapportContraste(texte, fond) >= ContrasteTexteMinimum) return texte;
    const QColor cible =
        RapportContraste(Qt::black, fond) >= RapportContraste(Qt::white, fond) ? QColor(Qt::black) : QColor(Qt::white);
    QColor c = texte;
    for (int pas = 1; pas <= 20 && RapportContraste(c, fond) < ContrasteTexteMinimum; ++pas) {
        const double a = pas / 20.0;
        c = QColor(int(std::lround(texte.red() + (cible.red() - texte.red()) * a)),
                   int(std::lround(texte.green() + (cible.green() - texte.green()) * a)),
                   int(std::lround(texte.blue() + (cible.blue() - texte.blue()) * a)));
    }
    return c;
}

void texteGriseLisible(QPalette& pal) {
    const std::pair<QPalette::ColorRole, QPalette::ColorRole> paires[] = {{QPalette::WindowText, QPalette::Window},
                                                                          {QPalette::Text, QPalette::Base},
                                                                          {QPalette::ButtonText, QPalette::Button}};
    for (const auto& [texte, fond] : paires)
        pal.setColor(QPalette::Disabled, texte,
                     griseLisible(pal.color(QPalette::Disabled, texte), pal.color(QPalette::Disabled, fond)));
}

// Black text on the given colour, greyed but readable while the control is disabled.
void texteNoirSur(QPalette& pal, QPalette::ColorRole texte, const QColor& fond) {
    const QColor grise = griseLisible(pal.color(QPalette::Disabled, texte), fond);
    pal.setColor(texte, Qt::black);
    pal.setColor(QPalette::Disabled, texte, grise);
}

// Input colours go to the text area of a control; the text stays black.
void fondSaisie(QWidget* w, const QColor& fond) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, fond);
    texteNoirSur(pal, QPalette::Text, fond);
    w->setPalette(pal);
}

// A drop-down list that cannot be typed into is drawn as a button: its face takes the input
// colour as well, or it would stay grey beside the tinted text boxes.
void fondSaisieListe(QWidget* w, const QColor& fond) {
    fondSaisie(w, fond);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Button, fond);
    texteNoirSur(pal, QPalette::ButtonText, fond);
    w->setPalette(pal);
}

void fondControle(QWidget* w, const QColor& fond, bool remplir) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, fond);
    w->setPalette(pal);
    if (remplir) w->setAutoFillBackground(true);
}

bool styleSaisieTeinte() { return NoStyleSkin == 15 || NoStyleSkin == 17; }

// Style sheet rules go to the window in one sheet, set once: a sheet per control makes each of
// them restyle itself and its children, which costs more than the rest of the window's start-up.
// Each dressed control carries a property that the window's rules select.
void ajouterRegle(QStringList& regles, const QString& regle) {
    if (!regles.contains(regle)) regles << regle;
}

// The grouping frame: header gradient, border and title font by style.
void lookCadre(QGroupBox* g, const QColor& fond, QStringList& regles) {
    uint32_t haut = RGBCouleur(252, 252, 254), bas = RGBCouleur(80, 80, 80), bord = RGBCouleur(80, 80, 80);
    switch (NoStyleSkin) {
        case 4:
            haut = RGBCouleur(242, 247, 255);
            bas = RGBCouleur(190, 210, 234);
            bord = bas;
            break;
        case 10:
        case 11:
            haut = RGBCouleur(242, 247, 255);
            bas = RGBCouleur(190, 210, 234);
            bord = RGBCouleur(80, 80, 80);
            break;
        case 17:
            haut = RGBCouleur(197, 206, 217);
            bas = RGBCouleur(154, 170, 187);
            bord = bas;
            break;
        default:
            break;
    }
    g->setProperty("HeaderColorTop", CouleurQt(haut));
    g->setProperty("HeaderColorBottom", CouleurQt(bas));
    g->setProperty("BorderColor", CouleurQt(bord));
    g->setProperty("lookCadre", true);
    ajouterRegle(regles,
                 QStringLiteral(
                     "QGroupBox[lookCadre=\"true\"] { background-color: %1; border: 1px solid %2; margin-top: 1.5em;"
                     " padding-top: 2px; }"
                     "QGroupBox[lookCadre=\"true\"]::title { subcontrol-origin: margin; subcontrol-position: top left;"
                     " left: 0px; padding: 2px 6px; color: black; border: 1px solid %2; border-bottom: none;"
                     " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %3, stop:0.55 %3, stop:1 %4); }")
                     .arg(rgb(fond), rgb(CouleurQt(bord)), rgb(CouleurQt(haut)), rgb(CouleurQt(bas))));
    fondControle(g, fond, false);
}

// The title is bold Arial; the controls inside keep the window's font. Set after the window's
// sheet: a sheet arriving later hands a frame's font down to its children.
void policeCadre(QGroupBox* g) {
    QFont titre(QStringLiteral("Arial"));
    titre.setPointSizeF(g->font().pointSizeF() > 0 ? g->font().pointSizeF() : 9);
    titre.setBold(true);
    const QFont normal = g->parentWidget() ? g->parentWidget()->font() : QApplication::font();
    g->setFont(titre);
    for (QWidget* enfant : g->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!enfant->testAttribute(Qt::WA_SetFont)) enfant->setFont(normal);
}

void lookOnglets(QTabWidget* t, const QColor& controle, QStringList& regles) {
    t->setCurrentIndex(0);
    if (NoStyleSkin != 15) return;
    t->setProperty("lookOnglets", true);
    // The strip's rules reach the strips nested in its pages as well.
    ajouterRegle(
        regles,
        QStringLiteral(
            "QTabWidget[lookOnglets=\"true\"]::pane, QTabWidget[lookOnglets=\"true\"] QTabWidget::pane"
            " { border: 1px solid rgb(160, 160, 160); }"
            "QTabWidget[lookOnglets=\"true\"] QTabBar::tab { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
            " stop:0 rgb(225, 225, 225), stop:1 %1); border: 1px solid rgb(160, 160, 160); padding: 3px 8px;"
            " margin-right: 1px; color: black; }"
            "QTabWidget[lookOnglets=\"true\"] QTabBar::tab:selected { background: qlineargradient(x1:0, y1:0,"
            " x2:0, y2:1, stop:0 rgb(195, 221, 245), stop:1 rgb(119, 190, 242)); font-weight: bold; }")
            .arg(rgb(controle)));
}

void lookControle(QWidget* w, const QColor& controle, QStringList& regles) {
    const QByteArray type = w->metaObject()->className();
    const QColor saisie = CouleurQt(CouleurSaisie);
    if (type == "QTreeView") {
        fondSaisie(w, saisie);
    } else if (type == "QTabWidget") {
        lookOnglets(static_cast<QTabWidget*>(w), controle, regles);
    } else if (type == "QPushButton") {
        if (NoStyleSkin == 15) {
            QPalette pal = w->palette();
            const QWidget* fenetre = FrmMain() ? static_cast<const QWidget*>(FrmMain()) : w->window();
            pal.setColor(QPalette::Button, fenetre->palette().color(QPalette::Window));
            w->setPalette(pal);
        }
    } else if (type == "QCheckBox" || type == "QRadioButton") {
        fondControle(w, controle, false);
    } else if (type == "QLineEdit") {
        auto* e = static_cast<QLineEdit*>(w);
        // A display-only box keeps its grey.
        const bool grise =
            e->isReadOnly() || e->palette().color(QPalette::Base) == CouleurQt(CouleurSysteme::OmbreBouton);
        if (styleSaisieTeinte() && !grise) fondSaisie(w, saisie);
    } else if (type == "QComboBox") {
        if (styleSaisieTeinte()) fondSaisieListe(w, saisie);
    } else if (type == "QListView" || type == "QListWidget") {
        if (styleSaisieTeinte()) fondSaisie(w, saisie);
    } else if (type == "QLabel") {
        auto* l = static_cast<QLabel*>(w);
        if (l->pixmap().isNull()) {
            l->setAutoFillBackground(false);
            if (l->text() == QLatin1String("...")) l->clear();
        } else if (l->palette().color(QPalette::Window) == CouleurQt(CouleurSysteme::FondFenetre)) {
            // A picture: its background takes the control colour only when it had the default one.
            fondControle(w, controle, true);
        }
    } else if (type == "QGroupBox") {
        if (styleSaisieTeinte()) fondControle(w, controle, false);
    } else if (type == "QProgressBar") {
        static_cast<QProgressBar*>(w)->setTextVisible(false);
    } else if (type == "QFrame") {
        if (w->objectName().left(9) == QLatin1String("ShapeFond")) fondControle(w, controle, true);
    }
}

}  // namespace

double RapportContraste(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto lineaire = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lineaire(c.redF()) + 0.7152 * lineaire(c.greenF()) + 0.0722 * lineaire(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor CouleurQt(uint32_t couleur) {
    if (couleur & 0x80000000u) {
        const QPalette& pal = paletteSysteme();
        switch (couleur & 0xFFu) {
            case 5:
                return pal.color(QPalette::Base);
            case 15:
                return pal.color(QPalette::Button);
            case 16:
                return pal.color(QPalette::Dark);
            default:
                return pal.color(QPalette::Window);
        }
    }
    return QColor(int(couleur & 0xFFu), int((couleur >> 8) & 0xFFu), int((couleur >> 16) & 0xFFu));
}

const StyleSkin& StyleDuSkin(int32_t style) {
    return (style >= 0 && style < NbStylesSkin) ? kStyles[style] : kStyles[0];
}

QString DossierSkins() { return DossierApplication + QStringLiteral("Settings/Skins/Styles"); }

const SkinCharge& SkinCourant() { return g_skin; }

float FacteurEchellePourDpi(double dpiX) { return std::lround(dpiX) == 120 ? 1.25f : 1.0f; }

void InitGeneralLook(int32_t& style) {
    Proc p(Cle::InitGeneralLook);
    int32_t choisi = style;
    p(10, [&] {
        if (style != -1) return;
        QString texte;
        Reg_GetValue(HKEY_LOCAL_MACHINE, kCleLook, QStringLiteral("Style"), texte);
        if (TrimBlancs(texte).isEmpty()) {
            choisi = StyleSkinParDefaut;
            Reg_SetValue(HKEY_LOCAL_MACHINE, kCleLook, QStringLiteral("Style"), QString::number(choisi), REG_SZ);
        } else {
            // Halves go to the even neighbour (the default rounding mode).
            const double n = std::nearbyint(NombreSigne(texte));
            choisi = (n > 2147483647.0 || n < -2147483648.0) ? 0 : int32_t(n);
        }
    });
    style = choisi;
    const QString dossier = DossierSkins();
    p(20, [&] {
        if (choisi < 0 || choisi >= NbStylesSkin) return;
        const StyleSkin& s = kStyles[choisi];
        g_skin = SkinCharge{};
        if (*s.fichierSkin) {
            g_skin.fichier = dossier + QString::fromLatin1(s.fichierSkin);
            g_skin.nomIni = QString::fromLatin1(s.nomIni);
            g_skin.trouve = File_Exist(g_skin.fichier, QString::fromLatin1(Cle::InitGeneralLook));
            if (!g_skin.trouve)
                Log(QStringLiteral("Look: Skin not found: ") + g_skin.fichier + QStringLiteral(" (") + g_skin.nomIni +
                    QStringLiteral("): style ") + QString::number(choisi) + QStringLiteral(" colours used"));
        }
        NoStyleSkin = choisi;
        CorrectionHauteurSkin = s.correctionHauteur;
    });
    p(30, [&] {
        // The skin's colours become the program's: every window, dialogs included, wears them.
        g_skin.applique = true;
        g_skin.options |= 1;
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
        const StyleSkin& s = StyleDuSkin(NoStyleSkin);
        QPalette pal = paletteSysteme();
        const QColor fond = CouleurQt(s.couleurControle);
        pal.setColor(QPalette::Window, fond);
        pal.setColor(QPalette::Button, fond);
        texteGriseLisible(pal);
        QApplication::setPalette(pal);
        if (Frm_Main* frm = FrmMain()) {
            frm->SkinFramework->setProperty("fichierSkin", g_skin.fichier);
            frm->SkinFramework->setProperty("nomIni", g_skin.nomIni);
            frm->SkinFramework->setProperty("options", g_skin.options);
        }
    });
    p(40, [&] {
        double dpi = 96;
        if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            if (const QScreen* ecran = app->primaryScreen()) dpi = ecran->logicalDotsPerInchX();
        FacteurEchelle = FacteurEchellePourDpi(dpi);
    });
}

void LookFenetre(QWidget* frm) {
    Proc p(Cle::LookFenetre);
    if (!frm) return;
    const StyleSkin& s = StyleDuSkin(NoStyleSkin);
    const QColor controle = CouleurQt(s.couleurControle);
    const QColor cadre = CouleurQt(s.couleurCadre);
    const QList<QWidget*> controles = frm->findChildren<QWidget*>();
    QStringList regles;
    // Frames first: the second walk may give them the control colour.
    for (QWidget* w : controles) {
        if (qstrcmp(w->metaObject()->className(), "QGroupBox") == 0)
            p(10, [&] { lookCadre(static_cast<QGroupBox*>(w), cadre, regles); });
    }
    for (QWidget* w : controles) p(20, [&] { lookControle(w, controle, regles); });
    p(30, [&] {
        // A window dressed again gets its look's rules replaced, not repeated; its own rules stay.
        // A window shown on demand gets them when it is polished.
        QuandPoli(frm, "lookRegles", [frm, neuves = regles.join(QString())] {
            QString feuille = frm->styleSheet();
            const QString avant = frm->property("lookRegles").toString();
            if (!avant.isEmpty()) feuille.remove(avant);
            frm->setProperty("lookRegles", neuves);
            feuille += neuves;
            if (feuille != frm->styleSheet()) frm->setStyleSheet(feuille);
        });
    });
    for (QWidget* w : controles) {
        if (qstrcmp(w->metaObject()->className(), "QGroupBox") == 0)
            p(40, [&] { policeCadre(static_cast<QGroupBox*>(w)); });
    }
}

QIcon IconeProgramme() {
    static QIcon icone;
    if (!icone.isNull() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return icone;
    // A blue tile with the program's initials, drawn at the sizes the desktop asks for.
    for (int taille : {16, 24, 32, 48, 64}) {
        QPixmap pix(taille, taille);
        pix.fill(Qt::transparent);
        QPainter peintre(&pix);
        peintre.setRenderHint(QPainter::Antialiasing);
        peintre.setBrush(QColor(30, 100, 190));
        peintre.setPen(Qt::NoPen);
        peintre.drawRoundedRect(QRectF(0.5, 0.5, taille - 1, taille - 1), taille / 5.0, taille / 5.0);
        QFont f(QStringLiteral("Arial"));
        f.setBold(true);
        f.setPixelSize(std::max(6, taille / 2));
        peintre.setFont(f);
        peintre.setPen(Qt::white);
        peintre.drawText(QRect(0, 0, taille, taille), Qt::AlignCenter, QStringLiteral("TK"));
        peintre.end();
        icone.addPixmap(pix);
    }
    return icone;
}

void ReinitialiserLook() {
    NoStyleSkin = 0;
    CorrectionHauteurSkin = 0;
    g_skin = SkinCharge{};
    if (g_paletteOrigine && qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::setPalette(*g_paletteOrigine);
}
