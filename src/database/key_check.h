#pragma once
// The key-length check made before each database call: a key text shorter than the key it names
// is written as an incident line. It only reports; the call goes ahead unchanged.
#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* BTrieveTestCle = "Lib_Data_BTrieve:BTrieveTestCle";
}

// The length a key text must reach for (file, key number), or -1 when the pair is not checked.
int LongueurMinimaleCle(int FileNo, int KeyNum);

void BTrieveTestCle(int16_t OP, const QString& Key, int16_t KeyNum, int16_t FileNo, const QString& Source);
