#pragma once
// Real database files for the wrapper's tests: created from the catalogue in a folder and opened
// through the record manager, with the wrapper's per-file state set as the open routine sets it.
#include "database/btrieve.h"

#include <QByteArray>
#include <QString>
#include <vector>

class FichiersReels {
public:
    explicit FichiersReels(const QString& dossier);
    ~FichiersReels();  // releases every file it opened
    FichiersReels(const FichiersReels&) = delete;
    FichiersReels& operator=(const FichiersReels&) = delete;

    // Creates the file when it does not exist yet and opens it for the base and station index: FileOpen,
    // PosBlk and RecLen set. Returns the first status that was not 0.
    int16_t ouvrir(int fileNo, int stationIndex = 0, int base = 0);
    QString chemin(int fileNo, int stationIndex = 0) const;
    // The stored records of an open file, in storage order.
    std::vector<QByteArray> enregistrements(int fileNo, int stationIndex = 0, int base = 0) const;

private:
    QString dossier_;
    std::vector<PositionBlock*> ouverts_;
};

// A position block of its own on a file: another program writing the same file.
class AutreProgramme {
public:
    explicit AutreProgramme(const QString& chemin);
    ~AutreProgramme();
    int16_t appel(uint16_t op, QByteArray& data, const QByteArray& cle, int16_t keyNum = 0);
    int16_t statutOuverture() const { return ouverture_; }

private:
    PositionBlock pos_;
    int16_t ouverture_;
};
