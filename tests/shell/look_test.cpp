#include "foundation/globals.h"
#include "foundation/system_info.h"
#include "foundation/window_helpers.h"
#include "platform/registry.h"
#include "shell/look.h"
#include "support/fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTreeView>

namespace {

const QString kCle = QStringLiteral("Software\\Tessival\\Ondrune\\Look");

class LookTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        DossierApplication = tmp.path() + QStringLiteral("/app/");
    }
    void TearDown() override {
        Reg_SetValue(HKEY_LOCAL_MACHINE, kCle, QStringLiteral("Style"), QString(), REG_SZ);
        KirvoTest::TearDown();
    }
    int lignesSkinAbsent() const {
        int n = 0;
        for (const QString& l : lignesLog())
            if (l.contains(QStringLiteral("Skin not found"))) ++n;
        return n;
    }
};

}  // namespace

TEST_F(LookTest, StyleTableRows) {
    struct Cas {
        int style;
        const char* fichier;
        const char* ini;
        int correction;
        uint32_t controle, cadre;
    };
    const Cas cas[] = {
        {0, "/Vista.cjstyles", "NormalBlack.ini", 0, CouleurSysteme::FaceBouton, RGBCouleur(240, 240, 240)},
        {7, "/WinXP.Luna.cjstyles", "NormalMetallic.ini", 1, RGBCouleur(224, 223, 227), RGBCouleur(224, 223, 227)},
        {10, "/Office2007.cjstyles", "NormalVistaBlue.ini", 1, RGBCouleur(191, 219, 255), RGBCouleur(191, 219, 255)},
        {15, "/iTunes", "Normalitunes.ini", 0, RGBCouleur(182, 182, 182), RGBCouleur(182, 182, 182)},
        {18, "/Tiger.cjstyles", "NormalAppleB.ini", 0, RGBCouleur(240, 240, 240), RGBCouleur(240, 240, 240)},
        {20, "", "", 1, CouleurSysteme::FaceBouton, CouleurSysteme::FaceBouton},
        {21, "/Vista.cjstyles", "NormalBlack.ini", 0, CouleurSysteme::FaceBouton, RGBCouleur(240, 240, 240)},
        {-3, "/Vista.cjstyles", "NormalBlack.ini", 0, CouleurSysteme::FaceBouton, RGBCouleur(240, 240, 240)},
    };
    for (const Cas& c : cas) {
        const StyleSkin& s = StyleDuSkin(c.style);
        EXPECT_STREQ(s.fichierSkin, c.fichier) << c.style;
        EXPECT_STREQ(s.nomIni, c.ini) << c.style;
        EXPECT_EQ(s.correctionHauteur, c.correction) << c.style;
        EXPECT_EQ(s.couleurControle, c.controle) << c.style;
        EXPECT_EQ(s.couleurCadre, c.cadre) << c.style;
    }
    EXPECT_EQ(CouleurQt(RGBCouleur(1, 2, 3)), QColor(1, 2, 3));
}

TEST_F(LookTest, StyleFromTheRegistry) {
    struct Cas {
        QString stocke;
        int style;
        int correction;
        QString fichier;  // relative to the skin folder, empty: no skin
    };
    const Cas cas[] = {
        {QString(), 15, 0, QStringLiteral("/iTunes")},
        {QStringLiteral("   "), 15, 0, QStringLiteral("/iTunes")},
        {QStringLiteral(" 7 "), 7, 1, QStringLiteral("/WinXP.Luna.cjstyles")},
        {QStringLiteral("4.5"), 4, 1, QStringLiteral("/WinXP.Royale.cjstyles")},
        {QStringLiteral("5.5"), 6, 1, QStringLiteral("/WinXP.Luna.cjstyles")},
        {QStringLiteral("abc"), 0, 0, QStringLiteral("/Vista.cjstyles")},
        {QStringLiteral("20"), 20, 1, QString()},
    };
    for (const Cas& c : cas) {
        ReinitialiserLook();
        Reg_SetValue(HKEY_LOCAL_MACHINE, kCle, QStringLiteral("Style"), c.stocke, REG_SZ);
        int32_t style = -1;
        InitGeneralLook(style);
        EXPECT_EQ(style, c.style) << c.stocke.toStdString();
        EXPECT_EQ(NoStyleSkin, c.style) << c.stocke.toStdString();
        EXPECT_EQ(CorrectionHauteurSkin, c.correction) << c.stocke.toStdString();
        EXPECT_EQ(SkinCourant().fichier, c.fichier.isEmpty() ? QString() : DossierSkins() + c.fichier);
        EXPECT_EQ(SkinCourant().options & 1, 1);
    }
    // A blank value is written back as the default.
    Reg_SetValue(HKEY_LOCAL_MACHINE, kCle, QStringLiteral("Style"), QString(), REG_SZ);
    int32_t style = -1;
    InitGeneralLook(style);
    QString relu;
    Reg_GetValue(HKEY_LOCAL_MACHINE, kCle, QStringLiteral("Style"), relu);
    EXPECT_EQ(relu, QStringLiteral("15"));
}

