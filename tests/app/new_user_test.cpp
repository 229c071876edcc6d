// The program as a new user meets it: the real Ostrel started on its own,
// offscreen, with a folder-backed drive and the bundled sample package,
// played through its windows by the input driver (driver/InputDriver.cpp).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kMain = "Brenlow(适用于T512/T508系列产品升级)";

struct Step {
    std::string caption;
    std::string text;
    std::string action;
    std::string arg;
};

class NewUserTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(Stick()); }
    void TearDown() override {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    fs::path Stick() const { return m_dir / "stick"; }
    fs::path Log() const { return m_dir / "driver.log"; }
    fs::path ErrorLog() const { return m_dir / "stderr.txt"; }
    // Where the program keeps its scratch data: beside itself.
    static fs::path ProgramFolder() { return fs::path(OSTREL_PROGRAM).parent_path(); }
    static fs::path Sample() { return fs::path(OSTREL_SOURCE_DIR) / "samples" / "T512-sample.rar"; }
    std::string LogText() const { return fs::exists(Log()) ? testsupport::ReadFile(Log()) : ""; }

    static std::vector<Step> ChooseBoth() {
        return {{kMain, "", "click", "1001"},
                {"选择U盘", "", "click", "1007"},
                {kMain, "", "click", "1000"},
                // Qt's own texts in Chinese, as the rest of the program speaks.
                {"打开", "打开(&O) 取消", "file", Sample().string()}};
    }

    static std::string Env(const char* name) {
        const char* value = std::getenv(name);
        return value ? value : "";
    }

    void Launch(const std::vector<Step>& steps) {
        std::string script;
        for (const auto& s : steps)
            script += s.caption + '\t' + s.text + '\t' + s.action + '\t' + s.arg + '\n';
        testsupport::WriteFile(m_dir / "script.txt", script);

        std::vector<std::string> env = {
            "QT_QPA_PLATFORM=offscreen",
            std::string("LD_PRELOAD=") + OSTREL_INPUT_DRIVER,
            "OSTREL_DRIVER_SCRIPT=" + (m_dir / "script.txt").string(),
            "OSTREL_DRIVER_LOG=" + Log().string(),
            "OSTREL_DRIVES=E=" + Stick().string() + ":size=1G",
            // In sanitizer builds the driver is loaded before the runtime.
            "ASAN_OPTIONS=verify_asan_link_order=0:" + Env("ASAN_OPTIONS"),
        };
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("LD_PRELOAD=", 0) != 0 &&
                entry.rfind("OSTREL_", 0) != 0 && entry.rfind("ASAN_OPTIONS=", 0) != 0) {
                env.push_back(entry);
            }
        }
        std::vector<char*> envp;
        for (auto& entry : env) envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::string program = OSTREL_PROGRAM;
        char* argv[] = {program.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, ErrorLog().c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int rc = ::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(rc, 0);
    }

    // The exit status, or -1 when the program did not end within `limit`.
    int WaitForExit(std::chrono::seconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                m_killed = WIFSIGNALED(status);
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(50ms);
        }
        return -1;
    }

    bool WaitForLog(const std::string& line, std::chrono::seconds limit) const {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (LogText().find(line) != std::string::npos) return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    // Start, the answer to the format question, the progress window, the result.
    std::vector<Step> Upgrade(const char* formatAnswer) {
        auto steps = ChooseBoth();
        steps.push_back({kMain, "", "click", "1004"});
        steps.push_back({"提示对话框", "是否格式化U盘？", "click", formatAnswer});
        steps.push_back({"升级", "", "observe", ""});
        steps.push_back({"提示对话框", "升级成功！", "click", "1010"});
        return steps;
    }

    void ExpectDeviceFiles() const {
        for (const char* name : {"BOOT.EXE", "KERNEL.EXE", "DICT.EXE", "VERSION.TXT", "说明.TXT"}) {
            EXPECT_TRUE(fs::is_regular_file(Stick() / name)) << name;
        }
        EXPECT_TRUE(fs::is_directory(Stick() / "FONT"));
        EXPECT_FALSE(fs::exists(Stick() / "BOOT.EPT"));
        EXPECT_FALSE(fs::exists(Stick() / "T512"));
    }

    testsupport::TempDir m_dir;
    pid_t m_pid = -1;
    bool m_killed = false;  // the last exit was a signal's default action
};

TEST_F(NewUserTest, UpgradeWithoutFormattingThenTheProgramEnds) {
    testsupport::WriteFile(Stick() / "KEEP.TXT", "mine");
    Launch(Upgrade("1008"));
    EXPECT_EQ(WaitForExit(90s), 0) << LogText();
    EXPECT_NE(LogText().find("seen 升级\t"), std::string::npos) << LogText();
    EXPECT_NE(LogText().find("seen 提示对话框\t升级成功！\ndone"), std::string::npos) << LogText();
    ExpectDeviceFiles();
    EXPECT_TRUE(fs::exists(Stick() / "KEEP.TXT"));
}

