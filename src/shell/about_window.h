#pragma once
// The about box: the product's title and version, and a button that starts the system
// information tool named in the settings (the registry stand-in). One box at most; it is modeless.
#include <QDialog>
#include <QString>
#include <cstdint>

class QLabel;
class QPushButton;

namespace Cle {
inline constexpr const char* FrmAbout_Form_Load = "FrmAbout:Form_Load";
inline constexpr const char* StartSysInfo = "FrmAbout:StartSysInfo";
}  // namespace Cle

inline constexpr const char* CleSysInfoChemin = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr const char* CleSysInfoDossier = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr const char* ProgrammeSysInfo = "MSINFO32.EXE";
inline constexpr const char* MessageSysInfoAbsente = "Les informations système ne sont pas disponibles actuellement";

// A registry value read as text: a text as it is, a number in decimal. False, and KeyVal empty,
// when the key or value is missing or the value does not fit 1024 characters with its end mark.
bool GetKeyValue(int32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal);

class FrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit FrmAbout(QWidget* parent = nullptr);

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* LabelCopyRight = nullptr;
    QLabel* lblDisclaimer = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    // The tool named by the value "PATH", else "MSINFO32.EXE" in the folder of the value "MSINFO";
    // started without waiting. Missing or failing to start: one message box.
    void StartSysInfo();
};

// Loads the box when needed and shows it (modeless, owned by the main window), in front.
FrmAbout* AfficherFrmAbout();
// The box while it is loaded, else nullptr.
FrmAbout* FrmAboutChargee();
