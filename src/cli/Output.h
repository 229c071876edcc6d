// Printing helpers shared by the commands: hexadecimal bytes, readable text
// and JSON.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace cli
