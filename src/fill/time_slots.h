#pragma once
// The time slots of the broadcast day and the hourly advertising capacity of the current base,
// read once at start-up and kept for the run. The hidden control host shows them; the fill
// grid's layout and the fill computation read them.
//
// A slot is a run of whole hours. Each slot has a start box and an end box of 25 entries: hours
// 0..23 ("00H00".."23H00" for a start, "00H59".."23H59" for an end), then "End" at position 24.
// An end may have no selection (-1). Slot k covers the hours h with start <= h <= end.
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace Cle {
inline constexpr const char* Frm_MainBis_InitGeneral = "Frm_MainBis:InitGeneral";
inline constexpr const char* DetermineNoTranche = "Lib_Publicite:DetermineNoTranche";
}  // namespace Cle

class TranchesHoraires : public QObject {
    Q_OBJECT
public:
    static constexpr int NbTranches = 18;
    static constexpr int NbHeures = 24;
    static constexpr int NbEntrees = 25;  // hours 0..23, then "End"
    static constexpr int PositionEnd = 24;

    explicit TranchesHoraires(QObject* parent = nullptr);

    // The entries of a start box and of an end box.
    static QStringList EntreesDebut();
    static QStringList EntreesFin();

    // ComboTrancheDeb(k) / ComboTrancheFin(k): selected positions (-1: none).
    int debut(int k) const { return debut_.at(size_t(k)); }
    int fin(int k) const { return fin_.at(size_t(k)); }
    // Text of the selected entry ("" when none).
    QString texteDebut(int k) const;
    QString texteFin(int k) const;

    // TextePubRemplissageNational(h) / TextePubRemplissageLocal(h): seconds available in hour h,
    // without leading zeros, or "" when the hour has none of that kind.
    const QString& capaciteNationale(int h) const { return national_.at(size_t(h)); }
    const QString& capaciteLocale(int h) const { return local_.at(size_t(h)); }

    // Frm_MainBis.InitGeneral: loads the slots from "XT_PUB.ini" and the capacities from
    // "QD3_Remplissage.Ini", both in the current base's configuration folder (ends with "/").
    void InitGeneral(const QString& dossierConfigBase);

    // The first slot that holds the hour; 0 when none does, and 0 at once once shutdown has begun.
    int16_t DetermineNoTranche(int16_t heure) const;

    // Back to the boxes as they stand before loading: every slot on its first entry, no capacity.
    void vider();

Q_SIGNALS:
    // The boxes were (re)loaded.
    void charge();

private:
    std::array<int, NbTranches> debut_{};
    std::array<int, NbTranches> fin_{};
    std::array<QString, NbHeures> national_;
    std::array<QString, NbHeures> local_;
};

// The run's slots and capacities (held for the hidden control host).
TranchesHoraires& Tranches();

// Lib_Publicite's entry point: the slot of an hour in the run's slots.
inline int16_t DetermineNoTranche(int16_t heure) { return Tranches().DetermineNoTranche(heure); }
