#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "foundation/trace_log.h"
#include "options/options_window.h"
#include "shell/clock_window.h"
#include "shell/debug_window.h"
#include "shell/picture_window.h"
#include "shell/progress_window.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QTimer>

namespace {

class SmallWindowsTest : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        DossierApplication = tmp.path() + QStringLiteral("/app/");
        NomDossierSettings();
    }
    QString affiche() const {
        return LectureIni(NomFichierSettings(QString(), QStringLiteral(".Ini")), QStringLiteral("Timing"),
                          QStringLiteral("Affiche"), QStringLiteral("<absent>"));
    }
};

}  // namespace

TEST_F(SmallWindowsTest, ClockRecordsWhoClosedIt) {
    EXPECT_FALSE(ChronoDemande());
    horloge.setNow(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
    FrmChrono* c = AfficherFrmChrono();
    EXPECT_EQ(c->LabelHorloge->text(), QStringLiteral("07:08:09"));  // at once, not at the first tick
    EXPECT_EQ(c->TimerChrono->interval(), 250);
    EXPECT_TRUE(c->TimerChrono->isActive());
    EXPECT_EQ(affiche(), QStringLiteral("<absent>"));
    horloge.setNow(QDateTime(QDate(2024, 3, 5), QTime(23, 59, 58)));
    c->TimerChrono_Timer();
    EXPECT_EQ(c->LabelHorloge->text(), QStringLiteral("23:59:58"));

    c->close();  // the user's close box
    EXPECT_EQ(affiche(), QStringLiteral("0"));
    EXPECT_FALSE(ChronoDemande());

    c = AfficherFrmChrono();
    bFermetureEnCours = true;  // the program's end closes it
    c->close();
    EXPECT_EQ(affiche(), QStringLiteral("1"));
    EXPECT_TRUE(ChronoDemande());
    EcritureIni(NomFichierSettings(QString(), QStringLiteral(".Ini")), QStringLiteral("Timing"),
                QStringLiteral("Affiche"), QStringLiteral("01"));
    EXPECT_FALSE(ChronoDemande());  // exactly "1"
}

TEST_F(SmallWindowsTest, DebugWindowIsCreatedByTheFirstLineAndStaysHidden) {
    InstallerFenetreDebug();
    EXPECT_FALSE(FrmDebugEcranChargee());
    TraceDebugEcran(QStringLiteral("Lib_Public:Essai"));
    QCoreApplication::processEvents();
    ASSERT_TRUE(FrmDebugEcranChargee());
    FrmDebugEcran& d = FrmDebugEcranInstance();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.ListeDebug->model()->rowCount(), 1);

    // Its unload turns the options' debug-list switch off while that window is loaded.
    FrmSetup* s = ChargerFrmSetup();
    s->CheckDebugEcran->setChecked(true);
    d.close();
    EXPECT_FALSE(s->CheckDebugEcran->isChecked());
    DechargerFrmSetup();
}

TEST_F(SmallWindowsTest, PictureAreaFollowsTheLargerSideUpToTheLimit) {
    struct Cas {
        int l, h, cote;
    };
    for (const Cas& c :
         {Cas{300, 200, 300}, Cas{1000, 200, 465}, Cas{465, 10, 465}, Cas{466, 10, 465}, Cas{20, 40, 40}})
        EXPECT_EQ(CoteZoneImage(c.l, c.h), c.cote) << c.l << "x" << c.h;

    const QString image = tmp.path() + QStringLiteral("/img.png");
    QImage(300, 200, QImage::Format_RGB32).save(image);
    FrmPicture& f = FrmPictureInstance();
    f.ChargerImage(image);
    EXPECT_EQ(f.Img->size(), QSize(300, 300));
    EXPECT_EQ(f.size(), QSize(300, 300));
    EXPECT_EQ(f.windowTitle(), image);
    EXPECT_FALSE(f.Img->pixmap().isNull());

    // A file that is not a picture: reported, the size of the previous one kept, the caption set.
    const QString faux = tmp.path() + QStringLiteral("/faux.png");
    EcrireFichierTest(faux, "pas une image");
    const int lignesAvant = int(lignesLog().size());
    f.ChargerImage(faux);
    EXPECT_EQ(f.Img->size(), QSize(300, 300));
    EXPECT_EQ(f.windowTitle(), faux);
    const QString rapport = lignesLog().mid(lignesAvant).join(QLatin1Char('\n'));
    EXPECT_TRUE(rapport.contains(QStringLiteral("Err: 481 (Image incorrecte: ") + faux)) << rapport.toStdString();
    EXPECT_TRUE(rapport.contains(QLatin1String(Cle::FrmPicture_ChargerImage))) << rapport.toStdString();

    // Empty or missing: the picture cleared, no resize.
    const QString vide = tmp.path() + QStringLiteral("/vide.png");
    EcrireFichierTest(vide, "");
    f.ChargerImage(vide);
    EXPECT_TRUE(f.Img->pixmap().isNull());
    EXPECT_EQ(f.windowTitle(), vide);
    delete &f;
}

TEST_F(SmallWindowsTest, ProgressWindowIsTopmostAndPlacedATenthDown) {
    EXPECT_EQ(PositionProgression(QRect(0, 0, 1280, 1000), 400), QPoint(440, 100));
    FrmProgressBar& p = FrmProgressBarInstance();
    EXPECT_TRUE(p.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(p.windowTitle(), QStringLiteral("Progression..."));
    for (QProgressBar* b : p.ProgressBar) {
        EXPECT_EQ(b->minimum(), 0);
        EXPECT_EQ(b->maximum(), 100);
    }
    delete &p;
}
