#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/trace_log.h"
#include "shell/hidden_host.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>

namespace {

using HiddenHostTest = FenetresTest;

TEST_F(HiddenHostTest, NeverShownAndCreatedOnce) {
    EXPECT_FALSE(FrmMainBisChargee());
    Frm_MainBis& h = FrmMainBis();
    EXPECT_TRUE(FrmMainBisChargee());
    EXPECT_EQ(&FrmMainBis(), &h);
    EXPECT_EQ(h.windowTitle(), QStringLiteral("Blind Main Form"));

    h.show();
    h.setVisible(true);
    EXPECT_FALSE(h.isVisible());

    DechargerFrmMainBis();
    EXPECT_FALSE(FrmMainBisChargee());
}

TEST_F(HiddenHostTest, ShowsTheEarlyLogLines) {
    Log(QStringLiteral("Avant les options"));
    Frm_MainBis& h = FrmMainBis();
    EXPECT_EQ(h.ListeLogTemp->model(), &Listes().ListeLogTemp);
    ASSERT_EQ(h.ListeLogTemp->model()->rowCount(), 1);
    EXPECT_TRUE(h.ListeLogTemp->model()->index(0, 0).data().toString().endsWith(QStringLiteral("Avant les options")));
}

TEST_F(HiddenHostTest, SharedControlsAndTheirDesignData) {
    Frm_MainBis& h = FrmMainBis();
    for (size_t k = 0; k < 18; ++k) {
        ASSERT_NE(h.ComboTrancheDeb[k], nullptr);
        ASSERT_NE(h.ComboTrancheFin[k], nullptr);
        EXPECT_EQ(h.ComboTrancheDeb[k]->count(), 0);
    }
    for (size_t hr = 0; hr < 24; ++hr) {
        ASSERT_NE(h.TextePubRemplissageLocal[hr], nullptr);
        ASSERT_NE(h.TextePubRemplissageNational[hr], nullptr);
        EXPECT_TRUE(h.TextePubRemplissageNational[hr]->text().isEmpty());
    }
    struct Cas {
        int element;
        QColor fond;
        QColor texte;
    };
    const Cas cas[] = {
        {16, QColor(115, 150, 190), QColor(255, 239, 178)},
        {17, QColor(255, 255, 255), QColor(0, 0, 0)},
        {18, QColor(200, 200, 200), QColor(0, 0, 0)},
        {19, QColor(115, 150, 190), QColor(0, 0, 0)},
    };
    EXPECT_EQ(h.ColorPickerFond.size(), 4u);
    for (const Cas& c : cas) {
        EXPECT_EQ(h.ColorPickerFond.at(c.element)->couleur(), c.fond) << c.element;
        EXPECT_EQ(h.ColorPickerTexte.at(c.element)->couleur(), c.texte) << c.element;
    }
    EXPECT_EQ(h.ImageListIcones.keys(),
              (QStringList{QStringLiteral("Down"), QStringLiteral("Neutre"), QStringLiteral("Up")}));
    EXPECT_EQ(h.clCertificateStore1->property("StoreName").toString(), QStringLiteral("MY"));
    EXPECT_FALSE(h.ImageDragAndDrop->pixmap().isNull());
}

}  // namespace
