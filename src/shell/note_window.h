#pragma once
// The note window: a small editor of one formatted note (a "Bloc-Note") kept in a rich-text file.
// Font size, colour, alignment and character style of the selection (or of the whole note), a
// save that never leaves a half-written file, and a close that asks when changes are unsaved.
#include <QString>
#include <QWidget>
#include <array>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QTextEdit;

namespace Cle {
inline constexpr const char* AfficherNote = "Frm_Main:AfficherNote";
inline constexpr const char* FrmNote_Form_Load = "FrmNote:Form_Load";
inline constexpr const char* FrmNote_Form_Unload = "FrmNote:Form_Unload";
inline constexpr const char* FrmNote_InitGeneral = "FrmNote:InitGeneral";
inline constexpr const char* FrmNote_ComboFontSize_Click = "FrmNote:ComboFontSize_Click";
inline constexpr const char* FrmNote_CommandFermer_Click = "FrmNote:CommandFermer_Click";
inline constexpr const char* FrmNote_MnuCouleur_Click = "FrmNote:MnuCouleur_Click";
inline constexpr const char* FrmNote_MnuMiseEnForme_Click = "FrmNote:MnuMiseEnForme_Click";
inline constexpr const char* FrmNote_MnuStyle_Click = "FrmNote:MnuStyle_Click";
}  // namespace Cle

class FrmNote : public QWidget {
    Q_OBJECT
public:
    FrmNote();

    QPushButton* PushButtonCouleur = nullptr;
    QPushButton* PushButtonMiseEnForme = nullptr;
    QPushButton* PushButtonStyle = nullptr;
    QLabel* Label = nullptr;
    QComboBox* ComboFontSize = nullptr;
    QTextEdit* RTFData = nullptr;
    std::array<QPushButton*, 2> CommandFermer{};  // 0 "Enregistrer", 1 "Fermer"
    QLabel* LabelFichierRTF = nullptr;
    QLabel* LabelArtisteId = nullptr;
    QLabel* LabelMorceauId = nullptr;
    QMenu* MnuCouleurMain = nullptr;
    std::array<QAction*, 3> MnuCouleur{};
    QMenu* MnuMiseEnFormeMain = nullptr;
    std::array<QAction*, 3> MnuMiseEnForme{};
    QMenu* MnuStyleMain = nullptr;
    std::array<QAction*, 4> MnuStyle{};

    bool bNoteModifiee = false;

    void Form_Load();
    void Form_Unload();
    void InitGeneral();
    void ComboFontSize_Click();
    // 0 "Enregistrer", 1 "Fermer".
    void CommandFermer_Click(int Index);
    void MnuCouleur_Click(int Index);
    void MnuMiseEnForme_Click(int Index);
    void MnuStyle_Click(int Index);

    // The note into its file (empty note: the file deleted). False, with the file named to the user,
    // when it could not be written or deleted: the old file and the unsaved mark are kept.
    bool Enregistrer();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void retourFocus();
    bool decharge_ = false;
};

// The note window while it is loaded, else nullptr.
FrmNote* FrmNoteChargee();
