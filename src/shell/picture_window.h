#pragma once
// The picture window: one picture file shown in a square area that follows the picture's larger
// side, up to 465 pixels, the window fitted to it and the file's path as its caption.
#include <QString>
#include <QWidget>

class QLabel;

namespace Cle {
inline constexpr const char* FrmPicture_ChargerImage = "FrmPicture:ChargerImage";
inline constexpr const char* FrmPicture_Form_Load = "FrmPicture:Form_Load";
inline constexpr const char* FrmPicture_Form_Unload = "FrmPicture:Form_Unload";
}  // namespace Cle

// The largest side of the picture area, pixels (6975 twips).
inline constexpr int CoteMaxImage = 465;

// The side of the square area for a picture of that many pixels.
int CoteZoneImage(int largeur, int hauteur);

class FrmPicture : public QWidget {
    Q_OBJECT
public:
    FrmPicture();

    QLabel* Img = nullptr;             // shows the picture stretched to its own size
    QLabel* PictureDefault = nullptr;  // measures the picture; never shown

    // Loads the picture (a missing or empty file clears it) and sizes the area; the window is
    // fitted only in its normal state. Does not show the window.
    void ChargerImage(const QString& FichierImage);
    void Form_Load();
    void Form_Unload();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QSize naturelle_;  // size of the last picture measured
};

// The window, loaded on first use.
FrmPicture& FrmPictureInstance();
FrmPicture* FrmPictureChargee();
