#include "cli/RunCli.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "support/TempDir.h"

namespace clitest {

CliResult RunCli(const std::vector<std::string>& args, int signal,
                 const std::function<bool()>& ready) {
    testsupport::TempDir dir;
    const std::string outPath = (dir / "out").string();
    const std::string errPath = (dir / "err").string();
    std::vector<std::string> words{OSTREL_CLI_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    for (int tick = 0; ready && child > 0 && tick < 3000; ++tick) {
        if (ready()) {
            if (signal != 0) ::kill(child, signal);
            break;
        }
        ::usleep(20'000);
    }
    CliResult result;
    int wstatus = 0;
    if (child < 0 || waitpid(child, &wstatus, 0) != child) return result;
    if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
    result.out = testsupport::ReadFile(outPath);
    result.err = testsupport::ReadFile(errPath);
    return result;
}

}  // namespace clitest
