#pragma once
// A record manager that answers from a script: each call is recorded (operation, position block,
// data as sent, key as sent, key number) and gets the next scripted answer, or what a rule or
// the default gives. Installed through the database layer's seam for as long as it lives.
#include <QByteArray>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

struct AppelBtr {
    uint16_t op = 0;
    QByteArray pos;   // 128 bytes, empty for a call without a block
    QByteArray data;  // dataLen bytes as sent
    uint32_t dataLen = 0;
    QByteArray key;  // keyLen bytes as sent
    int16_t keyNum = 0;
    // The key up to its zero byte.
    QByteArray cle() const;
};

struct ReponseBtr {
    int16_t status = 0;
    QByteArray data;                  // copied into the data buffer when not null
    QByteArray key;                   // copied over the start of the key buffer when not null
    QByteArray pos;                   // copied over the start of the position block when not null
    std::optional<uint32_t> dataLen;  // handed back as the data length
};

class FakeRecordManager {
public:
    FakeRecordManager();
    ~FakeRecordManager();
    FakeRecordManager(const FakeRecordManager&) = delete;
    FakeRecordManager& operator=(const FakeRecordManager&) = delete;

    std::vector<AppelBtr> appels;
    std::deque<ReponseBtr> script;  // answers in order
    // Consulted before the script; an empty optional passes to the script.
    std::function<std::optional<ReponseBtr>(const AppelBtr&)> regle;
    ReponseBtr parDefaut;  // once the script is used up

    // Statuses to answer in order.
    void statuts(std::initializer_list<int16_t> s);
    std::vector<uint16_t> operations() const;

private:
    int16_t appeler(uint16_t op, void* pos, void* data, uint32_t* dataLen, void* key, uint16_t keyLen, int16_t keyNum);
};
