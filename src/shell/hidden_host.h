#pragma once
// The hidden host: a window that is never shown and holds the controls several parts of the
// program share (the web client, the certificate store, the holding list of early log lines, the
// time slots and hourly capacities of the fill, the colours of the fill settings, the drag
// picture). Others reach them by name through FrmMainBis() for the whole run.
#include "platform/http_client.h"

#include <QColor>
#include <QIcon>
#include <QMap>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <map>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;

namespace Cle {
inline constexpr const char* Frm_MainBis_Form_Load = "Frm_MainBis:Form_Load";
}

// A colour choice: a button showing its colour.
class ColorPicker : public QPushButton {
    Q_OBJECT
public:
    explicit ColorPicker(const QColor& couleur, QWidget* parent = nullptr);
    QColor couleur() const { return couleur_; }
    void setCouleur(const QColor& c);

private:
    QColor couleur_;
};

class Frm_MainBis : public QWidget {
    Q_OBJECT
public:
    Frm_MainBis();
    ~Frm_MainBis() override;

    // Never shown: a request to show it is refused.
    void setVisible(bool visible) override;

    // The time slots and hourly capacities of the current base, read from its configuration
    // folder into the run's slots and shown in the boxes below.
    void InitGeneral();

    // The web client every request goes through; its certificate question is answered here.
    ClientHttp* clHttp1 = nullptr;
    // Stand-in for the certificate store (installed certificates are kept in the settings folder).
    QObject* clCertificateStore1 = nullptr;  // store "MY"

    // View of Listes().ListeLogTemp: the log lines written before the options window exists.
    QListView* ListeLogTemp = nullptr;

    // Time slots: start and end hour of slot k (0..17).
    QGroupBox* MyFramePubTranches = nullptr;
    std::array<QComboBox*, 18> ComboTrancheDeb{};
    std::array<QComboBox*, 18> ComboTrancheFin{};
    // Advertising seconds available in hour h (0..23).
    QGroupBox* MyFramePubRemplissage = nullptr;
    std::array<QLineEdit*, 24> TextePubRemplissageNational{};
    std::array<QLineEdit*, 24> TextePubRemplissageLocal{};

    // Colours of the fill settings, elements 16 "Entête", 17 "Ligne", 18 "Ligne verrouillée",
    // 19 "Aide".
    std::map<int, ColorPicker*> ColorPickerFond;
    std::map<int, ColorPicker*> ColorPickerTexte;

    // The drag picture of the grids (32 x 32) and the image list keyed "Neutre", "Up", "Down".
    QLabel* ImageDragAndDrop = nullptr;
    QMap<QString, QIcon> ImageListIcones;

private:
    // The boxes from the run's slots and capacities.
    void afficherTranches();
};

// The host, created hidden on first use and kept until DechargerFrmMainBis.
Frm_MainBis& FrmMainBis();
bool FrmMainBisChargee();
// The shutdown's unload of the host.
void DechargerFrmMainBis();
