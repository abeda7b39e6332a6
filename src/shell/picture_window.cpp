#include "shell/picture_window.h"

#include "foundation/file_ops.h"
#include "foundation/proc.h"
#include "foundation/settings_locations.h"
#include "platform/paths.h"
#include "shell/look.h"

#include <QCloseEvent>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPointer>

#include <algorithm>

namespace {
QPointer<FrmPicture> g_picture;

QPixmap lireImage(const QString& fichier) {
    QImageReader lecteur(CheminReel(fichier));
    lecteur.setAutoTransform(true);
    const QImage image = lecteur.read();
    if (image.isNull())
        Raise(481, QStringLiteral("Image incorrecte: ") + fichier + QStringLiteral(" (") + lecteur.errorString() +
                       QLatin1Char(')'));
    return QPixmap::fromImage(image);
}
}  // namespace

int CoteZoneImage(int largeur, int hauteur) { return std::min(std::max(largeur, hauteur), CoteMaxImage); }

FrmPicture::FrmPicture() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("FrmPicture"));
    setWindowTitle(QStringLiteral("Image"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(467, 467);
    Img = new QLabel(this);
    Img->setObjectName(QStringLiteral("Img"));
    Img->setScaledContents(true);
    Img->setGeometry(0, 0, CoteMaxImage, CoteMaxImage);
    PictureDefault = new QLabel(this);
    PictureDefault->setObjectName(QStringLiteral("PictureDefault"));
    PictureDefault->hide();
    Form_Load();
}

void FrmPicture::Form_Load() {
    Proc p(Cle::FrmPicture_Form_Load);
    p(10, [&] { LookFenetre(this); });
    p(20, [&] { PositionFeuille(this, QString()); });
}

void FrmPicture::Form_Unload() {
    Proc p(Cle::FrmPicture_Form_Unload);
    p(10, [&] { PositionFeuilleSauvegarde(this, QString()); });
}

void FrmPicture::closeEvent(QCloseEvent* e) {
    Form_Unload();
    QWidget::closeEvent(e);
}

void FrmPicture::ChargerImage(const QString& FichierImage) {
    Proc p(Cle::FrmPicture_ChargerImage);
    bool present = false;
    p(10, [&] { present = File_Exist(FichierImage, QString::fromLatin1(Cle::FrmPicture_ChargerImage), true); });
    if (present) {
        p(20, [&] {
            const QPixmap pix = lireImage(FichierImage);
            PictureDefault->setPixmap(pix);
            naturelle_ = pix.size();
        });
        // A picture that could not be read keeps the size of the previous one.
        p(30, [&] {
            const int cote = CoteZoneImage(naturelle_.width(), naturelle_.height());
            Img->setGeometry(0, 0, cote, cote);
            if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
                resize(cote, cote);
        });
        p(40, [&] { Img->setPixmap(lireImage(FichierImage)); });
    } else {
        p(50, [&] { Img->clear(); });
    }
    p(60, [&] { setWindowTitle(FichierImage); });
}

FrmPicture& FrmPictureInstance() {
    if (!g_picture) g_picture = new FrmPicture;
    return *g_picture;
}

FrmPicture* FrmPictureChargee() { return g_picture; }
