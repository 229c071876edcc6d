// The commands of ostrel-cli. Each takes the words after its own name and
// returns the process exit status: 0 success, 1 failure, 2 bad usage or a
// refusal before anything was done.
#pragma once

#include <span>
#include <string>

namespace cli {

using Args = std::span<const std::string>;

struct Command {
    const char* name;
    const char* usage;    // one line: the arguments after the name
    const char* summary;  // one line: what it does
    const char* help;     // what `ostrel-cli NAME --help` adds: arguments and results
    int (*run)(Args args);
};

// Every command, in the order the help lists them.
std::span<const Command> AllCommands();

// Why `package` cannot be a package, empty when it can be read as one: it
// does not exist, or it is no regular file (a folder, a device, a pipe).
std::string RefusedPackage(const std::string& package);

}  // namespace cli
