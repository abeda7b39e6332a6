#pragma once
// FrmSelectBase, the base choice window: when the site has several bases the start-up lists them
// here, shows the stations of the selected one, and reads the user's choice from ChoixBase.
//
// Positions and sizes are kept in twips (1/1440 inch, 15 to a pixel at 96 dots per inch) on each
// control (properties "Left", "Top", "Width", "Height"), as the window was designed; the controls
// are placed from them.
#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

namespace Cle {
inline constexpr const char* FrmSelectBase_Form_Load = "FrmSelectBase:Form_Load";
inline constexpr const char* FrmSelectBase_ComboBase_Click = "FrmSelectBase:ComboBase_Click";
inline constexpr const char* FrmSelectBase_CommandFermer_Click = "FrmSelectBase:CommandFermer_Click";
inline constexpr const char* FrmSelectBase_Form_QueryUnload = "FrmSelectBase:Form_QueryUnload";
}  // namespace Cle

// Index (from 0) of the item chosen in the base list, -1 when the user gave up; 0 before the window
// is used and again once the start-up has read it.
extern int16_t ChoixBase;

class FrmSelectBase : public QDialog {
    Q_OBJECT
public:
    explicit FrmSelectBase(QWidget* owner = nullptr);
    ~FrmSelectBase() override;

    std::array<QLabel*, 4> Label{};  // 0 "Base:", 1 "Station", 2 subtitle, 3 title
    QComboBox* ComboBase = nullptr;
    QComboBox* ComboStation = nullptr;
    std::array<QPushButton*, 2> CommandFermer{};  // 0 "Valider", 1 "Quitter"

    // Adds a base to the list: its text and its number (from 1).
    void AjouterBase(const QString& texte, int16_t numeroBase);
    // The base number (from 1) of an item of the list; 0 for no item.
    int16_t NumeroBase(int item) const;

    // --- handlers ---
    void Form_Load();
    void ComboBase_Click();
    void CommandFermer_Click(int Index);
    // unloadMode 0: closed by the user from the window menu or the close box.
    void Form_QueryUnload(bool& cancel, int unloadMode);

    // Escape, like the close box, gives up the choice.
    void reject() override;

    // A control's design rectangle in twips, as placed now.
    static QRect Twips(const QWidget* w);

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void placer(QWidget* w, int left, int top, int width, int height);
    void appliquerTwips(QWidget* w);
    void ajusterLabel(QLabel* l);
    double twipsParPixel() const;
    void decharger();

    bool dechargementEnCours_ = false;
};

// How the start-up shows the window: modally over the main window until it is closed. Tests put
// a function of their own here that works the window's controls without a modal loop; empty puts
// the modal show back.
void SetAffichageSelectionBase(std::function<void(FrmSelectBase&)> affichage);
void AfficherSelectionBase(FrmSelectBase& frm);

// The program's look, applied to the window by its load (the shell installs it).
void SetLookFrmSelectBase(std::function<void(QWidget*)> look);

// Tests: ChoixBase 0, the modal show and no look.
void ReinitialiserSelectionBase();
