#pragma once
// The wait window every long operation shows, with its current step in LabelMsgInit. It stays on
// top of the other windows without blocking them: it is shown modeless and the operations keep
// pumping events. Opening and closing go through AfficherFrmMsg (foundation/shell_link.h), which
// this window implements once InstallerFrmMsg has run.
#include "foundation/shell_link.h"

#include <QWidget>
#include <array>

class QLabel;

namespace Cle {
inline constexpr const char* FrmMsg_Form_Load = "FrmMsg:Form_Load";
inline constexpr const char* FrmMsg_Form_Unload = "FrmMsg:Form_Unload";
}  // namespace Cle

class FrmMsg : public QWidget {
    Q_OBJECT
public:
    // Loading the window: topmost, at the top edge of the screen and centred, rounded corners.
    FrmMsg();
    ~FrmMsg() override;

    QLabel* LabelMsgInit = nullptr;
    // "Patientez S.V.P." in white (0) over its black shadow (1).
    std::array<QLabel*, 2> LabelPatientez{};

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Makes AfficherFrmMsg, LabelMsgInit and CacherFrmMsg act on this window.
void InstallerFrmMsg();
// The loaded wait window; nullptr while it is closed.
FrmMsg* FrmMsgCharge();