TEST_F(NewUserTest, AnsweringYesEmptiesTheDriveBeforeTheCopy) {
    testsupport::WriteFile(Stick() / "OLD" / "STALE.EXE", "from an older upgrade");
    testsupport::WriteFile(Stick() / "KEEP.TXT", "mine");
    Launch(Upgrade("1010"));
    EXPECT_EQ(WaitForExit(90s), 0) << LogText();
    EXPECT_NE(LogText().find("升级成功！\ndone"), std::string::npos) << LogText();
    ExpectDeviceFiles();
    EXPECT_FALSE(fs::exists(Stick() / "KEEP.TXT"));
    EXPECT_FALSE(fs::exists(Stick() / "OLD"));
}

TEST_F(NewUserTest, SigusrOneFromAnotherProcessForgetsTheChoices) {
    auto steps = ChooseBoth();
    steps.push_back({kMain, "", "report", "1003,1002"});
    steps.push_back({"Ostrel", "", "click", "1"});
    steps.push_back({kMain, "", "report", "1003,1002,1005"});
    steps.push_back({kMain, "", "close", ""});
    Launch(steps);
    ASSERT_TRUE(WaitForLog("report 1003=E:\\ 1002=", 60s)) << LogText();
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(::kill(m_pid, SIGUSR1), 0);
    EXPECT_EQ(WaitForExit(60s), 0) << LogText();
    EXPECT_NE(LogText().find("seen Ostrel\t\n"), std::string::npos) << LogText();
    EXPECT_NE(LogText().find("report 1003= 1002= 1005=请选择U盘！"), std::string::npos)
        << LogText();
    EXPECT_TRUE(fs::is_empty(Stick()));
}

// -------------------------------------------- asked from outside to end

class StopTest : public NewUserTest {
protected:
    void SetUp() override {
        NewUserTest::SetUp();
        fs::remove_all(ProgramFolder() / "Temp");
        fs::remove(ProgramFolder() / "TEMP.TMP");
        testsupport::WriteFile(Stick() / "KEEP.TXT", "mine");
    }

    // Start and the format question, which `action` answers with 否 or leaves open.
    static std::vector<Step> UpToTheQuestion(const char* action) {
        auto steps = ChooseBoth();
        steps.push_back({kMain, "", "click", "1004"});
        steps.push_back({"提示对话框", "是否格式化U盘？", action, "1008"});
        return steps;
    }

    // Once the driver has logged `seen`, the signal, from another process.
    void SignalAfter(const std::string& seen, int signal) {
        ASSERT_TRUE(WaitForLog("seen " + seen, 60s)) << LogText();
        std::this_thread::sleep_for(300ms);
        ASSERT_EQ(::kill(m_pid, signal), 0);
    }

    std::string Errors() const { return testsupport::ReadFile(ErrorLog()); }

    // No scratch data, and nothing of the upgrade on the drive.
    void ExpectNothingLeft() const {
        EXPECT_FALSE(fs::exists(ProgramFolder() / "Temp"));
        EXPECT_FALSE(fs::exists(ProgramFolder() / "TEMP.TMP"));
        std::vector<std::string> onStick;
        for (const auto& e : fs::directory_iterator(Stick())) {
            onStick.push_back(e.path().filename().string());
        }
        EXPECT_EQ(onStick, std::vector<std::string>{"KEEP.TXT"});
    }
};

// The signal arrives during the pause before the copy: the job stops at its
// next safe point, its scratch data goes, and the program says so and fails
// as the signal would have ended it.
TEST_F(StopTest, SigtermDuringTheJobStopsItRemovesTheScratchDataAndFails) {
    auto steps = UpToTheQuestion("click");
    steps.push_back({"升级", "", "observe", ""});
    Launch(steps);
    SignalAfter("升级\t", SIGTERM);
    EXPECT_EQ(WaitForExit(60s), 128 + SIGTERM) << LogText() << Errors();
    EXPECT_FALSE(m_killed);
    EXPECT_NE(Errors().find("stopped by signal 15"), std::string::npos) << Errors();
    EXPECT_NE(Errors().find("升级失败！"), std::string::npos) << Errors();
    ExpectNothingLeft();
}

// With no job running the program ends at once, the question it showed
// included, and no job starts after it.
TEST_F(StopTest, SighupWithTheFormatQuestionOpenEndsTheProgramWithoutAJob) {
    Launch(UpToTheQuestion("observe"));
    SignalAfter("提示对话框\t是否格式化U盘？", SIGHUP);
    EXPECT_EQ(WaitForExit(60s), 128 + SIGHUP) << LogText() << Errors();
    EXPECT_FALSE(m_killed);
    EXPECT_EQ(LogText().find("seen 升级"), std::string::npos) << LogText();
    EXPECT_NE(Errors().find("stopped by signal 1"), std::string::npos) << Errors();
    ExpectNothingLeft();
}

}  // namespace
