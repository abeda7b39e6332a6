#include "platform/property_grid.h"

#include <QCalendarWidget>
#include <QApplication>
#include <QCoreApplication>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <vector>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "support/scripted_dialogs.h"

namespace {

void pomper() { QCoreApplication::processEvents(); }

// Two categories as a settings page has them: dates, a flag set, truth values (one read-only),
// and a category line with a button.
class PropertyGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        g.resize(300, 400);
        g.show();
        remplir();
    }
    void remplir() {
        g.resetContent();
        PropertyGridItem* c = g.addCategory(QStringLiteral("Période"));
        c->addChildItem(PropertyKind::Date, QStringLiteral("Début"), QDate(2024, 3, 6))->setId(10);
        c->addChildItem(PropertyKind::Date, QStringLiteral("Fin"), QDate(2024, 4, 5))->setId(14);
        PropertyGridItem* f = c->addChildItem(PropertyKind::FlagSet, QStringLiteral("Stations"), 5);
        f->setDescription(QStringLiteral("Les stations"));
        f->addConstraint(QStringLiteral("Un"), 1);
        f->addConstraint(QStringLiteral("Deux"), 2);
        f->addConstraint(QStringLiteral("Trois"), 4);
        f->setId(11);
        c->expand();
        PropertyGridItem* d = g.addCategory(QStringLiteral("Colonnes"));
        d->addChildItem(PropertyKind::Bool, QStringLiteral("Jour"), false)->setId(12);
        g.findItem(12)->setReadOnly(true);
        d->addChildItem(PropertyKind::Bool, QStringLiteral("Heure"), true)->setId(13);
        d->expand();
        PropertyGridItem* b = g.addCategory(QStringLiteral("Remplissage"));
        b->setId(20);
        b->addInplaceButton(QStringLiteral("Calcul"), QStringLiteral("Calcul du taux"));
    }
    static Qt::CheckState coche(PropertyGridItem* it, int col) { return it->row()->checkState(col); }
    PropertyGrid g;
};

TEST_F(PropertyGridTest, ItemsShowTheirValuesAndAreFoundById) {
    ASSERT_EQ(g.categories().size(), 3u);
    EXPECT_TRUE(g.categories()[0]->expanded());
    EXPECT_EQ(g.findItem(10)->dateValue(), QDate(2024, 3, 6));
    EXPECT_EQ(qobject_cast<QDateEdit*>(g.findItem(10)->editor())->date(), QDate(2024, 3, 6));
    PropertyGridItem* f = g.findItem(11);
    EXPECT_EQ(f->intValue(), 5);
    ASSERT_EQ(f->children().size(), 3u);
    EXPECT_EQ(coche(f->children()[0], 0), Qt::Checked);
    EXPECT_EQ(coche(f->children()[1], 0), Qt::Unchecked);
    EXPECT_EQ(coche(f->children()[2], 0), Qt::Checked);
    EXPECT_EQ(f->row()->text(1), QStringLiteral("Un, Trois"));
    EXPECT_EQ(coche(g.findItem(13), 1), Qt::Checked);
    EXPECT_EQ(g.findItem(20)->inplaceButton()->text(), QStringLiteral("Calcul"));
    EXPECT_EQ(g.findItem(99), nullptr);

    g.tree()->setCurrentItem(f->children()[1]->row());
    EXPECT_TRUE(g.helpText().contains(QStringLiteral("Les stations")));
}

