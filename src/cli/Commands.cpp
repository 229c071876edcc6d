#include "cli/Commands.h"

#include <array>

namespace cli {

// Defined one per file: DescrambleCommand.cpp, EncodeCommand.cpp, ...
int RunDescramble(Args args);
int RunEncode(Args args);
int RunDrives(Args args);
int RunInfo(Args args);
int RunWrite(Args args);

std::span<const Command> AllCommands() {
    static constexpr std::array commands{
        Command{"descramble", "PACKAGE OUT [--json]", RunDescramble},
        Command{"encode", "EPT DEVICE_INFO_HEX", RunEncode},
        Command{"drives", "[--json]", RunDrives},
        Command{"info", "PACKAGE [--json]", RunInfo},
        Command{"write", "[--format] PACKAGE TARGET", RunWrite},
    };
    return commands;
}

}  // namespace cli