TEST_F(LookTest, OutOfRangeStyleLoadsNoSkinAndKeepsTheGlobals) {
    for (int32_t hors : {25, -3}) {
        ReinitialiserLook();
        int32_t style = hors;
        InitGeneralLook(style);
        EXPECT_EQ(NoStyleSkin, 0);
        EXPECT_EQ(CorrectionHauteurSkin, 0);
        EXPECT_TRUE(SkinCourant().fichier.isEmpty());
        EXPECT_TRUE(SkinCourant().applique);  // still applied, with style 0's colours
    }
    EXPECT_EQ(lignesSkinAbsent(), 0);
}

TEST_F(LookTest, MissingSkinFileFallsBackWithOneLogLine) {
    int32_t style = 7;
    InitGeneralLook(style);
    EXPECT_FALSE(SkinCourant().trouve);
    EXPECT_EQ(lignesSkinAbsent(), 1);
    EXPECT_EQ(NoStyleSkin, 7);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(224, 223, 227));

    // Present (any case of the name): no line.
    EcrireFichierTest(DossierSkins() + QStringLiteral("/winxp.luna.CJSTYLES"), "skin");
    InitGeneralLook(style);
    EXPECT_TRUE(SkinCourant().trouve);
    EXPECT_EQ(lignesSkinAbsent(), 1);
    // No skin at all for style 20: nothing to look for.
    style = 20;
    InitGeneralLook(style);
    EXPECT_EQ(lignesSkinAbsent(), 1);
}

TEST_F(LookTest, ScaleFactorOnlyAtExactly120Dpi) {
    EXPECT_EQ(FacteurEchellePourDpi(96), 1.0f);
    EXPECT_EQ(FacteurEchellePourDpi(120), 1.25f);
    EXPECT_EQ(FacteurEchellePourDpi(144), 1.0f);

    // The test screen is a known one: 96 pixels per logical inch, so the factor is measured as 1.
    const QScreen* ecran = QGuiApplication::primaryScreen();
    ASSERT_NE(ecran, nullptr);
    ASSERT_EQ(ecran->logicalDotsPerInchX(), 96.0);
    FacteurEchelle = 7.0f;
    int32_t style = 20;
    InitGeneralLook(style);
    EXPECT_EQ(FacteurEchelle, 1.0f);
}

