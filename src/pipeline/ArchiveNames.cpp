#include "pipeline/ArchiveNames.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "pipeline/RarArchive.h"
#include "platform/CodePage.h"

namespace pipeline {

namespace {

bool IsWindowsHost(unsigned hostOs) {
    return hostOs == rar::kHostMsDos || hostOs == rar::kHostOs2 || hostOs == rar::kHostWin32;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

bool UseUtf8Locale() { return platform::UseUtf8Locale(); }

std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;  // the second byte's range
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    if (second < low || second > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    }
    return length;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::optional<std::string> Cp936ToUtf8(std::string_view text) {
    return platform::Recode(text, "CP936", "UTF-8");
}

std::optional<std::string> SurrogateNameToUtf8(const std::wstring& wide) {
    bool paired = false;
    std::string out;
    for (size_t i = 0; i < wide.size(); ++i) {
        auto c = static_cast<char32_t>(wide[i]);
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(wide[++i]) - 0xDC00);
            paired = true;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            return std::nullopt;  // a lone surrogate names no character
        }
        AppendUtf8(out, c);
    }
    if (!paired) return std::nullopt;
    return out;
}

std::string LandingName(const std::string& narrowName, const std::wstring& wideName,
                        unsigned hostOs, NameForm form, bool& converted) {
    converted = false;
    if (auto joined = SurrogateNameToUtf8(wideName)) {
        converted = true;
        return *joined;
    }
    const bool codePage = form == NameForm::CodePage
                              ? !IsAscii(narrowName)
                              : form == NameForm::Unknown && !IsValidUtf8(narrowName);
    if (!IsWindowsHost(hostOs) || !codePage) return narrowName;
    // A GBK trail byte may be 0x5C, which the library took for a folder
    // separator; Windows names hold no `/`, so every `/` was a 0x5C byte.
    std::string raw = narrowName;
    std::replace(raw.begin(), raw.end(), '/', '\\');
    auto utf8 = Cp936ToUtf8(raw);
    if (!utf8) return narrowName;
    std::replace(utf8->begin(), utf8->end(), '\\', '/');
    converted = true;
    return *utf8;
}

bool HasEptSuffix(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tail == ".EPT";
}

std::string ContainedPath(std::string_view storedPath) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= storedPath.size()) {
        size_t end = storedPath.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = storedPath.size();
        const std::string_view part = storedPath.substr(start, end - start);
        if (part == "..") {
            parts.clear();
        } else if (!part.empty() && part != "." &&
                   !(parts.empty() && part.size() == 2 && part[1] == ':')) {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string joined;
    for (const auto& part : parts) {
        if (!joined.empty()) joined += '/';
        joined += part;
    }
    return joined;
}

std::string LandedNames::Resolve(const std::string& path) {
    std::string landed;
    std::string folded;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string_view component(path.data() + start, end - start);
        const bool first = landed.empty();
        if (!first) folded += '/';
        for (const char c : component) {
            folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        // Looked up before anything is built: nearly every folder is known.
        if (const auto known = m_spelling.find(folded); known != m_spelling.end()) {
            landed = known->second;
        } else {
            if (!first) landed += '/';
            landed.append(component);
            m_spelling.emplace(folded, landed);
        }
        start = end + 1;
    }
    return landed;
}

}  // namespace pipeline
