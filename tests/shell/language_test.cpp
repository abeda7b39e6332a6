// French whatever the machine's language: the widgets made after start-up show French month and
// day names, French dates and the standard texts in French.
#include "platform/dialogs.h"
#include "platform/http_client.h"
#include "shell/certificate.h"
#include "shell/langue.h"
#include "window_fixture.h"

#include <QAbstractProxyModel>
#include <QCalendarWidget>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QLocale>
#include <QTableView>
#include <QThread>
#include <QToolButton>

namespace {

class LanguageTest : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        // As on a machine set to English.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        InstallerFrancais();
    }
    void TearDown() override {
        QLocale::setDefault(avant);
        ReinitialiserCertificats();
        FenetresTest::TearDown();
    }
    const QLocale avant;
};

TEST_F(LanguageTest, CalendarsDatesAndStandardTextsAreFrench) {
    EXPECT_EQ(QLocale().name(), QStringLiteral("fr_FR"));
    EXPECT_EQ(QLocale().toString(1234.5, 'f', 1), QStringLiteral("1\u202f234,5"));

    QCalendarWidget cal;
    cal.setSelectedDate(QDate(2026, 12, 10));
    auto* mois = cal.findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    ASSERT_NE(mois, nullptr);
    EXPECT_EQ(mois->text(), QStringLiteral("décembre"));
    // Weeks start on Monday, whose heading is French.
    auto* jours = cal.findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
    ASSERT_NE(jours, nullptr);
    EXPECT_EQ(cal.firstDayOfWeek(), Qt::Monday);
    const QString lundi = jours->model()->index(0, 1).data().toString();
    EXPECT_TRUE(lundi.startsWith(QStringLiteral("lun"))) << lundi.toStdString();

    QDateEdit date(QDate(2026, 12, 10));
    date.setDisplayFormat(QStringLiteral("d MMM yyyy"));
    EXPECT_EQ(date.text(), QStringLiteral("10 déc. 2026"));

    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"));
    // A second call changes nothing.
    EXPECT_TRUE(InstallerFrancais());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"));
}

TEST_F(LanguageTest, TheCertificateWindowShowsFrenchDates) {
    QString du, au;
    SetAfficheurCertificat([&](FrmCertificate& f) {
        du = f.edtValidFrom->text();
        au = f.edtValidTo->text();
    });
    CertificatServeur c;
    c.hote = QStringLiteral("127.0.0.1");
    c.valideDu = QDateTime(QDate(2026, 12, 10), QTime(14, 3));
    c.valideAu = QDateTime(QDate(2027, 1, 9), QTime(9, 0));
    ViewCertificate(c);
    EXPECT_EQ(du, QStringLiteral("10/12/2026 14:03"));
    EXPECT_EQ(au, QStringLiteral("09/01/2027 09:00"));
}

// The file dialog's list, unopened: a file's date and size, and a folder's type, as the dialog
// shows them.
TEST_F(LanguageTest, TheFileDialogsDatesSizesAndTypesAreFrench) {
    ASSERT_TRUE(QDir(tmp.path()).mkdir(QStringLiteral("Archives")));
    const QString dossier = tmp.path() + QStringLiteral("/Archives");
    const QString chemin = tmp.path() + QStringLiteral("/Log.txt");
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(2500, 'x'));
    f.flush();
    const QDateTime quand(QDate(2026, 12, 10), QTime(14, 3));
    ASSERT_TRUE(f.setFileTime(quand, QFileDevice::FileModificationTime));
    f.close();
    QFileDialog d(nullptr, QStringLiteral("Log technique"), tmp.path());
    DialogueFichiersLocal(d);
    ASSERT_NE(d.proxyModel(), nullptr);
    auto* fichiers = qobject_cast<QFileSystemModel*>(d.proxyModel()->sourceModel());
    ASSERT_NE(fichiers, nullptr);
    QString date, taille, typeDossier;
    // The list is read in the background: a bounded wait for it.
    for (int i = 0; i < 500 && date.isEmpty(); ++i) {
        QThread::msleep(10);
        QCoreApplication::processEvents();
        const QModelIndex s = fichiers->index(chemin, 3);
        if (!s.isValid() || fichiers->lastModified(s) != quand) continue;
        date = d.proxyModel()->mapFromSource(s).data().toString();
        taille = d.proxyModel()->mapFromSource(fichiers->index(chemin, 1)).data().toString();
        typeDossier = d.proxyModel()->mapFromSource(fichiers->index(dossier, 2)).data().toString();
    }
    EXPECT_EQ(date, QStringLiteral("10/12/2026 14:03"));
    EXPECT_EQ(taille, QStringLiteral("2,44 Kio"));
    EXPECT_EQ(typeDossier, QStringLiteral("dossier"));
}

}  // namespace
