// Printing helpers shared by the commands: hexadecimal bytes, readable text
// and JSON.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "encoder/DeviceInfo.h"

namespace cli {

// Upper-case hexadecimal, two digits per byte, no separators.
std::string ToHex(std::span<const std::uint8_t> bytes);

// Pairs of hexadecimal digits in either case; blanks between pairs are
// allowed. Empty when anything else is found or a digit is left over.
std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text);

// Bytes as a line of text: printable ASCII as it is, every other byte \xNN,
// a backslash \\.
std::string PrintableText(std::string_view bytes);

// A JSON string literal with its quotes. Bytes that are not valid UTF-8
// become U+FFFD, so the output is always valid JSON.
std::string JsonString(std::string_view text);

// One JSON object on one line, members in the order added.
class JsonObject {
public:
    JsonObject& Add(std::string_view key, std::string_view text);
    JsonObject& AddNumber(std::string_view key, long long number);
    JsonObject& AddBool(std::string_view key, bool value);
    // value must already be JSON (a nested object or an array).
    JsonObject& AddJson(std::string_view key, std::string_view value);
    std::string str() const { return "{" + m_members + "}"; }

private:
    std::string m_members;
};

// The device identity of a package: as JSON members (serial, sd, version,
// device_info) and as the text lines the commands print.
JsonObject IdentityJson(const DeviceInfo& info);
void PrintIdentity(const DeviceInfo& info);

// The words of a command that takes only paths and --json: exactly `paths`
// paths, or nothing after the usage was printed to standard error.
struct PathsAndJson {
    std::vector<std::string> paths;
    bool json = false;
};
std::optional<PathsAndJson> ParsePathsAndJson(std::string_view command,
                                              std::span<const std::string> words, std::size_t paths,
                                              const char* usage);

}  // namespace cli
