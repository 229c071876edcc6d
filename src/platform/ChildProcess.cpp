#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace platform {
namespace {

// Owns the spawn file actions so that every return path releases them.
class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions{};
};

std::optional<int> WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return std::nullopt;
    }
    if (!WIFEXITED(status)) return std::nullopt;
    return WEXITSTATUS(status);
}

}  // namespace

std::optional<int> RunAndWait(const std::vector<std::string>& argv, bool keepOutput) {
    if (argv.empty()) return std::nullopt;
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    SpawnActions actions;
    if (!keepOutput) {
        posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = 0;
    int rc = posix_spawn(&pid, args[0], actions.get(), nullptr, args.data(), environ);
    if (rc != 0) {
        std::fprintf(stderr, "ostrel: cannot start %s: %s\n", args[0], std::strerror(rc));
        return std::nullopt;
    }
    return WaitFor(pid);
}

}  // namespace platform
