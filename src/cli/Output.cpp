#include "cli/Output.h"

#include <cstdio>

#include "pipeline/ArchiveNames.h"

namespace cli {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void AppendEscapedByte(std::string& text, unsigned char c) {
    text += "\\x";
    text += kDigits[c >> 4];
    text += kDigits[c & 0xF];
}

void AppendJsonAscii(std::string& json, char c) {
    switch (c) {
        case '"':
            json += "\\\"";
            return;
        case '\\':
            json += "\\\\";
            return;
        case '\b':
            json += "\\b";
            return;
        case '\f':
            json += "\\f";
            return;
        case '\n':
            json += "\\n";
            return;
        case '\r':
            json += "\\r";
            return;
        case '\t':
            json += "\\t";
            return;
        default:
            break;
    }
    if (static_cast<unsigned char>(c) < 0x20) {
        json += "\\u00";
        json += kDigits[static_cast<unsigned char>(c) >> 4];
        json += kDigits[c & 0xF];
        return;
    }
    json += c;
}

}  // namespace

std::string ToHex(std::span<const std::uint8_t> bytes) {
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (auto b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 0xF];
    }
    return hex;
}

std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsBlank(text[i])) {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) return std::nullopt;
        const int high = DigitValue(text[i]);
        const int low = DigitValue(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        i += 2;
    }
    return bytes;
}

std::string PrintableText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\') {
            text += "\\\\";
        } else if (u >= 0x20 && u < 0x7F) {
            text += c;
        } else {
            AppendEscapedByte(text, u);
        }
    }
    return text;
}

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    json.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = pipeline::Utf8SequenceLength(text, i);
        if (length == 0) {
            json += "\xEF\xBF\xBD";  // U+FFFD
            ++i;
        } else if (length == 1) {
            AppendJsonAscii(json, text[i]);
            ++i;
        } else {
            json.append(text.substr(i, length));
            i += length;
        }
    }
    return json + "\"";
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view text) {
    return AddJson(key, JsonString(text));
}

JsonObject& JsonObject::AddNumber(std::string_view key, long long number) {
    return AddJson(key, std::to_string(number));
}

JsonObject& JsonObject::AddBool(std::string_view key, bool value) {
    return AddJson(key, value ? "true" : "false");
}

JsonObject& JsonObject::AddJson(std::string_view key, std::string_view value) {
    if (!m_members.empty()) m_members += ",";
    m_members += JsonString(key);
    m_members += ":";
    m_members.append(value);
    return *this;
}

JsonObject IdentityJson(const DeviceInfo& info) {
    JsonObject object;
    object.Add("serial", deviceinfo::Serial(info))
        .Add("sd", deviceinfo::Sd(info))
        .Add("version", deviceinfo::Version(info))
        .Add("device_info", ToHex(info));
    return object;
}

void PrintIdentity(const DeviceInfo& info) {
    std::printf("serial:      %s\n", PrintableText(deviceinfo::Serial(info)).c_str());
    std::printf("sd:          %s\n", PrintableText(deviceinfo::Sd(info)).c_str());
    std::printf("version:     %s\n", PrintableText(deviceinfo::Version(info)).c_str());
    std::printf("device_info: %s\n", ToHex(info).c_str());
}

std::optional<PathsAndJson> ParsePathsAndJson(std::string_view command,
                                              std::span<const std::string> words, std::size_t paths,
                                              const char* usage) {
    PathsAndJson parsed;
    for (const auto& word : words) {
        if (word == "--json") {
            parsed.json = true;
        } else if (word.size() > 1 && word[0] == '-') {
            std::fprintf(stderr, "ostrel-cli %.*s: unknown option '%s'\n%s",
                         static_cast<int>(command.size()), command.data(), word.c_str(), usage);
            return std::nullopt;
        } else {
            parsed.paths.push_back(word);
        }
    }
    if (parsed.paths.size() != paths) {
        std::fputs(usage, stderr);
        return std::nullopt;
    }
    return parsed;
}

}  // namespace cli
