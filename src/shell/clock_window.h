#pragma once
// The clock window: the current time in large digits, every quarter of a second. It records,
// when it closes, whether the next start shows it again: not when the user closed it, yes when
// the program's end closed it.
#include <QWidget>

class QLabel;
class QTimer;

namespace Cle {
inline constexpr const char* FrmChrono_Form_Load = "FrmChrono:Form_Load";
inline constexpr const char* FrmChrono_TimerChrono_Timer = "FrmChrono:TimerChrono_Timer";
inline constexpr const char* FrmChrono_Form_QueryUnload = "FrmChrono:Form_QueryUnload";
inline constexpr const char* FrmChrono_Form_Unload = "FrmChrono:Form_Unload";
}  // namespace Cle

class FrmChrono : public QWidget {
    Q_OBJECT
public:
    explicit FrmChrono(QWidget* owner = nullptr);

    QLabel* LabelHorloge = nullptr;
    QTimer* TimerChrono = nullptr;

    void Form_Load();
    void TimerChrono_Timer();
    // reason 0: the user's close box; anything else: the program or the session closing.
    void Form_QueryUnload(int& cancel, int UnloadMode);
    void Form_Unload();

protected:
    void closeEvent(QCloseEvent* e) override;
};

// Whether the settings ask for the clock at start-up ("Affiche" exactly "1").
bool ChronoDemande();
// Loads the clock and shows it, owned by the main window.
FrmChrono* AfficherFrmChrono();
FrmChrono* FrmChronoChargee();
