#pragma once
// The record manager's tests: a test file of the clients' shape, a position block with its
// buffers as a caller holds them, and a fixture that creates the file and opens it once.
#include "platform/record_manager.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

// Test file: 60-byte records.
//   key 0: code, bytes 1-8, unique
//   key 1: name, bytes 9-18, duplicates, case-insensitive
//   key 2: group (bytes 19-20) then the first 3 bytes of the code, duplicates, segmented
constexpr int kRecLen = 60;

struct Seg {
    int pos, len, flags;
};

inline void Put16(uint8_t* p, int v) {
    p[0] = uint8_t(v & 0xFF);
    p[1] = uint8_t((v >> 8) & 0xFF);
}

inline std::array<uint8_t, 160> Layout(int recLen, int keyCount, std::initializer_list<Seg> segs) {
    std::array<uint8_t, 160> s{};
    Put16(&s[0], recLen);
    Put16(&s[2], 1024);
    Put16(&s[4], keyCount);
    Put16(&s[10], 8);
    int i = 0;
    for (const Seg& g : segs) {
        uint8_t* e = &s[16 + 16 * i++];
        Put16(e, g.pos);
        Put16(e + 2, g.len);
        Put16(e + 4, g.flags);
    }
    return s;
}

inline const auto kClients = Layout(kRecLen, 3, {{1, 8, 2}, {9, 10, 1027}, {19, 2, 19}, {1, 3, 3}});

inline std::string Pad(std::string s, size_t n) {
    s.resize(n, ' ');
    return s;
}

inline std::string Rec(const std::string& code, const std::string& name = "", const std::string& grp = "",
                       const std::string& payload = "") {
    return Pad(Pad(code, 8) + Pad(name, 10) + Pad(grp, 2) + payload, kRecLen);
}

inline std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

// One position block with its buffers, as a caller of the record manager holds them.
struct Btr {
    std::array<char, kPosBlockSize> pos;
    std::string data = std::string(kRecLen, ' ');
    uint32_t len = kRecLen;
    std::array<char, 255> key{};

    Btr() { pos.fill(' '); }

    int16_t call(uint16_t op, int16_t keyNum = 0, const std::string& k = {}) {
        key.fill(0);
        std::memcpy(key.data(), k.data(), std::min(k.size(), key.size()));
        len = uint32_t(data.size());
        return BTRCALL(op, pos.data(), data.data(), &len, key.data(), 255, keyNum);
    }
    int16_t open(const QString& path, int16_t mode = 0) {
        return call(BtrOp::Open, mode, QFile::encodeName(path).toStdString());
    }
    int16_t insert(const std::string& rec, int16_t keyNum = 0) {
        data = rec;
        return call(BtrOp::Insert, keyNum);
    }
    int16_t update(const std::string& rec, int16_t keyNum = 0) {
        data = rec;
        return call(BtrOp::Update, keyNum);
    }
    std::string code() const { return Trim(data.substr(0, 8)); }
    std::string keyText(size_t n) const { return std::string(key.data(), n); }
};

inline int16_t Create(const QString& path, const std::array<uint8_t, 160>& layout, int16_t mode = 0) {
    std::array<uint8_t, 160> s = layout;
    uint32_t len = 160;
    std::array<char, kPosBlockSize> pos;
    pos.fill(' ');
    const std::string p = QFile::encodeName(path).toStdString();
    std::string key = p;
    return BTRCALL(BtrOp::Create, pos.data(), s.data(), &len, key.data(), uint16_t(key.size()), mode);
}

// Codes met walking a key from one end to the other.
inline std::vector<std::string> Walk(Btr& b, int16_t keyNum, bool backwards = false) {
    std::vector<std::string> codes;
    int16_t st = b.call(backwards ? BtrOp::GetLast : BtrOp::GetFirst, keyNum);
    while (st == 0) {
        codes.push_back(b.code());
        st = b.call(backwards ? BtrOp::GetPrevious : BtrOp::GetNext, keyNum);
    }
    EXPECT_EQ(st, BtrStat::EndOfFile);
    return codes;
}

using Codes = std::vector<std::string>;

class RecordManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        path = tmp.path() + QStringLiteral("/FRAD003.bt6");
        ASSERT_EQ(Create(path, kClients), 0);
        ASSERT_EQ(a.open(path), 0);
    }
    // Stop without a file name releases everything this process holds.
    void TearDown() override { BTRCALL(BtrOp::Stop, nullptr, nullptr, nullptr, nullptr, 0, 0); }

    void fill(std::initializer_list<std::string> recs) {
        for (const auto& r : recs) ASSERT_EQ(a.insert(r), 0) << r;
    }

    QTemporaryDir tmp;
    QString path;
    Btr a;
};
