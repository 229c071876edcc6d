#include "app/manual/WindowTour.h"

#include <QDialog>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <utility>

#include "toolkit/ModalHook.h"
#include "ui/OstrelDlg.h"

namespace manual {
namespace {

using toolkit::ModalWindow;

// While the job waits before its copy, the bar stands at half way.
constexpr int kProgressPictureDelayMs = 1500;

}  // namespace

WindowTour::WindowTour(std::filesystem::path pictures, std::filesystem::path package)
    : m_pictures(std::move(pictures)), m_package(std::move(package)) {}

void WindowTour::Expect(bool condition, const std::string& what) {
    if (!condition) m_problems.push_back(what);
}

void WindowTour::Grab(const ModalWindow& window, const char* name) {
    const auto path = m_pictures / name;
    Expect(window.Grab(path.string()), "cannot save " + path.string());
}

bool WindowTour::Run() {
    std::error_code ec;
    std::filesystem::create_directories(m_pictures, ec);
    Expect(!ec, "cannot create " + m_pictures.string());
    QTemporaryDir stickE;
    QTemporaryDir stickG;
    const std::string drives = "E=" + stickE.path().toStdString() +
                               ":size=4G;G=" + stickG.path().toStdString() + ":size=8G";
    ::setenv("OSTREL_DRIVES", drives.c_str(), 1);
    // The pictures show the package's path: one that is the same on every machine.
    const auto folder = std::filesystem::temp_directory_path() / "ostrel-manual";
    std::filesystem::create_directories(folder, ec);
    const auto package = folder / m_package.filename();
    std::filesystem::copy_file(m_package, package,
                               std::filesystem::copy_options::overwrite_existing, ec);
    Expect(!ec, "cannot copy " + m_package.string() + " to " + package.string());
    m_package = package;
    UpgradeTour();
    ResetTour();
    std::filesystem::remove_all(folder, ec);
    return m_problems.empty();
}

// Drive, package, About, company, Start with "否", progress, result.
void WindowTour::UpgradeTour() {
    toolkit::ModalHook hook;
    hook.Then([this](ModalWindow& main) {
        m_pMain = &main;
        Grab(main, "main-initial.png");
        main.Click(IDC_CHOOSE_DRIVE);
        Grab(main, "main-drive.png");
        Expect(main.ControlText(IDC_EDIT_DRIVE) == "E:\\", "drive E:\\ not chosen");
        main.Click(IDC_SELECT_FILE);
        Grab(main, "main-ready.png");
        main.MenuCommand(ID_ABOUT);
        main.MenuCommand(ID_COMPANY_INFO);
        main.Click(IDC_START);
        m_pMain = nullptr;
    });
    hook.Then([this](ModalWindow& chooser) {
        Grab(chooser, "chooser.png");
        chooser.Click(IDC_CHOOSE_OK);
    });
    hook.Then([this](ModalWindow& files) { files.ChooseFile(m_package.string()); });
    hook.Then([this](ModalWindow& about) {
        Grab(about, "about.png");
        about.Click(IDOK);
    });
    hook.Then([this](ModalWindow& company) {
        Grab(company, "company.png");
        company.Escape();
    });
    hook.Then([this](ModalWindow& ask) {
        Grab(ask, "prompt-format.png");
        if (m_pMain) Grab(*m_pMain, "main-upgrading.png");
        ask.Click(IDC_DECLINE);
    });
    hook.Then([this](ModalWindow& progress) {
        QPointer<QDialog> dialog(&progress.Widget());
        CDialog* owner = progress.Dialog();
        QTimer::singleShot(kProgressPictureDelayMs, dialog, [this, dialog, owner] {
            if (dialog) Grab(ModalWindow(*dialog, owner), "progress-running.png");
        });
    });
    hook.Then([this](ModalWindow& result) {
        Expect(result.ControlText(IDC_TIPS_TEXT) == "升级成功！",
               "the sample upgrade ended with " + result.ControlText(IDC_TIPS_TEXT));
        Grab(result, "prompt-result.png");
        result.Click(IDC_CONFIRM);
    });
    OstrelDlg dlg;
    dlg.DoModal();
    Expect(hook.Pending() == 0 && hook.Unanswered() == 0, "the upgrade tour went astray");
}

// Both choices made, then forgotten on WM_RESET_CHOICE.
void WindowTour::ResetTour() {
    toolkit::ModalHook hook;
    hook.Then([this](ModalWindow& main) {
        m_pMain = &main;
        main.Click(IDC_CHOOSE_DRIVE);
        main.Click(IDC_SELECT_FILE);
        main.Dialog()->SendMessage(WM_RESET_CHOICE);
        main.CloseBox();
        m_pMain = nullptr;
    });
    hook.Then([](ModalWindow& chooser) { chooser.Click(IDC_CHOOSE_OK); });
    hook.Then([this](ModalWindow& files) { files.ChooseFile(m_package.string()); });
    hook.Then([this](ModalWindow& box) {
        if (m_pMain) Grab(*m_pMain, "main-reset.png");
        Grab(box, "reset-box.png");
        box.Click(IDOK);
    });
    OstrelDlg dlg;
    dlg.DoModal();
    Expect(hook.Pending() == 0 && hook.Unanswered() == 0, "the reset tour went astray");
}

}  // namespace manual
