// The system's error numbers in the words of the windows (Simplified Chinese).
#pragma once

#include <string>

namespace platform {

// A short Chinese text for the common error numbers, the system's own text
// for any other; CFileException::kNotRegularFile has one too.
std::string ErrorText(int error);

}  // namespace platform
