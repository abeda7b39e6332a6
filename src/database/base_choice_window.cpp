#include "database/base_choice_window.h"

#include "database/site_helpers.h"
#include "database/site_startup.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

int16_t ChoixBase = 0;

namespace {

std::function<void(FrmSelectBase&)>& affichage() {
    static std::function<void(FrmSelectBase&)> f;
    return f;
}

std::function<void(QWidget*)>& look() {
    static std::function<void(QWidget*)> f;
    return f;
}

// The design, in twips: client area and controls.
constexpr int kLargeur = 7560, kHauteur = 5895;

QFont police(const char* famille, double points) {
    QFont f(QString::fromLatin1(famille));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(true);
    return f;
}

}  // namespace

FrmSelectBase::FrmSelectBase(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("FrmSelectBase"));
    setWindowTitle(QStringLiteral("Choix de la base"));
    setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowContextHelpButtonHint);
    setProperty("Width", kLargeur);
    setProperty("Height", kHauteur);

    auto label = [&](int i, const QString& texte, const QFont& f) {
        Label[size_t(i)] = new QLabel(texte, this);
        Label[size_t(i)]->setObjectName(QStringLiteral("Label_%1").arg(i));
        Label[size_t(i)]->setFont(f);
        Label[size_t(i)]->setProperty("PointsDessin", f.pointSizeF());
        Label[size_t(i)]->setAttribute(Qt::WA_TranslucentBackground);
    };
    label(3, QStringLiteral("Ondrune"), police("Arial", 24));
    label(2, QStringLiteral("Sélectionnez la base et la station"), police("Arial", 15.75));
    label(0, QStringLiteral("Base:"), police("MS Sans Serif", 9.75));
    label(1, QStringLiteral("Station"), police("MS Sans Serif", 9.75));

    ComboBase = new QComboBox(this);
    ComboBase->setObjectName(QStringLiteral("ComboBase"));
    ComboStation = new QComboBox(this);
    ComboStation->setObjectName(QStringLiteral("ComboStation"));
    CommandFermer[1] = new QPushButton(QStringLiteral("Quitter"), this);
    CommandFermer[1]->setObjectName(QStringLiteral("CommandFermer_1"));
    CommandFermer[0] = new QPushButton(QStringLiteral("Valider"), this);
    CommandFermer[0]->setObjectName(QStringLiteral("CommandFermer_0"));
    CommandFermer[0]->setDefault(true);

    placer(Label[3], 960, 360, 2655, 555);
    placer(Label[2], 1560, 1200, 4950, 360);
    placer(Label[0], 960, 2160, 615, 240);
    placer(ComboBase, 2220, 2580, 4335, 315);
    placer(Label[1], 960, 3060, 735, 240);
    placer(ComboStation, 2220, 3480, 4335, 315);
    placer(CommandFermer[1], 5040, 5340, 1155, 375);
    placer(CommandFermer[0], 6300, 5340, 1095, 375);
    appliquerTwips(this);

    // Tab order as the window was designed: the lists, then "Valider", then "Quitter".
    setTabOrder(ComboBase, ComboStation);
    setTabOrder(ComboStation, CommandFermer[0]);
    setTabOrder(CommandFermer[0], CommandFermer[1]);

    connect(ComboBase, &QComboBox::currentIndexChanged, this, [this](int) { ComboBase_Click(); });
    connect(CommandFermer[0], &QPushButton::clicked, this, [this] { CommandFermer_Click(0); });
    connect(CommandFermer[1], &QPushButton::clicked, this, [this] { CommandFermer_Click(1); });
}

FrmSelectBase::~FrmSelectBase() = default;

double FrmSelectBase::twipsParPixel() const {
    // A screen of 120 dots per inch has 12 twips to the pixel.
    return FacteurEchelle > 0 ? double(TwipsParPixel) / double(FacteurEchelle) : double(TwipsParPixel);
}