TEST_F(LookTest, WindowControlsTakeTheStylesColours) {
    auto run = [&](int32_t style) {
        ReinitialiserLook();
        InitGeneralLook(style);
        QWidget frm;
        auto* saisie = new QLineEdit(&frm);
        auto* grise = new QLineEdit(&frm);
        QPalette pal = grise->palette();
        pal.setColor(QPalette::Base, CouleurQt(CouleurSysteme::OmbreBouton));
        grise->setPalette(pal);
        auto* points = new QLabel(QStringLiteral("..."), &frm);
        auto* texte = new QLabel(QStringLiteral("Station"), &frm);
        auto* fond = new QFrame(&frm);
        fond->setObjectName(QStringLiteral("ShapeFond1"));
        auto* autre = new QFrame(&frm);
        autre->setObjectName(QStringLiteral("shapeFond2"));
        auto* arbre = new QTreeView(&frm);
        auto* onglets = new QTabWidget(&frm);
        onglets->addTab(new QWidget, QStringLiteral("A"));
        onglets->addTab(new QWidget, QStringLiteral("B"));
        onglets->setCurrentIndex(1);
        auto* cadre = new QGroupBox(QStringLiteral("Recherche"), &frm);
        cadre->setObjectName(QStringLiteral("MyFrameTest"));
        auto* caseACocher = new QCheckBox(QStringLiteral("x"), cadre);
        auto* liste = new QComboBox(&frm);
        liste->resize(120, 24);
        const QColor autreAvant = autre->palette().color(QPalette::Window);
        LookFenetre(&frm);

        const QColor controle = CouleurQt(StyleDuSkin(style).couleurControle);
        const bool teinte = style == 15 || style == 17;
        EXPECT_EQ(saisie->palette().color(QPalette::Base) == QColor(255, 239, 178), teinte) << style;
        // A drop-down list that cannot be typed into is painted as a button: on screen, its face
        // must be the input colour like the text box beside it.
        const QImage face = liste->grab().toImage();
        const QColor milieu = face.pixelColor(face.width() / 3, face.height() / 2);
        EXPECT_EQ(milieu.red() - milieu.blue() > 20, teinte) << style << " " << milieu.name().toStdString();
        EXPECT_EQ(grise->palette().color(QPalette::Base), CouleurQt(CouleurSysteme::OmbreBouton)) << style;
        EXPECT_EQ(points->text(), QString()) << style;
        EXPECT_EQ(texte->text(), QStringLiteral("Station"));
        EXPECT_EQ(fond->palette().color(QPalette::Window), controle) << style;
        EXPECT_EQ(autre->palette().color(QPalette::Window), autreAvant) << style;
        EXPECT_EQ(arbre->palette().color(QPalette::Base), QColor(255, 239, 178)) << style;
        EXPECT_EQ(onglets->currentIndex(), 0) << style;
        EXPECT_EQ(caseACocher->palette().color(QPalette::Window), controle) << style;
        EXPECT_FALSE(caseACocher->font().bold()) << "the frame's title font stays on the title";
        EXPECT_TRUE(cadre->font().bold());
        // The strips' rules (style 15 only) and the frames' go to the window, in one sheet.
        EXPECT_TRUE(onglets->styleSheet().isEmpty()) << style;
        EXPECT_TRUE(cadre->styleSheet().isEmpty()) << style;
        EXPECT_EQ(frm.styleSheet().contains(QStringLiteral("QTabBar::tab")), style == 15) << style;
        EXPECT_TRUE(frm.styleSheet().contains(QStringLiteral("QGroupBox[lookCadre=\"true\"]::title"))) << style;
        // Dressed again, the window's sheet does not grow and keeps its own rules.
        const QString propre = QStringLiteral("QLabel#propre { color: red; }");
        frm.setStyleSheet(propre + frm.styleSheet());
        const qsizetype longueur = frm.styleSheet().size();
        LookFenetre(&frm);
        EXPECT_EQ(frm.styleSheet().size(), longueur) << style;
        EXPECT_TRUE(frm.styleSheet().startsWith(propre)) << style;
    };
    for (int32_t style : {15, 17, 4, 20}) run(style);
}

