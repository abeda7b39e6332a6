#include "foundation/globals.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "shell/main_window.h"
#include "shell/note_window.h"
#include "shell/rtf.h"
#include "support/scripted_dialogs.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <memory>

#include <csignal>
#include <sys/resource.h>

namespace {

class NoteTest : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        DossierApplication = tmp.path() + QStringLiteral("/app/");
        NomDossierSettings();
        w = std::make_unique<Frm_Main>();
        fichier = tmp.path() + QStringLiteral("/notes/n1.rtf");
    }
    void TearDown() override {
        if (FrmNote* n = FrmNoteChargee()) delete n;
        w.reset();
        FenetresTest::TearDown();
    }
    FrmNote* ouvrir(bool memeSansFichier = true) {
        w->AfficherNote(QStringLiteral("Note de test"), fichier, memeSansFichier, QStringLiteral("12"),
                        QStringLiteral("34"));
        return FrmNoteChargee();
    }
    QStringList boites() const {
        QStringList r;
        for (const BoiteAffichee& b : TestDialogs().shown) r << b.prompt;
        return r;
    }
    std::unique_ptr<Frm_Main> w;
    QString fichier;
};

// Writing stops with "file too large" past the limit: the write fails the way a full disk does.
class LimiteTailleFichier {
public:
    explicit LimiteTailleFichier(rlim_t octets) {
        getrlimit(RLIMIT_FSIZE, &avant_);
        ancien_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit l = avant_;
        l.rlim_cur = octets;
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~LimiteTailleFichier() {
        setrlimit(RLIMIT_FSIZE, &avant_);
        std::signal(SIGXFSZ, ancien_);
    }

private:
    rlimit avant_{};
    void (*ancien_)(int) = nullptr;
};

}  // namespace

TEST_F(NoteTest, OpeningRules) {
    w->AfficherNote(QStringLiteral("T"), QStringLiteral("   "), true, QString(), QString());
    EXPECT_EQ(FrmNoteChargee(), nullptr);
    ouvrir(false);  // missing file, not asked to open anyway
    EXPECT_EQ(FrmNoteChargee(), nullptr);

    FrmNote* n = ouvrir(true);
    ASSERT_NE(n, nullptr);
    EXPECT_TRUE(n->isVisible());
    EXPECT_EQ(n->windowTitle(), QStringLiteral("Note de test"));
    EXPECT_EQ(n->LabelFichierRTF->text(), fichier);
    EXPECT_EQ(n->LabelArtisteId->text(), QStringLiteral("12"));
    EXPECT_EQ(n->LabelMorceauId->text(), QStringLiteral("34"));
    EXPECT_TRUE(n->RTFData->toPlainText().isEmpty());
    EXPECT_FALSE(n->bNoteModifiee);
    EXPECT_EQ(n->ComboFontSize->count(), 15);
    EXPECT_EQ(n->ComboFontSize->currentText(), QStringLiteral("36"));

    // A 0-byte file opens an empty note; a second call reuses the window.
    EcrireFichierTest(fichier, "");
    EXPECT_EQ(ouvrir(false), n);
}