void FrmSelectBase::placer(QWidget* w, int left, int top, int width, int height) {
    w->setProperty("Left", left);
    w->setProperty("Top", top);
    w->setProperty("Width", width);
    w->setProperty("Height", height);
    appliquerTwips(w);
}

void FrmSelectBase::appliquerTwips(QWidget* w) {
    const double t = twipsParPixel();
    auto px = [t](const QVariant& v) { return int(std::lround(v.toDouble() / t)); };
    if (w == this) {
        setFixedSize(px(property("Width")), px(property("Height")));
        for (QLabel* l : Label)
            if (l) appliquerTwips(l);
        return;
    }
    w->setGeometry(px(w->property("Left")), px(w->property("Top")), px(w->property("Width")),
                   px(w->property("Height")));
    if (auto* l = qobject_cast<QLabel*>(w)) ajusterLabel(l);
}

void FrmSelectBase::ajusterLabel(QLabel* l) {
    // The design was measured with the suite's own fonts: where this system's font draws a caption
    // wider, the label grows to the right edge of the window, then its font shrinks, so that the
    // caption is never cut.
    const int marge = 8;
    const int place = std::max(l->width(), width() - l->x() - marge);
    QFont f = l->font();
    f.setPointSizeF(l->property("PointsDessin").toDouble());
    while (QFontMetrics(f).horizontalAdvance(l->text()) > place && f.pointSizeF() > 6.0)
        f.setPointSizeF(f.pointSizeF() - 0.25);
    l->setFont(f);
    const int largeur = QFontMetrics(f).horizontalAdvance(l->text()) + 2;
    if (largeur > l->width()) l->resize(std::min(largeur, place), std::max(l->height(), QFontMetrics(f).height()));
}

QRect FrmSelectBase::Twips(const QWidget* w) {
    return QRect(w->property("Left").toInt(), w->property("Top").toInt(), w->property("Width").toInt(),
                 w->property("Height").toInt());
}

void FrmSelectBase::AjouterBase(const QString& texte, int16_t numeroBase) {
    // A list that gets its first item selects it by itself: the start-up's own selection must be
    // the one that runs the click.
    const QSignalBlocker bloque(ComboBase);
    ComboBase->addItem(texte, int(numeroBase));
    ComboBase->setCurrentIndex(-1);
}

int16_t FrmSelectBase::NumeroBase(int item) const {
    if (item < 0 || item >= ComboBase->count()) return 0;
    return int16_t(ComboBase->itemData(item).toInt());
}

void FrmSelectBase::Form_Load() {
    Proc p(Cle::FrmSelectBase_Form_Load);
    p(10, [&] {
        if (look()) look()(this);
    });
    if (FacteurEchelle == 1.0f || FacteurEchelle == 0.0f) return;
    p(20, [&] {
        const double f = double(FacteurEchelle);
        auto echelle = [f](QWidget* w, const char* prop, int valeur) {
            w->setProperty(prop, int(std::lround(valeur / f)));
        };
        echelle(this, "Height", kHauteur);
        echelle(this, "Width", kLargeur);
        const struct {
            QWidget* w;
            int top, left, width;
        } controles[] = {
            {Label[0], 2160, 960, 0},
            {Label[1], 3060, 960, 0},
            {Label[2], 1200, 960, 0},
            {Label[3], 360, 960, 0},
            {ComboBase, 2580, 2220, 4335},
            {ComboStation, 3480, 2220, 4335},
            {CommandFermer[0], 5340, 6300, 1155},
            {CommandFermer[1], 5340, 5040, 1155},
        };
        for (const auto& c : controles) {
            echelle(c.w, "Top", c.top);
            echelle(c.w, "Left", c.left);
            if (c.width > 0) echelle(c.w, "Width", c.width);
            appliquerTwips(c.w);
        }
        appliquerTwips(this);
    });
}

