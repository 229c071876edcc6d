#include "cli/Commands.h"

#include <array>
#include <filesystem>

#include "platform/Path.h"

namespace cli {

// Defined one per file: DescrambleCommand.cpp, EncodeCommand.cpp, ...
int RunDescramble(Args args);
int RunEncode(Args args);
int RunDrives(Args args);
int RunInfo(Args args);
int RunWrite(Args args);

namespace {

constexpr const char* kDrivesHelp =
    "Lists the drives as the program sees them: the letter, removable or fixed, the\n"
    "total size, and the device and mount point (or folder) behind it. Removable\n"
    "devices that are plugged in but not mounted are named on standard error, as\n"
    "are OSTREL_DRIVES entries that were skipped.\n"
    "  --json   one JSON array of the drives\n"
    "Exit status: 0, or 1 when the list cannot be written.\n";

constexpr const char* kInfoHelp =
    "Descrambles PACKAGE into a private temporary folder and prints the device\n"
    "identity it carries (serial number, sd number, version, the 44 bytes), every\n"
    "archive entry with its size and attribute word and whether it is counted and\n"
    "encoded, the count, whether an upgrade would accept the package and, when\n"
    "not, why.\n"
    "  --json   one JSON object instead of text\n"
    "Exit status: 0 accepted, 1 rejected or unreadable, 2 bad usage or PACKAGE\n"
    "missing or not a regular file.\n";

constexpr const char* kWriteHelp =
    "Runs the whole upgrade of PACKAGE onto TARGET, as 开始升级 does: descramble,\n"
    "extract, encode every .EPT into a .EXE image, copy to TARGET, flush, check.\n"
    "Scratch data goes to a private temporary folder and is removed. The windows'\n"
    "messages and a progress line go to standard error, then one summary line\n"
    "and 升级成功！ or 升级失败！.\n"
    "  --format   format TARGET first, as the answer 是 does (FAT up to 2048 MB,\n"
    "             FAT32 above; the choice is said on standard output first);\n"
    "             TARGET must then be a removable drive root\n"
    "Exit status: 0 only for a complete upgrade, 1 failure, 2 bad usage or a\n"
    "refusal before anything was written, 128+N stopped by signal N.\n";

constexpr const char* kDescrambleHelp =
    "Writes the plain archive inside PACKAGE to OUT and prints the device\n"
    "identity it carries.\n"
    "  --json   the identity as one JSON object\n"
    "Exit status: 0, 1 failure, 2 bad usage or PACKAGE missing or not a regular\n"
    "file.\n";

constexpr const char* kEncodeHelp =
    "Turns one .EPT file into its device image, stamped with DEVICE_INFO_HEX (the\n"
    "44 bytes of a package's identity as 88 hexadecimal digits, as info prints\n"
    "them), written beside it as .EXE; prints the image's path.\n"
    "Exit status: 0, 1 failure, 2 bad usage.\n";

}  // namespace

std::span<const Command> AllCommands() {
    static constexpr std::array commands{
        Command{"drives", "[--json]", "the drives, and what each letter stands for", kDrivesHelp,
                RunDrives},
        Command{"info", "PACKAGE [--json]",
                "a package's device identity and entries, and whether it would be accepted",
                kInfoHelp, RunInfo},
        Command{"write", "[--format] PACKAGE TARGET", "the whole upgrade onto TARGET", kWriteHelp,
                RunWrite},
        Command{"descramble", "PACKAGE OUT [--json]",
                "the plain archive of a package, and its identity", kDescrambleHelp, RunDescramble},
        Command{"encode", "EPT DEVICE_INFO_HEX", "one .EPT file into its device image", kEncodeHelp,
                RunEncode},
    };
    return commands;
}

std::string RefusedPackage(const std::string& package) {
    namespace fs = std::filesystem;
    const auto native = platform::ToNativePath(package);
    if (!native) return "no such file";
    std::error_code ec;
    const fs::file_status status = fs::status(*native, ec);
    if (status.type() == fs::file_type::not_found) return "no such file";
    if (ec) return ec.message();
    if (fs::is_directory(status)) return "a folder, not a package";
    if (!fs::is_regular_file(status)) return "not a regular file (a device, pipe or socket)";
    return {};
}

}  // namespace cli