TEST_F(NoteTest, SavedNoteReopensWithItsFormatting) {
    FrmNote* n = ouvrir();
    n->RTFData->setPlainText(QStringLiteral("Rappel antenne"));
    EXPECT_TRUE(n->bNoteModifiee);
    QTextCursor c = n->RTFData->textCursor();
    c.setPosition(0);
    c.setPosition(6, QTextCursor::KeepAnchor);
    n->RTFData->setTextCursor(c);
    n->MnuStyle[0]->trigger();        // bold
    n->MnuCouleur[1]->trigger();      // red
    n->MnuMiseEnForme[1]->trigger();  // centred
    n->ComboFontSize->setCurrentIndex(3);
    n->ComboFontSize_Click();  // 12 on the selection only

    n->CommandFermer[0]->click();
    EXPECT_FALSE(n->bNoteModifiee);
    EXPECT_TRUE(boites().isEmpty()) << boites().join('|').toStdString();
    const QByteArray ecrit = LireFichierTest(fichier);
    EXPECT_TRUE(ecrit.startsWith("{\\rtf1"));
    EXPECT_TRUE(ecrit.endsWith("}\r\n"));

    delete n;
    n = ouvrir(false);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->RTFData->toPlainText(), QStringLiteral("Rappel antenne"));
    QTextDocument* d = n->RTFData->document();
    EXPECT_EQ(d->begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QTextCursor lu(d);
    lu.setPosition(3);
    EXPECT_TRUE(lu.charFormat().fontWeight() >= QFont::DemiBold);
    EXPECT_EQ(lu.charFormat().foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(lu.charFormat().fontPointSize(), 12);
    lu.setPosition(10);
    EXPECT_FALSE(lu.charFormat().fontWeight() >= QFont::DemiBold);
    EXPECT_EQ(lu.charFormat().fontPointSize(), 36);
    EXPECT_FALSE(n->bNoteModifiee);
}

TEST_F(NoteTest, AFailedSaveKeepsTheOldFileAndTheMarkAndNamesTheFile) {
    const QByteArray ancien = "{\\rtf1 ancienne note}\r\n";
    EcrireFichierTest(fichier, ancien);
    FrmNote* n = ouvrir(false);
    n->RTFData->setPlainText(QString(200, QLatin1Char('x')));
    {
        LimiteTailleFichier limite(64);
        EXPECT_FALSE(n->Enregistrer());
    }
    EXPECT_TRUE(n->bNoteModifiee);
    EXPECT_EQ(LireFichierTest(fichier), ancien);
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_TRUE(TestDialogs().shown[0].prompt.contains(fichier));
    EXPECT_EQ(TestDialogs().shown[0].title, QStringLiteral("Note de test"));

    // "Fermer" answered Yes with the save failing again: the window stays with its changes.
    TestDialogs().reset();
    TestDialogs().answers = {Mb::Yes};
    {
        LimiteTailleFichier limite(64);
        n->CommandFermer[1]->click();
    }
    EXPECT_EQ(FrmNoteChargee(), n);
    EXPECT_TRUE(n->isVisible());
    EXPECT_TRUE(n->bNoteModifiee);
    EXPECT_EQ(LireFichierTest(fichier), ancien);

    // A folder that cannot exist: told too.
    TestDialogs().reset();
    n->LabelFichierRTF->setText(fichier + QStringLiteral("/dans/un/fichier.rtf"));
    EXPECT_FALSE(n->Enregistrer());
    EXPECT_TRUE(n->bNoteModifiee);
    EXPECT_EQ(TestDialogs().shown.size(), 1u);
}

TEST_F(NoteTest, EmptyNoteDeletesItsFile) {
    EcrireFichierTest(fichier, "{\\rtf1 texte}\r\n");
    FrmNote* n = ouvrir(false);
    n->RTFData->clear();
    n->CommandFermer[0]->click();
    EXPECT_FALSE(QFile::exists(fichier));
    EXPECT_FALSE(n->bNoteModifiee);
    n->RTFData->setPlainText(QStringLiteral("a"));
    n->RTFData->clear();
    n->CommandFermer[0]->click();  // nothing to delete: only the mark goes
    EXPECT_FALSE(n->bNoteModifiee);
    EXPECT_TRUE(TestDialogs().shown.empty());
}

TEST_F(NoteTest, CloseAsksOnlyWithUnsavedChanges) {
    FrmNote* n = ouvrir();
    n->CommandFermer[1]->click();  // nothing changed: no question, stays open
    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_TRUE(n->isVisible());

    n->RTFData->setPlainText(QStringLiteral("Changement"));
    TestDialogs().answers = {Mb::Cancel, Mb::No};
    n->CommandFermer[1]->click();
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("Voulez-vous enregistrer le Bloc-Note ?"));
    EXPECT_EQ(TestDialogs().shown[0].style, Mb::YesNoCancel | Mb::Question);
    EXPECT_TRUE(n->isVisible());
    EXPECT_TRUE(n->bNoteModifiee);
    n->CommandFermer[1]->click();
    EXPECT_FALSE(n->isVisible());
    EXPECT_FALSE(QFile::exists(fichier));
}

