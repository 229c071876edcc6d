#include "app/manual/WindowTour.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <utility>

#include "toolkit/ModalHook.h"
#include "ui/OstrelDlg.h"

namespace manual {
namespace {

using toolkit::ModalWindow;

// While the job waits before its copy, the bar stands at half way.
constexpr int kProgressPictureDelayMs = 1500;
constexpr int kFileDialogSettleMs = 300;

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
    // The pictures show the package's path, the drives' folders and the file
    // dialog's folder: the same on every machine, so one tour at a time (two
    // builds of the pictures, say) in that place.
    const auto temp = std::filesystem::temp_directory_path();
    QLockFile lock(QString::fromStdString((temp / "ostrel-manual.lock").string()));
    Expect(lock.lock(), "cannot lock " + (temp / "ostrel-manual.lock").string());
    const auto folder = temp / "ostrel-manual";
    std::filesystem::remove_all(folder, ec);
    const auto packages = folder / "升级文件";
    std::filesystem::create_directories(packages, ec);
    std::filesystem::create_directories(folder / "U盘E", ec);
    std::filesystem::create_directories(folder / "U盘G", ec);
    const std::string drives =
        "E=" + (folder / "U盘E").string() + ":size=4G;G=" + (folder / "U盘G").string() + ":size=8G";
    ::setenv("OSTREL_DRIVES", drives.c_str(), 1);
    const auto package = packages / m_package.filename();
    std::filesystem::copy_file(m_package, package,
                               std::filesystem::copy_options::overwrite_existing, ec);
    Expect(!ec, "cannot copy " + m_package.string() + " to " + package.string());
    // The file dialog shows its date: one fixed moment, so the pictures repeat.
    using namespace std::chrono;
    const sys_seconds moment = sys_days{year{2026} / 1 / 15} + hours{9};
    std::filesystem::last_write_time(package, file_clock::from_sys(moment), ec);
    m_package = package;
    UpgradeTour();
    ResetTour();
    std::filesystem::remove_all(folder, ec);
    return m_problems.empty();
}

// Qt's file dialog fills its list from a worker thread: wait for the
// package to be listed, then a little longer for the icons.
void WindowTour::GrabFileDialog(const ModalWindow& files) {
    auto* dialog = qobject_cast<QFileDialog*>(&files.Widget());
    auto* model = dialog ? dialog->findChild<QFileSystemModel*>() : nullptr;
    const QString folder = QString::fromStdString(m_package.parent_path().string());
    Expect(dialog && dialog->directory().absolutePath() == folder,
           "the file dialog did not open in " + folder.toStdString());
    const bool listed = model && ModalWindow::WaitFor([model, folder] {
                            return model->rowCount(model->index(folder)) > 0;
                        });
    Expect(listed, "the file dialog did not list " + folder.toStdString());
    ModalWindow::WaitFor([] { return false; }, kFileDialogSettleMs);
    Grab(files, "file-dialog.png");
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
        Expect(chooser.GrabWithTip(IDC_COMBO_DRIVE, (m_pictures / "chooser.png").string()),
               "no picture of the drive chooser with its tooltip");
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

// Both choices made (the file dialog pictured), then forgotten on WM_RESET_CHOICE.
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
    // The second file dialog of the run opens in the package's folder.
    hook.Then([this](ModalWindow& files) {
        GrabFileDialog(files);
        files.ChooseFile(m_package.string());
    });
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
