// The 44-byte record that names the target device: taken from a package's
// key block, stamped into every device image.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using DeviceInfo = std::array<std::uint8_t, 44>;

namespace deviceinfo {

inline constexpr std::size_t kSerialOffset = 16;
inline constexpr std::size_t kSerialLength = 12;  // characters
inline constexpr std::size_t kSdOffset = 28;
inline constexpr std::size_t kSdLength = 8;  // hexadecimal digit characters
inline constexpr std::size_t kVersionOffset = 36;
inline constexpr std::size_t kVersionLength = 4;  // characters

inline std::string Field(const DeviceInfo& info, std::size_t offset, std::size_t length) {
    return std::string(info.begin() + static_cast<std::ptrdiff_t>(offset),
                       info.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

// The fields as the raw bytes they hold; nothing guarantees they are printable.
inline std::string Serial(const DeviceInfo& info) {
    return Field(info, kSerialOffset, kSerialLength);
}
inline std::string Sd(const DeviceInfo& info) { return Field(info, kSdOffset, kSdLength); }
inline std::string Version(const DeviceInfo& info) {
    return Field(info, kVersionOffset, kVersionLength);
}

}  // namespace deviceinfo