TEST_F(NoteTest, SizeIsKeptInTwipsWithoutBounds) {
    // Far below what the buttons and the size list would ask of a layout: the stored size still wins.
    const QString F = NomFichierSettings(QStringLiteral("_Positions"), QStringLiteral(".Ini"));
    ASSERT_TRUE(EcritureIni(F, QStringLiteral("FrmPos"), QStringLiteral("FrmNote_Width"), QStringLiteral("1500")));
    ASSERT_TRUE(EcritureIni(F, QStringLiteral("FrmPos"), QStringLiteral("FrmNote_Height"), QStringLiteral("1200")));
    FrmNote* n = ouvrir();
    ASSERT_GT(n->layout()->minimumSize().width(), 100) << "the case must sit below the layout's minimum";
    ASSERT_GT(n->layout()->minimumSize().height(), 80) << "the case must sit below the layout's minimum";
    EXPECT_EQ(n->width(), 100);
    EXPECT_EQ(n->height(), 80);
    n->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(n->size(), QSize(100, 80));
    n->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(LectureIni(F, QStringLiteral("FrmPos"), QStringLiteral("FrmNote_Width"), QString()),
              QStringLiteral("1500"));
    EXPECT_EQ(LectureIni(F, QStringLiteral("FrmPos"), QStringLiteral("FrmNote_Height"), QString()),
              QStringLiteral("1200"));

    // A larger size goes round the same way.
    n = ouvrir();
    n->resize(9000 / 15, 6000 / 15);
    n->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    FrmNote* n2 = ouvrir();
    EXPECT_EQ(n2->width(), 600);
    EXPECT_EQ(n2->height(), 400);
}

// The stored size comes back whatever today's screens: a size set across two monitors is kept on
// one. Only a side no window can have (beyond 32,767 pixels, negative, under a pixel, not a number:
// a damaged file) gives the default, 7365 x 5850 twips.
TEST_F(NoteTest, TheStoredSizeIsKeptUnlessNoWindowCanHaveIt) {
    const QString F = NomFichierSettings(QStringLiteral("_Positions"), QStringLiteral(".Ini"));
    const QSize ecrans = QGuiApplication::primaryScreen()->availableVirtualGeometry().size();
    const QString auDela = QString::number((ecrans.width() + 10) * 15);
    const QSize defaut(491, 390);
    struct Cas {
        QString largeur, hauteur;
        QSize attendue;
    };
    const Cas cas[] = {
        {auDela, QStringLiteral("6000"), {ecrans.width() + 10, 400}},  // wider than every screen of today
        {QStringLiteral("57600"), QString::number((ecrans.height() + 10) * 15), {3840, ecrans.height() + 10}},
        {QStringLiteral("491505"), QStringLiteral("1500"), {32767, 100}},  // the longest side there is
        {QStringLiteral("491520"), QStringLiteral("1500"), {defaut.width(), 100}},
        {QStringLiteral("1500"), QStringLiteral("491520"), {100, defaut.height()}},
        {QStringLiteral("45000000000"), QStringLiteral("1500"), {defaut.width(), 100}},
        {QStringLiteral("1") + QString(400, QLatin1Char('0')), QStringLiteral("1500"), {defaut.width(), 100}},
        {QStringLiteral("-1500"), QStringLiteral("-1"), defaut},
        {QStringLiteral("0"), QStringLiteral("7"), defaut},  // under a pixel
        {QStringLiteral("abc"), QStringLiteral("1500"), {defaut.width(), 100}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE((c.largeur.left(20) + QLatin1Char('x') + c.hauteur.left(20)).toStdString());
        ASSERT_TRUE(EcritureIni(F, QStringLiteral("FrmPos"), QStringLiteral("FrmNote_Width"), c.largeur));
        ASSERT_TRUE(EcritureIni(F, QStringLiteral("FrmPos"), QStringLiteral("FrmNote_Height"), c.hauteur));
        FrmNote* n = ouvrir();
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->size(), c.attendue);
        delete n;
    }
}
