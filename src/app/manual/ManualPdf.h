// The operating manual as PDF: the HTML source with the pictures of the
// windows, laid out on A4 pages by Qt's rich-text engine.
#pragma once

#include <filesystem>
#include <string>

namespace manual {

// False, with the reason in *error, when the source or a picture it names
// cannot be read or the PDF cannot be written.
bool WriteManualPdf(const std::filesystem::path& html, const std::filesystem::path& pictures,
                    const std::filesystem::path& pdf, std::string* error);

}  // namespace manual
