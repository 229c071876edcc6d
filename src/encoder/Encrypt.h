// Encrypt: turns one .EPT file into the device image beside it (boot.EPT ->
// boot.EXE), stamped with the device identity.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "encoder/DeviceInfo.h"

class Encrypt {
public:
    // info is read here only; the object keeps its own copy.
    Encrypt(std::string path, const DeviceInfo* info);
    virtual ~Encrypt() = default;
    Encrypt(const Encrypt&) = delete;
    Encrypt& operator=(const Encrypt&) = delete;

    // Writes the image; true once it is complete and closed. On false no
    // image is left behind, the .EPT is untouched and errno holds the cause.
    // Called once per object: it decodes m_sd in place.
    bool Encode();

    // The value of a hexadecimal digit (either case), 255 for anything else.
    static std::uint8_t HexValue(char c);

    // The image path for an .EPT path: up to the last "." of the file name,
    // then ".EXE".
    static std::string ImagePath(const std::string& eptPath);

private:
    void DecodeSd();

    std::string m_strPath;
    DeviceInfo m_info;
    std::array<std::uint8_t, deviceinfo::kSerialLength> m_serial;
    std::array<std::uint8_t, deviceinfo::kSdLength> m_sd;
};