void FrmSelectBase::ComboBase_Click() {
    Proc p(Cle::FrmSelectBase_ComboBase_Click);
    int b = -1;
    QString S, B;
    int n = 0;
    p(10, [&] { b = NumeroBase(ComboBase->currentIndex()) - 1; });
    p(20, [&] { ComboStation->clear(); });
    if (b < 0) return;
    p(30, [&] { S = DetermineFichierSysteme(int16_t(b)); });
    // The selected base's own section, so that the stations shown are that base's.
    p(40, [&] { B = SectionBase(S, b + 1); });
    p(50, [&] { n = site::Arrondi(LectureIni(S, B, QStringLiteral("NbStation"), QStringLiteral("1"))); });
    p(60, [&] {
        for (int m = 1; m <= n; ++m)
            ComboStation->addItem(LectureIni(S, B + QStringLiteral("_Station_") + site::DeuxChiffres(m),
                                             QStringLiteral("Lib"), QStringLiteral("Station ") + QString::number(m)));
    });
    p(70, [&] {
        if (ComboStation->count() > 0) ComboStation->setCurrentIndex(0);
    });
}

void FrmSelectBase::CommandFermer_Click(int Index) {
    Proc p(Cle::FrmSelectBase_CommandFermer_Click);
    p(10, [&] {
        if (Index == 0)
            ChoixBase = int16_t(ComboBase->currentIndex());
        else if (Index == 1)
            ChoixBase = -1;
    });
    p(20, [&] { decharger(); });
}

void FrmSelectBase::Form_QueryUnload(bool& cancel, int unloadMode) {
    Proc p(Cle::FrmSelectBase_Form_QueryUnload);
    p(10, [&] {
        if (unloadMode == 0) ChoixBase = -1;
    });
    // The close is never refused.
    cancel = false;
}

void FrmSelectBase::decharger() {
    dechargementEnCours_ = true;
    bool cancel = false;
    Form_QueryUnload(cancel, 1);
    done(QDialog::Accepted);
}

void FrmSelectBase::closeEvent(QCloseEvent* event) {
    if (!dechargementEnCours_) {
        dechargementEnCours_ = true;
        bool cancel = false;
        Form_QueryUnload(cancel, 0);
    }
    QDialog::closeEvent(event);
    event->accept();
}

void FrmSelectBase::reject() {
    // Escape, like the close box, gives up the choice.
    if (!dechargementEnCours_) {
        dechargementEnCours_ = true;
        bool cancel = false;
        Form_QueryUnload(cancel, 0);
    }
    QDialog::reject();
}

void FrmSelectBase::paintEvent(QPaintEvent* event) {
    // The suite's background picture is a design asset of its own; a quiet gradient stands in.
    QPainter painter(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0.0, QColor(0xDC, 0xE6, 0xF2));
    g.setColorAt(0.35, QColor(0xF4, 0xF7, 0xFB));
    g.setColorAt(1.0, QColor(0xC8, 0xD6, 0xE8));
    painter.fillRect(rect(), g);
    // The picture is drawn in its own pixels (504 x 393), as the controls are placed whatever the
    // scale factor: its rule stays under the subtitle.
    painter.setPen(QColor(0x8A, 0xA4, 0xC4));
    const int y = 1800 / TwipsParPixel;
    const int marge = 960 / TwipsParPixel;
    painter.drawLine(marge, y, width() - marge, y);
    QDialog::paintEvent(event);
}

void SetAffichageSelectionBase(std::function<void(FrmSelectBase&)> f) { affichage() = std::move(f); }

void AfficherSelectionBase(FrmSelectBase& frm) {
    if (affichage()) {
        affichage()(frm);
        return;
    }
    frm.setWindowModality(Qt::ApplicationModal);
    frm.exec();
}

void SetLookFrmSelectBase(std::function<void(QWidget*)> f) { look() = std::move(f); }

void ReinitialiserSelectionBase() {
    ChoixBase = 0;
    affichage() = nullptr;
    look() = nullptr;
}
