// Paths to and from the program's text, which is UTF-8 everywhere. A path
// made from a std::string reads the bytes in the system's narrow encoding,
// the ANSI code page on Windows, and its string() answers in it: every path
// that holds program text is made and read back through these two.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

std::filesystem::path Utf8Path(std::string_view text);
std::string Utf8Text(const std::filesystem::path& path);

}  // namespace platform
