#include "database/site_test_base.h"

#include "foundation/globals.h"
#include "platform/profile.h"

#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSet>

namespace {

class BaseChoiceWindowTest : public SiteTest {
protected:
    void TearDown() override {
        FacteurEchelle = 0.0f;
        SiteTest::TearDown();
    }
    static QStringList stations(const FrmSelectBase& f) {
        QStringList l;
        for (int i = 0; i < f.ComboStation->count(); ++i) l << f.ComboStation->itemText(i);
        return l;
    }
};

TEST_F(BaseChoiceWindowTest, DesignLayoutAndItsScaledForm) {
    struct Cas {
        float facteur;
        QSize fenetre;
        QRect sousTitre, valider, quitter, comboBase;
    };
    const Cas cas[] = {
        {0.0f,
         {7560, 5895},
         {1560, 1200, 4950, 360},
         {6300, 5340, 1095, 375},
         {5040, 5340, 1155, 375},
         {2220, 2580, 4335, 315}},
        {1.0f,
         {7560, 5895},
         {1560, 1200, 4950, 360},
         {6300, 5340, 1095, 375},
         {5040, 5340, 1155, 375},
         {2220, 2580, 4335, 315}},
        // 120 dots per inch: the design compensated, both buttons as wide, the subtitle aligned
        // with the other labels; heights kept.
        {1.25f,
         {6048, 4716},
         {768, 960, 4950, 360},
         {5040, 4272, 924, 375},
         {4032, 4272, 924, 375},
         {1776, 2064, 3468, 315}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.facteur);
        FacteurEchelle = c.facteur;
        FrmSelectBase f;
        f.Form_Load();
        EXPECT_EQ(QSize(f.property("Width").toInt(), f.property("Height").toInt()), c.fenetre);
        EXPECT_EQ(FrmSelectBase::Twips(f.Label[2]), c.sousTitre);
        EXPECT_EQ(FrmSelectBase::Twips(f.CommandFermer[0]), c.valider);
        EXPECT_EQ(FrmSelectBase::Twips(f.CommandFermer[1]), c.quitter);
        EXPECT_EQ(FrmSelectBase::Twips(f.ComboBase), c.comboBase);
        // Whatever the factor, the window keeps its size on the screen: 504 x 393 pixels.
        EXPECT_EQ(f.size(), QSize(504, 393));
    }
    FrmSelectBase f;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Choix de la base"));
    EXPECT_EQ(f.Label[3]->text(), QStringLiteral("Ondrune"));
    EXPECT_EQ(f.Label[2]->text(), QStringLiteral("Sélectionnez la base et la station"));
    EXPECT_EQ(f.Label[0]->text(), QStringLiteral("Base:"));
    EXPECT_EQ(f.Label[1]->text(), QStringLiteral("Station"));
    EXPECT_EQ(f.CommandFermer[0]->text(), QStringLiteral("Valider"));
    EXPECT_EQ(f.CommandFermer[1]->text(), QStringLiteral("Quitter"));
}

TEST_F(BaseChoiceWindowTest, TheStationListFollowsTheSelectedBase) {
    DescriptionSite d = SiteStandard(3, 2);
    d.bases[1].stations = {QStringLiteral("Sud FM"), QStringLiteral("Sud Info"), QStringLiteral("Sud Jazz")};
    construire(d);
    // Base 3: no station count (one station named by default), its first station unnamed.
    const QString S3 = site->fichierSysteme(d.bases[2]);
    ProfileSupprimerCle(S3, QStringLiteral("Base_03"), QStringLiteral("NbStation"));
    ProfileSupprimerCle(S3, QStringLiteral("Base_03_Station_01"), QStringLiteral("Lib"));
    FichierConfigIni = site->fichierConfig();

    FrmSelectBase f;
    f.Form_Load();
    for (int n = 1; n <= 3; ++n) f.AjouterBase(d.bases[n - 1].lib, int16_t(n));
    EXPECT_EQ(f.ComboBase->currentIndex(), -1);
    EXPECT_EQ(f.ComboStation->count(), 0);

    f.ComboBase->setCurrentIndex(1);
    EXPECT_EQ(stations(f),
              (QStringList{QStringLiteral("Sud FM"), QStringLiteral("Sud Info"), QStringLiteral("Sud Jazz")}));
    EXPECT_EQ(f.ComboStation->currentIndex(), 0);
    EXPECT_EQ(DossierConfigGlobal[1], L(d.bases[1].dossierConfig));

    f.ComboBase->setCurrentIndex(2);
    EXPECT_EQ(stations(f), QStringList{QStringLiteral("Station 1")});

    EcritureIni(S3, QStringLiteral("Base_03"), QStringLiteral("NbStation"), QStringLiteral("0"));
    f.ComboBase->setCurrentIndex(0);
    f.ComboBase->setCurrentIndex(2);
    EXPECT_EQ(f.ComboStation->count(), 0);
}

TEST_F(BaseChoiceWindowTest, HowTheWindowCloses) {
    construire(SiteStandard(2, 1));
    FichierConfigIni = site->fichierConfig();
    struct Cas {
        const char* nom;
        int item;
        std::function<void(FrmSelectBase&)> action;
        int choix;
    };
    const Cas cas[] = {
        {"Valider", 1, [](FrmSelectBase& f) { f.CommandFermer[0]->click(); }, 1},
        {"Valider without a selection", -1, [](FrmSelectBase& f) { f.CommandFermer[0]->click(); }, -1},
        {"Quitter", 1, [](FrmSelectBase& f) { f.CommandFermer[1]->click(); }, -1},
        {"close box", 0, [](FrmSelectBase& f) { f.close(); }, -1},
        {"Escape", 0, [](FrmSelectBase& f) { f.reject(); }, -1},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        ChoixBase = 0;
        FrmSelectBase f;
        f.Form_Load();
        f.AjouterBase(QStringLiteral("Base Nord"), 1);
        f.AjouterBase(QStringLiteral("Base Sud"), 2);
        f.ComboBase->setCurrentIndex(c.item);
        f.show();
        c.action(f);
        EXPECT_EQ(ChoixBase, c.choix);
        EXPECT_FALSE(f.isVisible());
    }
}

TEST_F(BaseChoiceWindowTest, TheWindowAsTheUserSeesIt) {
    DescriptionSite d = SiteStandard(3, 3);
    construire(d);
    FichierConfigIni = site->fichierConfig();
    for (float facteur : {1.0f, 1.25f}) {
        SCOPED_TRACE(facteur);
        FacteurEchelle = facteur;
        FrmSelectBase f;
        f.Form_Load();
        for (int n = 1; n <= 3; ++n) f.AjouterBase(d.bases[n - 1].lib, int16_t(n));
        f.ComboBase->setCurrentIndex(1);
        f.show();
        const QImage image = f.grab().toImage();
        ASSERT_EQ(image.size(), QSize(504, 393) * f.devicePixelRatioF());
        // Not a blank window: the labels and lists are drawn over the background.
        QSet<QRgb> couleurs;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3) couleurs.insert(image.pixel(x, y));
        EXPECT_GT(couleurs.size(), 20);
        // Every caption is drawn whole and inside the window, whatever font this system gives for
        // the design's.
        for (const QLabel* l : f.Label) {
            EXPECT_LE(QFontMetrics(l->font()).horizontalAdvance(l->text()), l->width()) << l->text().toStdString();
            EXPECT_TRUE(f.rect().contains(l->geometry())) << l->text().toStdString();
        }
        for (const QWidget* w : {static_cast<QWidget*>(f.ComboBase), static_cast<QWidget*>(f.ComboStation),
                                 static_cast<QWidget*>(f.CommandFermer[0]), static_cast<QWidget*>(f.CommandFermer[1])})
            EXPECT_TRUE(f.rect().contains(w->geometry())) << w->objectName().toStdString();
        const QString capture = qEnvironmentVariable("KIRVO_CAPTURE_DIR");
        if (!capture.isEmpty())
            image.save(QDir(capture).filePath(QStringLiteral("site_choice_%1.png").arg(int(facteur * 100))));
        f.close();
    }
}

}  // namespace
