// ostrel-cli: the upgrade pipeline without windows, for service shops,
// scripts and diagnosis.
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace {

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: ostrel-cli COMMAND [ARGS]\n\ncommands:\n");
    for (const auto& command : cli::AllCommands()) {
        std::fprintf(out, "  %s %s\n", command.name, command.usage);
    }
}

// Archive names come back from the UnRAR library in the current locale;
// without a UTF-8 one, non-ASCII names would come back empty.
void UseUtf8Locale() {
    const char* chosen = std::setlocale(LC_ALL, "");
    std::string name = chosen ? chosen : "";
    if (name.find("UTF-8") == std::string::npos && name.find("utf8") == std::string::npos) {
        std::setlocale(LC_ALL, "C.UTF-8");
    }
}

}  // namespace

int main(int argc, char** argv) {
    UseUtf8Locale();
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        PrintUsage(words.empty() ? stderr : stdout);
        return words.empty() ? 2 : 0;
    }
    for (const auto& command : cli::AllCommands()) {
        if (words[0] == command.name) {
            return command.run(cli::Args(words).subspan(1));
        }
    }
    std::fprintf(stderr, "ostrel-cli: unknown command '%s'\n", words[0].c_str());
    PrintUsage(stderr);
    return 2;
}
