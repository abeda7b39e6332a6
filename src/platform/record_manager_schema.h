#pragma once
// Private to the record manager: a file's definition (decoded from the create block it
// was made with) and the SQL it is kept with.
#include <QByteArray>
#include <cstdint>
#include <string>
#include <vector>

namespace rm {

struct Segment {
    uint16_t position = 0;  // from 1, as given
    uint16_t length = 0;
    uint16_t flags = 0;
};

struct KeyPart {
    uint16_t offset = 0;  // in the record, from 0
    uint16_t length = 0;
    bool foldCase = false;
};

struct KeyDef {
    std::vector<KeyPart> parts;
    uint16_t length = 0;  // sum of the parts: the key buffer's size for this key
    bool duplicates = false;
    bool modifiable = true;
};

struct FileDef {
    uint16_t recordLength = 0;
    uint16_t pageSize = 0;
    uint16_t fileFlags = 0;
    std::vector<Segment> segments;
    std::vector<KeyDef> keys;
    QByteArray layout;  // the create block as kept: header and key entries in use
};

// Decodes a create block: 16-byte header, then 16 bytes per key segment. Returns 0 or
// the status that refuses it.
int16_t ParseLayout(const uint8_t* buf, uint32_t len, FileDef& out);

// The key's bytes as the caller sees them (taken from the record) and in comparison order
// (case-insensitive parts folded).
void KeyFromRecord(const KeyDef& k, const uint8_t* record, uint8_t* out);
void FoldKey(const KeyDef& k, const uint8_t* key, uint8_t* out);

// SQL of a file with these keys. Key i lives in column k<i> (BLOB, memcmp order); a key with
// duplicates also has s<i>, its place among records of equal key (insertion order).
std::string SchemaSql(const FileDef& def);

constexpr uint32_t kApplicationId = 0x4B52564F;  // marks a file as ours
constexpr int kFormat = 1;

}  // namespace rm
