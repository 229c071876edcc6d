#include <clocale>
#include <optional>
#include <string>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/Win32.h"

namespace platform {
namespace {

std::optional<UINT> CodePageNamed(std::string_view name) {
    if (name == "UTF-8") return CP_UTF8;
    if (name == "CP936" || name == "GBK") return 936;
    return std::nullopt;
}

std::optional<std::wstring> ToWide(std::string_view text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int n =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), n);
    return wide;
}

// Refuses characters without a form in the code page instead of putting
// its default character in their place.
std::optional<std::string> FromWide(const std::wstring& wide, UINT codePage) {
    if (wide.empty()) return std::string();
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL* usedDefault = utf8 ? nullptr : &defaulted;
    const int size = static_cast<int>(wide.size());
    const int n =
        WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, usedDefault);
    if (n <= 0 || defaulted) return std::nullopt;
    std::string text(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, text.data(), n, nullptr, nullptr);
    return text;
}

}  // namespace

std::optional<std::string> Recode(std::string_view text, const char* from, const char* to) {
    const auto source = CodePageNamed(from);
    const auto target = CodePageNamed(to);
    if (!source || !target) return std::nullopt;
    const auto wide = ToWide(text, *source);
    if (!wide) return std::nullopt;
    return FromWide(*wide, *target);
}

bool UseUtf8Locale() {
    std::setlocale(LC_ALL, "");
    return GetACP() == CP_UTF8;
}

}  // namespace platform
