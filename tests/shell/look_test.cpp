#include "foundation/globals.h"
#include "foundation/system_info.h"
#include "platform/registry.h"
#include "shell/look.h"
#include "support/fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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
        QString fichier;   // relative to the skin folder, empty: no skin
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
        EXPECT_TRUE(SkinCourant().applique);   // still applied, with style 0's colours
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
    int32_t style = 20;
    InitGeneralLook(style);
    EXPECT_GT(FacteurEchelle, 0.0f);
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
        const QColor autreAvant = autre->palette().color(QPalette::Window);
        LookFenetre(&frm);

        const QColor controle = CouleurQt(StyleDuSkin(style).couleurControle);
        const bool teinte = style == 15 || style == 17;
        EXPECT_EQ(saisie->palette().color(QPalette::Base) == QColor(255, 239, 178), teinte) << style;
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
        EXPECT_EQ(onglets->styleSheet().isEmpty(), style != 15) << style;
    };
    for (int32_t style : {15, 17, 4, 20}) run(style);
}
