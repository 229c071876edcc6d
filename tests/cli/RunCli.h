// Runs the built ostrel-cli (OSTREL_CLI_PATH) with arguments and collects its
// exit status and both outputs.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace clitest {

struct CliResult {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// With ready(): polled for up to 60 s while the program runs; once it is
// true, the signal (if any) is sent. Signals are POSIX only: on Windows a
// signal asked for fails the run.
CliResult RunCli(const std::vector<std::string>& args, int signal = 0,
                 const std::function<bool()>& ready = {});

}  // namespace clitest
