#pragma once
// The registry stand-in: two settings files of the profile semantics, one for each root
// (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER), one section per key path, one line per value.
// A value line keeps its type: "Name=sz:"text"", "expand_sz:"text"", "dword:4294967295",
// "binary:0a1b"...; "@" names a key's default value. Key paths and value names are
// case-insensitive, as the registry's are.
//
// The files are "Registre_HKLM.ini" and "Registre_HKCU.ini" in $KIRVO_REGISTRY_DIR when set,
// else in the program folder's "Settings/".
#include <QByteArray>
#include <QString>
#include <cstdint>

// Predefined roots and value types, with the platform's numbers.
inline constexpr int32_t HKEY_CLASSES_ROOT = int32_t(0x80000000u);
inline constexpr int32_t HKEY_CURRENT_USER = int32_t(0x80000001u);
inline constexpr int32_t HKEY_LOCAL_MACHINE = int32_t(0x80000002u);
inline constexpr int32_t HKEY_USERS = int32_t(0x80000003u);

inline constexpr int32_t REG_NONE = 0;
inline constexpr int32_t REG_SZ = 1;
inline constexpr int32_t REG_EXPAND_SZ = 2;
inline constexpr int32_t REG_BINARY = 3;
inline constexpr int32_t REG_DWORD = 4;

// Result codes.
namespace RegErr {
enum : int32_t {
    Ok = 0,
    FileNotFound = 2,
    AccessDenied = 5,
    InvalidHandle = 6,
    InvalidParameter = 87,
    MoreData = 234,
    BadKey = 1010
};
}

// One value as the registry holds it: its type and its bytes (a text is its 8-bit bytes and a
// terminating zero; a number is 4 bytes, low byte first).
struct ValeurRegistre {
    int32_t type = REG_NONE;
    QByteArray data;
};

class Registre {
public:
    // dossier: the folder of the two files.
    explicit Registre(QString dossier);

    // $KIRVO_REGISTRY_DIR when set, else <programFolder>/Settings/ (ends with "/").
    static QString dossierParDefaut(const QString& programFolder);

    // Opens the key, creating it when missing (an empty section). 0, 6 for an unknown root,
    // 1010 for a key path the store cannot hold, 5 when the file cannot be written.
    int32_t creerCle(int32_t root, const QString& keyPath);
    // 0 and the value; 2 when the key or the value does not exist.
    int32_t lireValeur(int32_t root, const QString& keyPath, const QString& name, ValeurRegistre& out) const;
    // 0 when written; the key is created when missing.
    int32_t ecrireValeur(int32_t root, const QString& keyPath, const QString& name, const ValeurRegistre& v);
    // The file of a root ("" for an unknown root).
    QString fichier(int32_t root) const;

private:
    QString dossier_;
};
