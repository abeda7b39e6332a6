#include "fake_record_manager.h"

#include "database/btrieve.h"

#include <algorithm>
#include <cstring>

QByteArray AppelBtr::cle() const {
    const qsizetype z = key.indexOf('\0');
    return z < 0 ? key : key.left(z);
}

FakeRecordManager::FakeRecordManager() {
    SetBtrCallHook([this](uint16_t op, void* pos, void* data, uint32_t* dataLen, void* key, uint16_t keyLen,
                          int16_t keyNum) { return appeler(op, pos, data, dataLen, key, keyLen, keyNum); });
}

FakeRecordManager::~FakeRecordManager() { SetBtrCallHook({}); }

void FakeRecordManager::statuts(std::initializer_list<int16_t> s) {
    for (int16_t st : s) {
        ReponseBtr r;
        r.status = st;
        script.push_back(r);
    }
}

std::vector<uint16_t> FakeRecordManager::operations() const {
    std::vector<uint16_t> ops;
    for (const AppelBtr& a : appels) ops.push_back(a.op);
    return ops;
}

int16_t FakeRecordManager::appeler(uint16_t op, void* pos, void* data, uint32_t* dataLen, void* key, uint16_t keyLen,
                                   int16_t keyNum) {
    AppelBtr a;
    a.op = op;
    if (pos) a.pos = QByteArray(static_cast<const char*>(pos), kPosBlockSize);
    if (dataLen) a.dataLen = *dataLen;
    if (data && dataLen) a.data = QByteArray(static_cast<const char*>(data), qsizetype(*dataLen));
    if (key) a.key = QByteArray(static_cast<const char*>(key), keyLen);
    a.keyNum = keyNum;
    appels.push_back(a);

    ReponseBtr r = parDefaut;
    std::optional<ReponseBtr> parRegle;
    if (regle) parRegle = regle(a);
    if (parRegle) {
        r = *parRegle;
    } else if (!script.empty()) {
        r = script.front();
        script.pop_front();
    }
    if (!r.data.isNull() && data && dataLen)
        std::memcpy(data, r.data.constData(), size_t(std::min<qsizetype>(r.data.size(), *dataLen)));
    if (!r.key.isNull() && key) std::memcpy(key, r.key.constData(), size_t(std::min<qsizetype>(r.key.size(), keyLen)));
    if (!r.pos.isNull() && pos)
        std::memcpy(pos, r.pos.constData(), size_t(std::min<qsizetype>(r.pos.size(), kPosBlockSize)));
    if (r.dataLen && dataLen) *dataLen = *r.dataLen;
    return r.status;
}
