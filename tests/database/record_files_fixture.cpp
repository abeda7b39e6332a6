#include "record_files_fixture.h"

#include "database/catalogue.h"

#include <QFile>
#include <array>
#include <cstring>

FichiersReels::FichiersReels(const QString& dossier) : dossier_(dossier) { InitGeneralData(); }

FichiersReels::~FichiersReels() {
    for (PositionBlock* p : ouverts_) {
        char cle[1] = {0};
        uint32_t lng = 0;
        BTRCALL(BtrOp::Close, p->data(), nullptr, &lng, cle, 0, 0);
    }
}

QString FichiersReels::chemin(int fileNo, int stationIndex) const {
    return dossier_ + QLatin1Char('/') + NomFichierBTR(int16_t(fileNo), int16_t(stationIndex));
}

int16_t FichiersReels::ouvrir(int fileNo, int stationIndex, int base) {
    const QByteArray nom = QFile::encodeName(chemin(fileNo, stationIndex));
    InitStructureFichierBTR(int16_t(fileNo), false);
    StructureFichierBTR definition = BtrFileSpec;
    PositionBlock bloc;
    bloc.fill(' ');
    uint32_t lng = sizeof definition;
    QByteArray cle = nom;
    int16_t st = 0;
    // A file of the whole base is created once and opened for each station.
    if (!QFile::exists(chemin(fileNo, stationIndex)))
        st = BTRCALL(BtrOp::Create, bloc.data(), &definition, &lng, cle.data(), uint16_t(cle.size()), 0);
    if (st != 0) return st;
    PositionBlock& pos = PosBlk(base, stationIndex, fileNo);
    pos.fill(' ');
    std::array<char, 8> rien{};
    lng = 0;
    cle = nom;
    st = BTRCALL(BtrOp::Open, pos.data(), rien.data(), &lng, cle.data(), uint16_t(cle.size()), 0);
    if (st != 0) return st;
    FileOpen(base, stationIndex, fileNo) = true;
    RecLen[size_t(fileNo)] = CatalogueFichier(fileNo).RecordLength;
    ouverts_.push_back(&pos);
    return 0;
}

std::vector<QByteArray> FichiersReels::enregistrements(int fileNo, int stationIndex, int base) const {
    std::vector<QByteArray> r;
    BtrForEachRecord(PosBlk(base, stationIndex, fileNo).data(), [&](const uint8_t* d, uint32_t n) {
        r.emplace_back(reinterpret_cast<const char*>(d), qsizetype(n));
        return true;
    });
    return r;
}

AutreProgramme::AutreProgramme(const QString& chemin) {
    pos_.fill(' ');
    QByteArray cle = QFile::encodeName(chemin);
    std::array<char, 8> rien{};
    uint32_t lng = 0;
    ouverture_ = BTRCALL(BtrOp::Open, pos_.data(), rien.data(), &lng, cle.data(), uint16_t(cle.size()), 0);
}

AutreProgramme::~AutreProgramme() {
    if (ouverture_ != 0) return;
    char cle[1] = {0};
    uint32_t lng = 0;
    BTRCALL(BtrOp::Close, pos_.data(), nullptr, &lng, cle, 0, 0);
}

int16_t AutreProgramme::appel(uint16_t op, QByteArray& data, const QByteArray& cle, int16_t keyNum) {
    std::array<char, 255> tampon{};
    std::memcpy(tampon.data(), cle.constData(), size_t(std::min<qsizetype>(cle.size(), 254)));
    uint32_t lng = uint32_t(data.size());
    return BTRCALL(op, pos_.data(), data.data(), &lng, tampon.data(), 255, keyNum);
}
