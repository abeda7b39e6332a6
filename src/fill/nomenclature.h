#pragma once
// The competition-code nomenclature: a hidden window holding two read-only sheets of codes and
// labels, the standard list imported from the workbook in the program folder and the GIE list
// read from its code list there. It is loaded and filled once at start-up and unloaded at
// shutdown; the rest of the program uses LibNomenclature, the standard label of a code. The
// window also carries a picking dialog whose answers stay in its public variables.
//
// A competition code is 8 characters: four levels of 2 digits, family, class, sector, variety.
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QPushButton;
class QTabWidget;
class SpreadGrid;

namespace Cle {
inline constexpr const char* InitSettingsNomenclature = "FrmPubNomenclature:InitSettingsNomenclature";
inline constexpr const char* LibNomenclature = "FrmPubNomenclature:LibNomenclature";
inline constexpr const char* SelectCodeCC = "FrmPubNomenclature:SelectCodeCC";
inline constexpr const char* CommandFermer_Click = "FrmPubNomenclature:CommandFermer_Click";
inline constexpr const char* fpSpreadNomenclature_Click = "FrmPubNomenclature:fpSpreadNomenclature_Click";
inline constexpr const char* fpSpreadNomenclature_DblClick = "FrmPubNomenclature:fpSpreadNomenclature_DblClick";
inline constexpr const char* FrmPubNomenclature_Form_Load = "FrmPubNomenclature:Form_Load";
inline constexpr const char* FrmPubNomenclature_Form_Unload = "FrmPubNomenclature:Form_Unload";
inline constexpr const char* ColorerNiveaux = "FrmPubNomenclature:ColorerNiveaux";
}  // namespace Cle

// The files, in the program folder.
inline constexpr const char* NomClasseurNomenclature = "QD3_Tools_Brenzol_Nomenclature_2011_05.xls";
inline constexpr const char* NomLogNomenclature = "QD3_Tools_Brenzol_Nomenclature_2011_05.Log";
inline constexpr const char* NomListeGIE = "QD3_Tools_Brenzol_CodeConcurrence.xml";

// What the window takes of the shell: the program's look for the window. Unset: skipped.
struct LiensNomenclature {
    std::function<void(QWidget*)> LookFenetre;
};
LiensNomenclature& LiensFrmPubNomenclature();

// One entry of the GIE list: the four levels (each "" or 2 characters) and the label.
struct EntreeGIE {
    std::array<QString, 4> niveaux;
    QString libelle;
};
// Reads the GIE code list. Returns false when the list cannot be taken as a whole (unreadable,
// too large, binary, or a label without its own code line), with the reason; a missing or empty
// file is not read here.
bool LireListeGIE(const QString& chemin, std::vector<EntreeGIE>& entrees, QString* raison = nullptr);
// The code of a "<Code>" line's text, leading zero levels removed, as 8 characters.
QString CodeGIE(const QString& texteCode);

class FrmPubNomenclature : public QWidget {
    Q_OBJECT
public:
    FrmPubNomenclature();
    ~FrmPubNomenclature() override;

    QTabWidget* SftTabsNomenclature = nullptr;          // "Nomenclature nationale", "Nomenclature GIE"
    std::array<SpreadGrid*, 2> fpSpreadNomenclature{};  // 0 standard, 1 GIE
    std::array<QPushButton*, 2> CommandFermer{};        // "Valider", "Abandonner"

    // The picking dialog's answer: columns 1 to 5 of the chosen row, and 1 validated with a row,
    // 2 cancelled or validated without one, 0 before any answer.
    QString PbSCCFam, PbSCCCla, PbSCCSec, PbSCCVar, PbSCCLib;
    int32_t PbIUserResponse = 0;

    void Form_Load();
    // cancel set to 1 keeps the window loaded.
    void Form_Unload(int& cancel);

    void SelectCodeCC(int16_t Index, const QString& CCFam, const QString& CCCla, const QString& CCSec,
                      const QString& CCVar);
    void CommandFermer_Click(int Index);
    void fpSpreadNomenclature_Click(int Index, int Col, int Row);
    void fpSpreadNomenclature_DblClick(int Index, int Col, int Row);

    // The row "Valider" returns (0: none).
    int32_t ligneMemorisee() const { return ligne_; }

private:
    int32_t ligne_ = 0;
};

// The window while it is loaded, else nullptr.
FrmPubNomenclature* FrmPubNomenclatureChargee();

// Loads the window hidden (when it is not) and fills both sheets.
void InitSettingsNomenclature();
// Starts reading the nomenclature workbook ahead of InitSettingsNomenclature, while the rest of
// the start-up goes on.
void PrelireNomenclature();
// The standard label of an 8-character competition code; "" when there is none.
QString LibNomenclature(const QString& ChaineCC);
// Unloads the window (shutdown).
void DechargerFrmPubNomenclature();

// Tests: the window unloaded, no links.
void ReinitialiserNomenclature();
