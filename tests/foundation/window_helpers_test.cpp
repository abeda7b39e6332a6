#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/window_helpers.h"
#include "support/fixture.h"

#include <QCoreApplication>
#include <QStringList>
#include <QWidget>
#include <memory>

namespace {

class WindowHelpersTest : public KirvoTest {
protected:
    std::unique_ptr<QWidget> fenetre(bool visible, const QString& tag = QString()) {
        auto w = std::make_unique<QWidget>();
        if (!tag.isEmpty()) SetTagFenetre(w.get(), tag);
        if (visible) w->show();
        return w;
    }
};

TEST_F(WindowHelpersTest, TopmostIsReleasedAroundAModalBoxAndRestored) {
    auto w = fenetre(true);
    AfficherAuDessus(w.get(), true);
    EXPECT_TRUE(EstAuDessus(w.get()));
    EXPECT_TRUE(w->isVisible());  // changing the band does not hide it
    EXPECT_EQ(TagFenetre(w.get()), QStringLiteral("1"));

    AfficherMessageBoxOuInputBox(true);
    EXPECT_FALSE(EstAuDessus(w.get()));
    EXPECT_EQ(TagFenetre(w.get()), QStringLiteral("-1"));
    EXPECT_TRUE(w->isVisible());

    AfficherMessageBoxOuInputBox(false);
    EXPECT_TRUE(EstAuDessus(w.get()));
    EXPECT_EQ(TagFenetre(w.get()), QStringLiteral("1"));

    AfficherAuDessus(w.get(), false);
    EXPECT_FALSE(EstAuDessus(w.get()));
    EXPECT_EQ(TagFenetre(w.get()), QStringLiteral("0"));
}

TEST_F(WindowHelpersTest, OnlyVisibleMarkedWindowsAreReleased) {
    auto cachee = fenetre(false);
    AfficherAuDessus(cachee.get(), true);
    auto autre = fenetre(true, QStringLiteral("x"));
    autre->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    auto visible = fenetre(true);
    AfficherAuDessus(visible.get(), true);

    AfficherMessageBoxOuInputBox(true);
    EXPECT_TRUE(EstAuDessus(cachee.get()));
    EXPECT_EQ(TagFenetre(cachee.get()), QStringLiteral("1"));
    EXPECT_TRUE(EstAuDessus(autre.get()));
    EXPECT_EQ(TagFenetre(autre.get()), QStringLiteral("x"));
    EXPECT_FALSE(EstAuDessus(visible.get()));

    // A second "before" finds nothing more to release; one "after" restores all.
    AfficherMessageBoxOuInputBox(true);
    EXPECT_EQ(TagFenetre(visible.get()), QStringLiteral("-1"));
    AfficherMessageBoxOuInputBox(false);
    EXPECT_TRUE(EstAuDessus(visible.get()));
    EXPECT_EQ(TagFenetre(visible.get()), QStringLiteral("1"));
    EXPECT_EQ(TagFenetre(autre.get()), QStringLiteral("x"));
}

TEST_F(WindowHelpersTest, HourglassIsTheWindowsOwnPointer) {
    auto w = fenetre(true);
    SablierOn(w.get());
    EXPECT_EQ(w->cursor().shape(), Qt::WaitCursor);
    SablierOff(w.get());
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(WindowHelpersTest, NoWindowIsAReportedErrorNotACrash) {
    SablierOn(nullptr);
    EXPECT_EQ(Listes().incidents(0).count(), 1);
    AfficherAuDessus(nullptr, true);
    EXPECT_EQ(Listes().incidents(0).count(), 2);
}

TEST_F(WindowHelpersTest, DesktopCallsOnlyTrace) {
    bTraceLogDebug = true;
    AfficherBarreDeTache(true);
    AfficherBureau(false);
    EXPECT_TRUE(lignesLog().isEmpty());  // debug-list trace only
    CloseSoundRessource();
    ASSERT_EQ(lignesLog().size(), 1);
    EXPECT_TRUE(lignesLog()[0].endsWith(QStringLiteral("Lib_Public:CloseSoundRessource")));
}

}  // namespace

TEST_F(WindowHelpersTest, WorkForAWindowShownOnDemandWaitsForItsPolishAndOnlyTheLastRuns) {
    QStringList fait;
    QWidget ordinaire;
    QuandPoli(&ordinaire, "feuille", [&] { fait << QStringLiteral("ordinaire"); });
    EXPECT_EQ(fait, QStringList{QStringLiteral("ordinaire")});

    QWidget aLaDemande;
    new QWidget(&aLaDemande);
    PolirAuPremierAffichage(&aLaDemande);
    QuandPoli(&aLaDemande, "feuille", [&] { fait << QStringLiteral("premier"); });
    QuandPoli(&aLaDemande, "feuille", [&] { fait << QStringLiteral("dernier"); });
    QuandPoli(&aLaDemande, "autre", [&] { fait << QStringLiteral("autre"); });
    QCoreApplication::processEvents();
    EXPECT_EQ(fait.size(), 1);
    aLaDemande.show();
    EXPECT_EQ(fait, QStringList({QStringLiteral("ordinaire"), QStringLiteral("dernier"), QStringLiteral("autre")}));
    // Once polished, the work is done at once.
    QuandPoli(&aLaDemande, "feuille", [&] { fait << QStringLiteral("après"); });
    EXPECT_EQ(fait.last(), QStringLiteral("après"));
    aLaDemande.hide();
    aLaDemande.show();
    EXPECT_EQ(fait.size(), 4);
}
