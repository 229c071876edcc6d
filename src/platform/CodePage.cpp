#include "platform/CodePage.h"

#include <iconv.h>
#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <vector>

namespace platform {

std::optional<std::string> Recode(std::string_view text, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::vector<char> in(text.begin(), text.end());
    std::vector<char> out(text.size() * 4 + 4);  // room for any of them
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const bool done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
                      iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (!done) return std::nullopt;
    return std::string(out.data(), static_cast<size_t>(outPtr - out.data()));
}

namespace {
bool CodesetIsUtf8() { return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0; }
}  // namespace

bool UseUtf8Locale() {
    if (std::setlocale(LC_ALL, "") != nullptr && CodesetIsUtf8()) return true;
    return std::setlocale(LC_ALL, "C.UTF-8") != nullptr && CodesetIsUtf8();
}

}  // namespace platform
