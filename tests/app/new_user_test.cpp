// The program as a new user meets it: the real Ostrel started on its own,
// offscreen, with a folder-backed drive and the bundled sample package,
// played through its windows by the input driver (driver/InputDriver.cpp).
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
    static fs::path Sample() { return fs::path(OSTREL_SOURCE_DIR) / "samples" / "T512-sample.rar"; }
    std::string LogText() const { return fs::exists(Log()) ? testsupport::ReadFile(Log()) : ""; }

    static std::vector<Step> ChooseBoth() {
        return {{kMain, "", "click", "1001"},
                {"选择U盘", "", "click", "1007"},
                {kMain, "", "click", "1000"},
                {"打开", "", "file", Sample().string()}};
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
        ASSERT_EQ(::posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);
    }

    // The exit status, or -1 when the program did not end within `limit`.
    int WaitForExit(std::chrono::seconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
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

}  // namespace