TEST_F(LookTest, AWindowShownOnDemandTakesTheSameSheetWhenItFirstShows) {
    int32_t style = 15;
    ReinitialiserLook();
    InitGeneralLook(style);
    const QString propre = QStringLiteral("QLabel#propre { color: red; }");
    struct Fenetre {
        QWidget frm;
        QCheckBox* caseACocher;
        explicit Fenetre(const QString& propre) {
            auto* onglets = new QTabWidget(&frm);
            onglets->addTab(new QWidget, QStringLiteral("A"));
            auto* cadre = new QGroupBox(QStringLiteral("Recherche"), &frm);
            caseACocher = new QCheckBox(QStringLiteral("x"), cadre);
            frm.setStyleSheet(propre);
        }
    };
    Fenetre ordinaire(propre), aLaDemande(propre);
    PolirAuPremierAffichage(&aLaDemande.frm);
    LookFenetre(&ordinaire.frm);
    LookFenetre(&aLaDemande.frm);
    LookFenetre(&aLaDemande.frm);
    // The colours are there at once; the sheet, whose setting walks every control, waits.
    EXPECT_EQ(aLaDemande.caseACocher->palette().color(QPalette::Window),
              ordinaire.caseACocher->palette().color(QPalette::Window));
    EXPECT_EQ(aLaDemande.frm.styleSheet(), propre);
    aLaDemande.frm.show();
    EXPECT_NE(ordinaire.frm.styleSheet(), propre);
    EXPECT_EQ(aLaDemande.frm.styleSheet(), ordinaire.frm.styleSheet());
    // Dressed again once shown, the sheet is replaced at once.
    aLaDemande.frm.setStyleSheet(QString());
    LookFenetre(&aLaDemande.frm);
    EXPECT_FALSE(aLaDemande.frm.styleSheet().isEmpty());
}

TEST_F(LookTest, GreyedTextStaysReadableUnderEveryStyle) {
    EXPECT_NEAR(RapportContraste(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(RapportContraste(QColor(118, 118, 118), Qt::white), 4.54, 0.01);
    EXPECT_DOUBLE_EQ(RapportContraste(QColor(182, 182, 182), QColor(182, 182, 182)), 1.0);

    for (int32_t style = 0; style < NbStylesSkin; ++style) {
        int32_t s = style;
        ReinitialiserLook();
        InitGeneralLook(s);
        // A greyed label and check box on an options-like window, inside a frame as they are there.
        QWidget frm;
        auto* cadre = new QGroupBox(QStringLiteral("Démarrage"), &frm);
        auto* etiquette = new QLabel(QStringLiteral("Tempo."), cadre);
        auto* caseACocher = new QCheckBox(QStringLiteral("Mettre dans le groupe de démarrage Windows"), cadre);
        auto* saisie = new QLineEdit(cadre);
        saisie->setReadOnly(true);
        auto* teinte = new QLineEdit(cadre);
        auto* liste = new QComboBox(cadre);
        LookFenetre(&frm);
        cadre->setEnabled(false);
        for (QWidget* w : {static_cast<QWidget*>(etiquette), static_cast<QWidget*>(caseACocher)}) {
            const QPalette& pal = w->palette();
            EXPECT_GE(RapportContraste(pal.color(QPalette::Disabled, QPalette::WindowText),
                                       pal.color(QPalette::Disabled, QPalette::Window)),
                      ContrasteTexteMinimum)
                << style << " " << w->metaObject()->className();
        }
        // Text boxes and lists, tinted or not: readable, and still told apart from enabled ones.
        const std::pair<QWidget*, std::pair<QPalette::ColorRole, QPalette::ColorRole>> champs[] = {
            {saisie, {QPalette::Text, QPalette::Base}},
            {teinte, {QPalette::Text, QPalette::Base}},
            {liste, {QPalette::ButtonText, QPalette::Button}},
        };
        for (const auto& [w, roles] : champs) {
            const QPalette& pal = w->palette();
            const QColor grise = pal.color(QPalette::Disabled, roles.first);
            EXPECT_GE(RapportContraste(grise, pal.color(QPalette::Disabled, roles.second)), ContrasteTexteMinimum)
                << style << " " << w->metaObject()->className();
            EXPECT_NE(grise, pal.color(QPalette::Active, roles.first)) << style << " " << w->metaObject()->className();
        }
        EXPECT_GE(RapportContraste(QApplication::palette().color(QPalette::Disabled, QPalette::ButtonText),
                                   QApplication::palette().color(QPalette::Disabled, QPalette::Button)),
                  ContrasteTexteMinimum)
            << style;
        // Still greyed: not the text of an active control.
        EXPECT_NE(QApplication::palette().color(QPalette::Disabled, QPalette::WindowText),
                  QApplication::palette().color(QPalette::Active, QPalette::WindowText))
            << style;
    }
}
