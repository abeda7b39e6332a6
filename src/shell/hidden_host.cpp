#include "shell/hidden_host.h"

#include "database/site_startup.h"
#include "fill/time_slots.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/proc.h"
#include "shell/certificate.h"
#include "sync/web_requests.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QVBoxLayout>
#include <functional>

namespace {

Frm_MainBis* g_host = nullptr;

QPixmap image(int taille, const std::function<void(QPainter&)>& dessin) {
    QPixmap pm(taille, taille);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    dessin(p);
    return pm;
}

QPixmap fleche(bool haut) {
    return image(16, [haut](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 60, 60));
        QPolygon tri;
        if (haut)
            tri << QPoint(8, 3) << QPoint(14, 12) << QPoint(2, 12);
        else
            tri << QPoint(2, 4) << QPoint(14, 4) << QPoint(8, 13);
        p.drawPolygon(tri);
    });
}

}  // namespace

ColorPicker::ColorPicker(const QColor& couleur, QWidget* parent) : QPushButton(parent) {
    setFixedSize(40, 20);
    setCouleur(couleur);
}

void ColorPicker::setCouleur(const QColor& c) {
    couleur_ = c;
    setStyleSheet(QStringLiteral("background-color: %1;").arg(c.name()));
}

Frm_MainBis::Frm_MainBis() : QWidget(nullptr) {
    Proc p(Cle::Frm_MainBis_Form_Load);
    setObjectName(QStringLiteral("Frm_MainBis"));
    setWindowTitle(QStringLiteral("Blind Main Form"));
    auto* v = new QVBoxLayout(this);

    clHttp1 = new ClientHttp(this);
    InstallerClientWeb(clHttp1);
    connect(clHttp1, &ClientHttp::OnVerifyServer, this, [](VerificationServeur* e) { clHttp1_OnVerifyServer(*e); });
    clCertificateStore1 = new QObject(this);
    clCertificateStore1->setObjectName(QStringLiteral("clCertificateStore1"));
    clCertificateStore1->setProperty("StoreName", QStringLiteral("MY"));

    ListeLogTemp = new QListView(this);
    ListeLogTemp->setObjectName(QStringLiteral("ListeLogTemp"));
    ListeLogTemp->setModel(&Listes().ListeLogTemp);
    v->addWidget(ListeLogTemp);

    // Time slots.
    MyFramePubTranches = new QGroupBox(this);
    MyFramePubTranches->setObjectName(QStringLiteral("MyFramePubTranches"));
    {
        auto* g = new QGridLayout(MyFramePubTranches);
        g->addWidget(new QLabel(QStringLiteral("Début")), 0, 0);
        g->addWidget(new QLabel(QStringLiteral("Fin")), 0, 1);
        for (size_t k = 0; k < ComboTrancheDeb.size(); ++k) {
            ComboTrancheDeb[k] = new QComboBox;
            ComboTrancheDeb[k]->setObjectName(QStringLiteral("ComboTrancheDeb") + QString::number(k));
            ComboTrancheFin[k] = new QComboBox;
            ComboTrancheFin[k]->setObjectName(QStringLiteral("ComboTrancheFin") + QString::number(k));
            g->addWidget(ComboTrancheDeb[k], int(k) + 1, 0);
            g->addWidget(ComboTrancheFin[k], int(k) + 1, 1);
        }
    }
    v->addWidget(MyFramePubTranches);

    // Hourly capacities.
    MyFramePubRemplissage = new QGroupBox(this);
    MyFramePubRemplissage->setObjectName(QStringLiteral("MyFramePubRemplissage"));
    {
        auto* g = new QGridLayout(MyFramePubRemplissage);
        g->addWidget(new QLabel(QStringLiteral("Local")), 0, 1);
        g->addWidget(new QLabel(QStringLiteral("National")), 0, 2);
        for (size_t h = 0; h < TextePubRemplissageLocal.size(); ++h) {
            g->addWidget(new QLabel(QStringLiteral("%1H").arg(int(h), 2, 10, QLatin1Char('0'))), int(h) + 1, 0);
            TextePubRemplissageLocal[h] = new QLineEdit;
            TextePubRemplissageLocal[h]->setObjectName(QStringLiteral("TextePubRemplissageLocal") + QString::number(h));
            TextePubRemplissageNational[h] = new QLineEdit;
            TextePubRemplissageNational[h]->setObjectName(QStringLiteral("TextePubRemplissageNational") +
                                                          QString::number(h));
            g->addWidget(TextePubRemplissageLocal[h], int(h) + 1, 1);
            g->addWidget(TextePubRemplissageNational[h], int(h) + 1, 2);
        }
        g->addWidget(new QLabel(QStringLiteral("Laissez vides les heures à exclure du calcul du remplissage")), 25, 0,
                     1, 3);
    }
    v->addWidget(MyFramePubRemplissage);

    // Colours of the fill settings.
    {
        struct Couleurs {
            int element;
            const char* role;
            QColor fond;
            QColor texte;
        };
        const Couleurs table[] = {
            {16, "Entête", QColor(115, 150, 190), QColor(255, 239, 178)},
            {17, "Ligne", QColor(255, 255, 255), QColor(0, 0, 0)},
            {18, "Ligne verrouillée", QColor(200, 200, 200), QColor(0, 0, 0)},
            {19, "Aide", QColor(115, 150, 190), QColor(0, 0, 0)},
        };
        auto* cadre = new QWidget(this);
        auto* g = new QGridLayout(cadre);
        int ligne = 0;
        for (const Couleurs& c : table) {
            g->addWidget(new QLabel(QString::fromUtf8(c.role)), ligne, 0);
            ColorPickerFond[c.element] = new ColorPicker(c.fond);
            ColorPickerFond[c.element]->setObjectName(QStringLiteral("ColorPickerFond") + QString::number(c.element));
            ColorPickerTexte[c.element] = new ColorPicker(c.texte);
            ColorPickerTexte[c.element]->setObjectName(QStringLiteral("ColorPickerTexte") + QString::number(c.element));
            g->addWidget(ColorPickerFond[c.element], ligne, 1);
            g->addWidget(ColorPickerTexte[c.element], ligne, 2);
            ++ligne;
        }
        v->addWidget(cadre);
    }

    ImageDragAndDrop = new QLabel(this);
    ImageDragAndDrop->setObjectName(QStringLiteral("ImageDragAndDrop"));
    ImageDragAndDrop->setPixmap(image(32, [](QPainter& p) {
        p.setPen(QPen(QColor(40, 78, 140), 2));
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawRect(4, 6, 24, 20);
        p.drawLine(8, 12, 24, 12);
        p.drawLine(8, 17, 24, 17);
        p.drawLine(8, 22, 18, 22);
    }));
    v->addWidget(ImageDragAndDrop);

    // Empty until the slots are read (InitGeneral); a later reading shows at once.
    connect(&Tranches(), &TranchesHoraires::charge, this, &Frm_MainBis::afficherTranches);

    p(10, [&] {
        ImageListIcones.insert(QStringLiteral("Neutre"), QIcon(image(16, [](QPainter& pt) {
                                   pt.setPen(Qt::NoPen);
                                   pt.setBrush(QColor(60, 60, 60));
                                   pt.drawEllipse(QPoint(8, 8), 3, 3);
                               })));
        ImageListIcones.insert(QStringLiteral("Up"), QIcon(fleche(true)));
        ImageListIcones.insert(QStringLiteral("Down"), QIcon(fleche(false)));
    });
}

