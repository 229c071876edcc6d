#include "platform/CodePage.h"

#include <iconv.h>

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

}  // namespace platform
