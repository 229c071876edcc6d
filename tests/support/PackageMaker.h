// Makes upgrade packages for tests: the inverse of the descrambler. Any bytes
// serve as the archive; the DeviceInfo is hidden in a key block whose other
// bytes are arbitrary.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "encoder/DeviceInfo.h"

namespace testsupport {

using KeyBlock = std::array<std::uint8_t, 256>;

// A DeviceInfo holding the three texts at their places (cut to the field
// length; unused bytes 0).
DeviceInfo MakeDeviceInfo(std::string_view serial, std::string_view sd, std::string_view version);

// A key block of bytes drawn from seed, with info hidden at 2, 7, ... 217.
KeyBlock MakeKeyBlock(const DeviceInfo& info, std::uint32_t seed = 1);

// The package for archive under key: lead (padded with zeros or cut to 128
// bytes), the key block, the scrambled blocks and the plain tail.
std::string MakePackage(std::string_view archive, const KeyBlock& key, std::string_view lead = {});

// A package for archive carrying info, with key bytes and lead drawn from seed.
std::string MakePackage(std::string_view archive, const DeviceInfo& info, std::uint32_t seed = 1);

void WritePackage(const std::filesystem::path& path, std::string_view archive,
                  const DeviceInfo& info, std::uint32_t seed = 1);

// n bytes drawn from seed, for archives and .EPT contents.
std::string RandomBytes(std::size_t n, std::uint32_t seed = 1);

}  // namespace testsupport