TEST_F(PropertyGridTest, UserChangesRaiseOneEventEachOnceTheEventIsOver) {
    std::vector<int> changes, boutons;
    QObject::connect(&g, &PropertyGrid::ValueChanged, &g, [&](int id) { changes.push_back(id); });
    QObject::connect(&g, &PropertyGrid::InplaceButtonDown, &g, [&](int id) { boutons.push_back(id); });
    const auto prendre = [](std::vector<int>& v) {
        const int id = v.front();
        v.erase(v.begin());
        return id;
    };

    // Program changes raise nothing.
    g.findItem(13)->setValue(false);
    g.findItem(11)->setValue(2);
    g.findItem(10)->setValue(QDate(2025, 1, 1));
    pomper();
    EXPECT_EQ(int(changes.size()), 0);
    EXPECT_EQ(coche(g.findItem(11)->children()[1], 0), Qt::Checked);

    // A check box ticked by the user.
    g.findItem(13)->row()->setCheckState(1, Qt::Checked);
    EXPECT_EQ(int(changes.size()), 0);  // not inside the user's event
    pomper();
    ASSERT_EQ(int(changes.size()), 1);
    EXPECT_EQ(prendre(changes), 13);
    EXPECT_TRUE(g.findItem(13)->boolValue());

    // A choice of the flag set: the set's value is the sum of its ticked choices.
    g.findItem(11)->children()[2]->row()->setCheckState(0, Qt::Checked);
    pomper();
    ASSERT_EQ(int(changes.size()), 1);
    EXPECT_EQ(prendre(changes), 11);
    EXPECT_EQ(g.findItem(11)->intValue(), 6);

    // A date typed and left, and one picked in the calendar.
    auto* edit = qobject_cast<QDateEdit*>(g.findItem(10)->editor());
    edit->setDate(QDate(2025, 2, 3));
    Q_EMIT edit->editingFinished();
    pomper();
    ASSERT_EQ(int(changes.size()), 1);
    EXPECT_EQ(prendre(changes), 10);
    EXPECT_EQ(g.findItem(10)->dateValue(), QDate(2025, 2, 3));
    Q_EMIT edit->editingFinished();  // left again unchanged: nothing
    pomper();
    EXPECT_EQ(int(changes.size()), 0);
    // The calendar is opened with the box's arrow before a day is picked in it.
    const QPoint fleche(edit->width() - 4, edit->height() / 2);
    QMouseEvent appui(QEvent::MouseButtonPress, fleche, edit->mapToGlobal(fleche), Qt::LeftButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(edit, &appui);
    ASSERT_NE(edit->calendarWidget(), nullptr);
    edit->setDate(QDate(2025, 2, 4));
    Q_EMIT g.findItem(10)->calendar()->clicked(QDate(2025, 2, 4));
    pomper();
    EXPECT_EQ(int(changes.size()), 1);
    changes.clear();

    // A read-only item cannot be ticked.
    EXPECT_FALSE(g.findItem(12)->row()->flags() & Qt::ItemIsUserCheckable);
    g.findItem(12)->row()->setCheckState(1, Qt::Checked);
    pomper();
    EXPECT_EQ(int(changes.size()), 0);
    EXPECT_FALSE(g.findItem(12)->boolValue());

    g.findItem(20)->inplaceButton()->click();
    EXPECT_EQ(int(boutons.size()), 0);
    pomper();
    ASSERT_EQ(int(boutons.size()), 1);
    EXPECT_EQ(prendre(boutons), 20);
}

TEST_F(PropertyGridTest, AHandlerMayRebuildTheWholeGrid) {
    int vus = 0;
    QObject::connect(&g, &PropertyGrid::ValueChanged, &g, [&](int) {
        ++vus;
        remplir();
    });
    auto* edit = qobject_cast<QDateEdit*>(g.findItem(10)->editor());
    edit->setDate(QDate(2026, 1, 1));
    Q_EMIT edit->editingFinished();
    pomper();
    g.findItem(13)->row()->setCheckState(1, Qt::Unchecked);
    pomper();
    pomper();
    EXPECT_EQ(vus, 2);
    EXPECT_EQ(g.findItem(10)->dateValue(), QDate(2024, 3, 6));
    EXPECT_EQ(g.categories().size(), 3u);
}

TEST_F(PropertyGridTest, ALineButtonPressedRightAfterADateIsTypedIsNotLost) {
    std::vector<int> boutons;
    QObject::connect(&g, &PropertyGrid::ValueChanged, &g, [&](int) { remplir(); });
    QObject::connect(&g, &PropertyGrid::InplaceButtonDown, &g, [&](int id) { boutons.push_back(id); });
    // The user types a date, then goes straight for the button: the press takes the focus from
    // the date box (its change is raised), the handler rebuilds the grid before the release,
    // which then reaches the new button.
    auto* edit = qobject_cast<QDateEdit*>(g.findItem(10)->editor());
    edit->setDate(QDate(2026, 1, 1));
    Q_EMIT edit->editingFinished();
    QPushButton* b = g.findItem(20)->inplaceButton();
    const QPointF centre = QPointF(b->rect().center());
    QMouseEvent appui(QEvent::MouseButtonPress, centre, b->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(b, &appui);
    pomper();
    QPushButton* nouveau = g.findItem(20)->inplaceButton();
    QMouseEvent relache(QEvent::MouseButtonRelease, centre, nouveau->mapToGlobal(centre), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(nouveau, &relache);
    pomper();
    EXPECT_EQ(boutons, std::vector<int>{20});
}

void touche(QWidget* w, int cle) {
    QKeyEvent appui(QEvent::KeyPress, cle, Qt::NoModifier);
    QKeyEvent relache(QEvent::KeyRelease, cle, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &appui);
    QCoreApplication::sendEvent(w, &relache);
}

void cliquer(QWidget* w) {
    const QPointF centre = QPointF(w->rect().center());
    for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(t, centre, w->mapToGlobal(centre), Qt::LeftButton,
                      t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }
}

// A day picked in one calendar, then a date typed in the other box and the box left in each way
// a user leaves it, with a handler that rebuilds the grid on every change (as the fill page does).
// The rebuild hides the box that still has the focus; nothing may then reach the items it had.
TEST_F(PropertyGridTest, EveryWayOfLeavingADateSurvivesTheRebuildItBrings) {
    QLineEdit ailleurs(&g);
    ailleurs.show();
    struct Cas {
        const char* nom;
        std::function<void(QDateEdit*, PropertyGrid&)> quitter;
        bool bouton = false;
    };
    const Cas cas[] = {
        {"Entrée", [](QDateEdit* e, PropertyGrid&) { touche(e, Qt::Key_Return); }},
        {"Entrée du pavé", [](QDateEdit* e, PropertyGrid&) { touche(e, Qt::Key_Enter); }},
        {"Tab ou clic ailleurs", [&](QDateEdit*, PropertyGrid&) { ailleurs.setFocus(Qt::TabFocusReason); }},
        {"bouton Calcul",
         [](QDateEdit*, PropertyGrid& g) {
             // The press takes the focus first, then reaches the button.
             QPushButton* b = g.findItem(20)->inplaceButton();
             b->setFocus(Qt::MouseFocusReason);
             cliquer(b);
         },
         true},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.nom);
        remplir();
        std::vector<std::pair<int, QDate>> changes;
        std::vector<int> boutons;
        const auto c1 = QObject::connect(&g, &PropertyGrid::ValueChanged, &g, [&](int id) {
            changes.emplace_back(id, g.findItem(id)->dateValue());
            remplir();
        });
        const auto c2 =
            QObject::connect(&g, &PropertyGrid::InplaceButtonDown, &g, [&](int id) { boutons.push_back(id); });
        g.activateWindow();
        pomper();

        // "Début": a day picked in its calendar.
        auto* debut = qobject_cast<QDateEdit*>(g.findItem(10)->editor());
        debut->setFocus();
        QCalendarWidget* cal = g.findItem(10)->calendar();
        cal->setSelectedDate(QDate(2026, 12, 1));
        Q_EMIT cal->clicked(QDate(2026, 12, 1));
        pomper();
        pomper();

        // "Fin": typed, then left.
        auto* fin = qobject_cast<QDateEdit*>(g.findItem(14)->editor());
        fin->setFocus();
        pomper();
        ASSERT_TRUE(fin->hasFocus());
        fin->setDate(QDate(2026, 12, 21));
        k.quitter(fin, g);
        for (int i = 0; i < 4; ++i) pomper();

        const std::vector<std::pair<int, QDate>> attendu{{10, QDate(2026, 12, 1)}, {14, QDate(2026, 12, 21)}};
        EXPECT_EQ(changes, attendu);
        EXPECT_EQ(boutons, k.bouton ? std::vector<int>{20} : std::vector<int>{});
        QObject::disconnect(c1);
        QObject::disconnect(c2);
    }
}

// A box makes its calendar only when the user may open it; a day picked there is then taken.
TEST_F(PropertyGridTest, ACalendarIsMadeWhenTheBoxIsFirstPressedAndItsDayIsTaken) {
    std::vector<int> changes;
    QObject::connect(&g, &PropertyGrid::ValueChanged, &g, [&](int id) { changes.push_back(id); });
    auto* edit = qobject_cast<QDateEdit*>(g.findItem(14)->editor());
    EXPECT_EQ(edit->findChild<QCalendarWidget*>(), nullptr);
    QMouseEvent appui(QEvent::MouseButtonPress, QPointF(2, 2), edit->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &appui);
    QCalendarWidget* cal = edit->findChild<QCalendarWidget*>();
    ASSERT_NE(cal, nullptr);
    cal->setSelectedDate(QDate(2024, 4, 9));
    Q_EMIT cal->clicked(QDate(2024, 4, 9));
    pomper();
    EXPECT_EQ(changes, std::vector<int>{14});
    EXPECT_EQ(g.findItem(14)->dateValue(), QDate(2024, 4, 9));
    EXPECT_EQ(g.findItem(14)->calendar(), cal);
}

// A rebuild removes the items at once, but the view lets their editors go only later: whatever
// those editors still signal (a focus leaving them, a day picked, a press) reaches nothing.
TEST_F(PropertyGridTest, EditorsOfRemovedItemsRaiseNothing) {
    std::vector<int> changes, boutons;
    QObject::connect(&g, &PropertyGrid::ValueChanged, &g, [&](int id) { changes.push_back(id); });
    QObject::connect(&g, &PropertyGrid::InplaceButtonDown, &g, [&](int id) { boutons.push_back(id); });
    QPointer<QDateEdit> debut = qobject_cast<QDateEdit*>(g.findItem(10)->editor());
    QPointer<QDateEdit> fin = qobject_cast<QDateEdit*>(g.findItem(14)->editor());
    QPointer<QPushButton> bouton = g.findItem(20)->inplaceButton();
    QPointer<QCalendarWidget> cal = g.findItem(10)->calendar();
    fin->setDate(QDate(2030, 1, 2));  // typed, not yet left
    remplir();
    ASSERT_TRUE(debut && fin && bouton && cal);
    debut->setDate(QDate(2030, 1, 1));
    Q_EMIT cal->clicked(QDate(2030, 1, 1));
    Q_EMIT fin->editingFinished();
    Q_EMIT bouton->pressed();
    // The other box's calendar, first opened now.
    QMouseEvent appui(QEvent::MouseButtonPress, QPointF(2, 2), fin->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(fin, &appui);
    ASSERT_NE(fin->findChild<QCalendarWidget*>(), nullptr);
    Q_EMIT fin->findChild<QCalendarWidget*>()->clicked(QDate(2030, 1, 3));
    pomper();
    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(boutons.empty());
    EXPECT_EQ(g.findItem(14)->dateValue(), QDate(2024, 4, 5));
}

// A date is typed as a person types it, with the keys, into the real box: after a click, a
// double-click or a select-all, the digits replace the whole date (with or without slashes),
// Entrée or Tab takes it; a text that is no date is refused with a message and the date it had
// comes back.
TEST_F(PropertyGridTest, ATypedDateIsTakenWholeOrRefused) {
    QLineEdit ailleurs(&g);
    ailleurs.show();
    enum Avant { Clic, DoubleClic, ToutSelectionner, ClicEtToutSelectionner };
    struct Cas {
        const char* saisie;
        Avant avant;
        Qt::Key fin;
        QDate attendue;  // invalid: refused
    };
    const QDate ancienne(2024, 4, 5);
    const Cas cas[] = {
        {"20/12/2026", ClicEtToutSelectionner, Qt::Key_Return, QDate(2026, 12, 20)},
        {"20122026", Clic, Qt::Key_Return, QDate(2026, 12, 20)},
        {"25/12/2026", ToutSelectionner, Qt::Key_Return, QDate(2026, 12, 25)},
        {"20122026", DoubleClic, Qt::Key_Tab, QDate(2026, 12, 20)},
        {"2/3/2027", Clic, Qt::Key_Enter, QDate(2027, 3, 2)},
        {"311226", ToutSelectionner, Qt::Key_Tab, QDate(2026, 12, 31)},
        {"31/02/2026", ClicEtToutSelectionner, Qt::Key_Return, QDate()},
        {"31022026", Clic, Qt::Key_Tab, QDate()},
        {"abc", DoubleClic, Qt::Key_Return, QDate()},
        {"20/12", ToutSelectionner, Qt::Key_Tab, QDate()},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.saisie);
        remplir();
        TestDialogs().reset();
        std::vector<std::pair<int, QDate>> changes;
        const auto c = QObject::connect(&g, &PropertyGrid::ValueChanged, &g, [&](int id) {
            changes.emplace_back(id, g.findItem(id)->dateValue());
            remplir();  // as the fill page does
        });
        g.activateWindow();
        pomper();
        auto* fin = qobject_cast<QDateEdit*>(g.findItem(14)->editor());
        QLineEdit* ligne = fin->findChild<QLineEdit*>();
        ASSERT_NE(ligne, nullptr);
        fin->setFocus(Qt::MouseFocusReason);
        pomper();
        ASSERT_TRUE(fin->hasFocus());
        // On the day, where a click lands first.
        const QPoint jour(ligne->fontMetrics().horizontalAdvance(QLatin1Char('0')) + 2, ligne->height() / 2);
        if (k.avant == Clic || k.avant == ClicEtToutSelectionner) QTest::mouseClick(ligne, Qt::LeftButton, {}, jour);
        if (k.avant == DoubleClic) QTest::mouseDClick(ligne, Qt::LeftButton, {}, jour);
        if (k.avant == ToutSelectionner || k.avant == ClicEtToutSelectionner)
            QTest::keyClick(fin, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(fin, QString::fromLatin1(k.saisie));
        EXPECT_EQ(fin->text(), QString::fromLatin1(k.saisie));  // shown as typed
        QTest::keyClick(fin, k.fin);
        for (int i = 0; i < 3; ++i) pomper();

        if (k.attendue.isValid()) {
            EXPECT_EQ(changes, (std::vector<std::pair<int, QDate>>{{14, k.attendue}}));
            EXPECT_TRUE(TestDialogs().shown.empty());
        } else {
            EXPECT_TRUE(changes.empty());
            ASSERT_EQ(TestDialogs().shown.size(), 1u);
            EXPECT_EQ(TestDialogs().shown[0].prompt,
                      QStringLiteral("Fin : « %1 » n'est pas une date.\r\n\r\nTapez le jour, le mois et l'année, par "
                                     "exemple 20/12/2026 ou 20122026. La date précédente est conservée.")
                          .arg(QString::fromLatin1(k.saisie)));
            EXPECT_EQ(TestDialogs().shown[0].style, int(Mb::Exclamation));
            EXPECT_EQ(g.findItem(14)->dateValue(), ancienne);
            auto* boite = qobject_cast<QDateEdit*>(g.findItem(14)->editor());
            EXPECT_EQ(boite->date(), ancienne);
            EXPECT_EQ(boite->text(), QStringLiteral("05/04/2024"));
        }
        QObject::disconnect(c);
    }
}

// Escape gives the date back while typing.
TEST_F(PropertyGridTest, EscapeDropsATypedDate) {
    std::vector<int> changes;
    QObject::connect(&g, &PropertyGrid::ValueChanged, &g, [&](int id) { changes.push_back(id); });
    TestDialogs().reset();
    auto* debut = qobject_cast<QDateEdit*>(g.findItem(10)->editor());
    QTest::keyClicks(debut, QStringLiteral("0101"));
    QTest::keyClick(debut, Qt::Key_Escape);
    EXPECT_EQ(debut->text(), QStringLiteral("06/03/2024"));
    QTest::keyClick(debut, Qt::Key_Return);
    pomper();
    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_EQ(g.findItem(10)->dateValue(), QDate(2024, 3, 6));
}

TEST_F(PropertyGridTest, ColoursAndTheFirstLineShownAreKept) {
    g.setCategoryColors(QColor(255, 239, 178), QColor(115, 150, 190));
    EXPECT_EQ(g.categories()[1]->captionBackColor(), QColor(115, 150, 190));
    g.findItem(12)->setCaptionColors(QColor(0, 0, 0), QColor(200, 200, 200));
    g.findItem(12)->setValueColors(QColor(0, 0, 0), QColor(200, 200, 200));
    EXPECT_EQ(g.findItem(12)->valueBackColor(), QColor(200, 200, 200));
    g.resize(300, 60);
    pomper();
    g.setTopIndex(2);
    const int haut = g.topIndex();
    remplir();
    g.setTopIndex(haut);
    EXPECT_EQ(g.topIndex(), haut);
}

}  // namespace
