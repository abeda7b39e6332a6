#include "platform/record_manager_schema.h"

#include "platform/cp1252.h"
#include "platform/record_manager.h"

#include <cstring>

namespace rm {

namespace {

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

constexpr uint16_t kDup = 1, kModifiable = 2, kSegmented = 16, kNoCase = 1024;
// Attributes whose order we do not implement (null values, descending, non-string types):
// refused rather than kept silently wrong.
constexpr uint16_t kNullKey = 8, kDescending = 64, kExtendedType = 256, kAnyNull = 512;

}  // namespace

int16_t ParseLayout(const uint8_t* buf, uint32_t len, FileDef& out) {
    if (!buf || len < 16) return BtrStat::DataBufferTooShort;
    FileDef d;
    d.recordLength = le16(buf);
    d.pageSize = le16(buf + 2);
    const uint16_t keyCount = le16(buf + 4);
    d.fileFlags = le16(buf + 10);
    if (d.recordLength == 0) return BtrStat::RecordLengthError;
    if (keyCount == 0 || keyCount > 119) return BtrStat::KeyCountError;

    uint32_t at = 16;
    for (int k = 0; k < keyCount; ++k) {
        KeyDef key;
        bool more = true;
        bool first = true;
        while (more) {
            if (at + 16 > len) return BtrStat::KeyCountError;
            const uint8_t* e = buf + at;
            Segment s{le16(e), le16(e + 2), le16(e + 4)};
            const uint8_t extType = e[10];
            at += 16;
            if (s.position == 0 || s.length == 0 || uint32_t(s.position) + s.length - 1 > d.recordLength)
                return BtrStat::InvalidKeyPosition;
            if (s.flags & (kNullKey | kDescending | kAnyNull)) return BtrStat::InvalidKeyLength;
            if ((s.flags & kExtendedType) && extType != 0) return BtrStat::InvalidKeyLength;
            if (first) {
                key.duplicates = s.flags & kDup;
                key.modifiable = s.flags & kModifiable;
                first = false;
            }
            key.parts.push_back({uint16_t(s.position - 1), s.length, bool(s.flags & kNoCase)});
            key.length = uint16_t(key.length + s.length);
            d.segments.push_back(s);
            more = s.flags & kSegmented;
        }
        if (key.length > kBtrMaxKeyLength) return BtrStat::InvalidKeyLength;
        d.keys.push_back(std::move(key));
    }
    d.layout = QByteArray(reinterpret_cast<const char*>(buf), int(at));
    out = std::move(d);
    return BtrStat::Ok;
}

void KeyFromRecord(const KeyDef& k, const uint8_t* record, uint8_t* out) {
    for (const KeyPart& p : k.parts) {
        std::memcpy(out, record + p.offset, p.length);
        out += p.length;
    }
}

void FoldKey(const KeyDef& k, const uint8_t* key, uint8_t* out) {
    for (const KeyPart& p : k.parts) {
        if (p.foldCase)
            for (int i = 0; i < p.length; ++i) out[i] = FoldCp1252(key[i]);
        else
            std::memcpy(out, key, p.length);
        key += p.length;
        out += p.length;
    }
}

std::string SchemaSql(const FileDef& def) {
    // AUTOINCREMENT: a record id is never given twice, so a position that names a deleted
    // record can never land on a newcomer.
    std::string sql =
        "CREATE TABLE kr_file(format INTEGER NOT NULL, layout BLOB NOT NULL);"
        "CREATE TABLE records(id INTEGER PRIMARY KEY AUTOINCREMENT, ver INTEGER NOT NULL, "
        "data BLOB NOT NULL";
    for (size_t i = 0; i < def.keys.size(); ++i) {
        const std::string n = std::to_string(i);
        sql += ", k" + n + " BLOB NOT NULL";
        if (def.keys[i].duplicates) sql += ", s" + n + " INTEGER NOT NULL";
    }
    sql += ");";
    for (size_t i = 0; i < def.keys.size(); ++i) {
        const std::string n = std::to_string(i);
        if (def.keys[i].duplicates)
            sql += "CREATE INDEX key" + n + " ON records(k" + n + ", s" + n + ");";
        else
            sql += "CREATE UNIQUE INDEX key" + n + " ON records(k" + n + ");";
    }
    return sql;
}

}  // namespace rm
