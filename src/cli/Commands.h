// The commands of ostrel-cli. Each takes the words after its own name and
// returns the process exit status: 0 success, 1 failure, 2 bad usage.
#pragma once

#include <span>
#include <string>

namespace cli {

using Args = std::span<const std::string>;

struct Command {
    const char* name;
    const char* usage;  // one line: the arguments after the name
    int (*run)(Args args);
};

// Every command, in the order the help lists them.
std::span<const Command> AllCommands();

}  // namespace cli
