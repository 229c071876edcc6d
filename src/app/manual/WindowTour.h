// A tour of the real windows, offscreen, that saves a picture of each: the
// main window in every state a user meets, the drive chooser with its
// tooltip, the file dialog, the prompts, the progress window of a real
// upgrade of the sample package onto a folder-backed drive, About and the
// company information.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace toolkit {
class ModalWindow;
}

namespace manual {

class WindowTour {
public:
    WindowTour(std::filesystem::path pictures, std::filesystem::path package);

    // Needs the Qt application. False when a window did not open as a user
    // would see it or a picture could not be saved; Problems() says why.
    bool Run();
    const std::vector<std::string>& Problems() const { return m_problems; }

private:
    void UpgradeTour();
    void ResetTour();
    void GrabFileDialog(const toolkit::ModalWindow& files);
    void Grab(const toolkit::ModalWindow& window, const char* name);
    void Expect(bool condition, const std::string& what);

    std::filesystem::path m_pictures;
    std::filesystem::path m_package;
    toolkit::ModalWindow* m_pMain = nullptr;
    std::vector<std::string> m_problems;
};

}  // namespace manual
