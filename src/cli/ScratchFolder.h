// A private folder for a command's scratch data (the plain archive, the
// staging folder), under the system's temporary directory and removed with
// everything in it when the command ends.
#pragma once

#include <filesystem>
#include <string>

namespace cli {

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // False, with Error() set, when no folder could be made.
    bool Made() const { return !m_path.empty(); }
    const std::string& Error() const { return m_error; }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::string m_error;
};

}  // namespace cli