Frm_MainBis::~Frm_MainBis() {
    if (g_host == this) g_host = nullptr;
    if (&ClientWeb() == clHttp1) InstallerClientWeb(nullptr);
}

void Frm_MainBis::setVisible(bool) { QWidget::setVisible(false); }

void Frm_MainBis::InitGeneral() {
    const int b = NoBaseCourante;
    const QString dossier = b >= 0 && b < NbBasesSite ? BaseInfo[size_t(b)].ConfigFolder : QString();
    Tranches().InitGeneral(dossier);
    afficherTranches();
}

void Frm_MainBis::afficherTranches() {
    const TranchesHoraires& t = Tranches();
    const QStringList debuts = TranchesHoraires::EntreesDebut();
    const QStringList fins = TranchesHoraires::EntreesFin();
    for (size_t k = 0; k < ComboTrancheDeb.size(); ++k) {
        ComboTrancheDeb[k]->clear();
        ComboTrancheDeb[k]->addItems(debuts);
        ComboTrancheDeb[k]->setCurrentIndex(t.debut(int(k)));
        ComboTrancheFin[k]->clear();
        ComboTrancheFin[k]->addItems(fins);
        ComboTrancheFin[k]->setCurrentIndex(t.fin(int(k)));
    }
    for (size_t h = 0; h < TextePubRemplissageNational.size(); ++h) {
        TextePubRemplissageNational[h]->setText(t.capaciteNationale(int(h)));
        TextePubRemplissageLocal[h]->setText(t.capaciteLocale(int(h)));
    }
}

Frm_MainBis& FrmMainBis() {
    if (!g_host) g_host = new Frm_MainBis();
    return *g_host;
}

bool FrmMainBisChargee() { return g_host != nullptr; }

void DechargerFrmMainBis() { delete g_host; }
