// ostrel-cli: the upgrade pipeline without windows, for service shops,
// scripts and diagnosis.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "pipeline/ArchiveNames.h"
#include "platform/Stream.h"
#include "platform/TimeZone.h"
#include "platform/Version.h"

namespace {

constexpr const char* kAbout =
    "Prepares a USB stick from which a T512/T508 handheld upgrades itself, as the\n"
    "Ostrel program does, without windows.\n";

constexpr const char* kTarget =
    "\n"
    "TARGET is the root of a drive of the drive list (E:\\, also E: or E:/) or a\n"
    "folder; the system drive C:\\ itself and a folder that holds the package are\n"
    "refused. PACKAGE is the maker's upgrade package (.rar).\n";

// Windows' drive list is the system's own: nothing declares drives there.
constexpr const char* kEnvironment =
    "\n"
    "environment:\n"
    "  OSTREL_DRIVES  replaces the detection of removable drives, for tests and\n"
    "                 demonstrations: entries LETTER=/folder[:size=N] separated by\n"
    "                 ';', N in bytes or with K, M, G or T (E=/tmp/stick:size=4G);\n"
    "                 empty for no removable drive\n";

constexpr const char* kExitStatus =
    "\n"
    "exit status:\n"
    "  0      success (info: the package would be accepted)\n"
    "  1      failure (info: the package would be rejected)\n"
    "  2      bad usage, or a refusal before anything was done\n"
    "  128+N  write stopped by signal N\n";

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: ostrel-cli COMMAND [ARGS]\n"
                 "       ostrel-cli COMMAND --help\n"
                 "       ostrel-cli --version\n\ncommands:\n");
    for (const auto& command : cli::AllCommands()) {
        std::fprintf(out, "  %s %s\n      %s\n", command.name, command.usage, command.summary);
    }
}

void PrintHelp() {
    std::fputs(kAbout, stdout);
    std::fputs("\n", stdout);
    PrintUsage(stdout);
    std::fputs(kTarget, stdout);
#ifndef _WIN32
    std::fputs(kEnvironment, stdout);
#endif
    std::fputs(kExitStatus, stdout);
}

void PrintCommandHelp(const cli::Command& command) {
    std::printf("usage: ostrel-cli %s %s\n\n%s", command.name, command.usage, command.help);
}

bool AsksForHelp(const std::vector<std::string>& words) {
    for (const auto& word : words) {
        if (word == "--help" || word == "-h") return true;
    }
    return false;
}

int Finish() { return std::fflush(stdout) == 0 ? 0 : 1; }

}  // namespace

int main(int argc, char** argv) {
    platform::PinLocalTimeZone();
    pipeline::UseUtf8Locale();
    platform::UseBinaryStandardStreams();
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        PrintUsage(stderr);
        return 2;
    }
    if (words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        PrintHelp();
        return Finish();
    }
    if (words[0] == "--version") {
        std::printf("ostrel-cli %s\n", OSTREL_VERSION);
        return Finish();
    }
    for (const auto& command : cli::AllCommands()) {
        if (words[0] != command.name) continue;
        if (AsksForHelp(words)) {
            PrintCommandHelp(command);
            return Finish();
        }
        return command.run(cli::Args(words).subspan(1));
    }
    std::fprintf(stderr, "ostrel-cli: unknown command '%s'\n", words[0].c_str());
    PrintUsage(stderr);
    return 2;
}
