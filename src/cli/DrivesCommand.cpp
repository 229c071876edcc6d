// ostrel-cli drives [--json]: the drive table as the program sees it, with
// what each letter stands for. The first thing to run when a stick is not
// offered.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "cli/Output.h"
#include "platform/Drives.h"

namespace cli {
namespace {

constexpr const char* kUsage = "usage: ostrel-cli drives [--json]\n";

const char* TypeName(const platform::Drive& drive) {
    return drive.removable ? "removable" : "fixed";
}

std::string SizeText(std::optional<std::uint64_t> bytes) {
    if (!bytes) return "size unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%" PRIu64 " bytes (%.1f GiB)", *bytes,
                  static_cast<double>(*bytes) / (1024.0 * 1024.0 * 1024.0));
    return text;
}

std::string MapsTo(const platform::Drive& drive) {
    if (drive.folderBacked) return "folder " + drive.root.string();
    if (drive.device.empty()) return drive.root.string();
    return drive.device + " on " + drive.root.string();
}

std::string JsonDrive(const platform::Drive& drive) {
    const auto bytes = platform::TotalBytes(drive);
    JsonObject object;
    object.Add("letter", std::string(1, drive.letter))
        .Add("root", platform::DriveRootText(drive.letter))
        .Add("type", TypeName(drive));
    if (bytes) {
        object.AddNumber("total_bytes", static_cast<long long>(*bytes));
    } else {
        object.AddJson("total_bytes", "null");
    }
    object.AddBool("folder_backed", drive.folderBacked)
        .Add("device", drive.device)
        .Add(drive.folderBacked ? "folder" : "mount_point", drive.root.string());
    return object.str();
}

void PrintJson(const platform::DriveTable& table) {
    std::string list = "[";
    for (const auto& drive : table.drives) {
        if (list.size() > 1) list += ",";
        list += JsonDrive(drive);
    }
    std::printf("%s]\n", list.c_str());
}

void PrintText(const platform::DriveTable& table) {
    for (const auto& drive : table.drives) {
        std::printf("%s  %-9s  %-32s  %s\n", platform::DriveRootText(drive.letter).c_str(),
                    TypeName(drive), SizeText(platform::TotalBytes(drive)).c_str(),
                    MapsTo(drive).c_str());
    }
}

void PrintProblems(const platform::DriveTable& table) {
    for (const auto& problem : table.problems) {
        std::fprintf(stderr, "ostrel-cli drives: %s\n", problem.c_str());
    }
    for (const auto& device : table.unmounted) {
        std::fprintf(stderr,
                     "ostrel-cli drives: %s is on removable media but not mounted, so it has no "
                     "letter (mount it, e.g. udisksctl mount -b %s)\n",
                     device.c_str(), device.c_str());
    }
    for (const auto& volume : table.fixedUsb) {
        std::fprintf(stderr,
                     "ostrel-cli drives: %s is a USB disk with a fixed medium (a USB hard disk "
                     "or SSD, not a stick), so it is not offered\n",
                     volume.c_str());
    }
    if (table.drives.size() == 1 && table.unmounted.empty()) {
        std::fprintf(stderr,
                     "ostrel-cli drives: no removable drive; is the stick plugged in and mounted? "
                     "(OSTREL_DRIVES=E=/folder declares a folder as drive E:)\n");
    }
}

}  // namespace

int RunDrives(Args args) {
    bool json = false;
    for (const auto& word : args) {
        if (word != "--json") {
            std::fprintf(stderr, "ostrel-cli drives: unknown argument '%s'\n%s", word.c_str(),
                         kUsage);
            return 2;
        }
        json = true;
    }
    const auto table = platform::ReadDriveTable();
    PrintProblems(table);
    if (json) {
        PrintJson(table);
    } else {
        PrintText(table);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace cli
