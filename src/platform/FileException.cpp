#include <system_error>

#include "platform/File.h"

CFileException::CFileException(const std::string& operation, std::string path, int error)
    : m_path(std::move(path)), m_error(error) {
    m_what = "cannot " + operation + " " + m_path + ": " + SystemMessage();
}

std::string CFileException::SystemMessage() const {
    if (m_error == kNotRegularFile) return "not a regular file (a device, pipe or socket)";
    return std::generic_category().message(m_error);
}
