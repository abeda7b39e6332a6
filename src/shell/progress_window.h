#pragma once
// The progress window: three progress bars (0 to 100) and a text line, above the other windows,
// centred across the screen a tenth of its height from the top.
#include <QWidget>
#include <array>

class QLabel;
class QProgressBar;

namespace Cle {
inline constexpr const char* FrmProgressBar_Form_Load = "FrmProgressBar:Form_Load";
inline constexpr const char* FrmProgressBar_Form_Unload = "FrmProgressBar:Form_Unload";
}  // namespace Cle

class FrmProgressBar : public QWidget {
    Q_OBJECT
public:
    FrmProgressBar();

    std::array<QProgressBar*, 3> ProgressBar{};
    QLabel* LabelProgression = nullptr;

    void Form_Load();
    void Form_Unload();

protected:
    void closeEvent(QCloseEvent* e) override;
};

// The window's corner for a window of that width on a screen area: centred, a tenth down.
QPoint PositionProgression(const QRect& ecran, int largeur);

FrmProgressBar& FrmProgressBarInstance();
FrmProgressBar* FrmProgressBarChargee();
