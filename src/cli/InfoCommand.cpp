// ostrel-cli info PACKAGE [--json]: the device identity a package carries,
// every entry of its archive as the job would treat it, the count N and
// whether the job would accept the package.
#include <cinttypes>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ScratchFolder.h"
#include "encoder/DeviceInfo.h"
#include "pipeline/ArchiveListing.h"
#include "pipeline/Descrambler.h"

namespace cli {
namespace {

constexpr const char* kUsage = "usage: ostrel-cli info PACKAGE [--json]\n";

std::string AttrText(unsigned attr) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%04X", attr);
    return text;
}

std::string EntriesJson(const pipeline::ArchiveListing& listing) {
    std::string array = "[";
    for (const auto& entry : listing.entries) {
        if (array.size() > 1) array += ",";
        JsonObject object;
        object.Add("name", entry.name)
            .AddNumber("size", static_cast<long long>(entry.size))
            .AddNumber("attr", entry.attr)
            .AddBool("counted", entry.counted)
            .AddBool("encoded", entry.encoded);
        array += object.str();
    }
    return array + "]";
}

void PrintJson(const DeviceInfo& info, const pipeline::ArchiveListing& listing) {
    JsonObject object = IdentityJson(info);
    object.AddJson("entries", EntriesJson(listing))
        .AddNumber("count", listing.count)
        .AddBool("accepted", listing.count > 0);
    std::printf("%s\n", object.str().c_str());
}

void PrintText(const DeviceInfo& info, const pipeline::ArchiveListing& listing) {
    PrintIdentity(info);
    std::printf("entries:\n  %-7s %-7s %12s  %-6s  %s\n", "counted", "encoded", "size", "attr",
                "name");
    for (const auto& entry : listing.entries) {
        std::printf("  %-7s %-7s %12" PRIu64 "  %s  %s\n", entry.counted ? "yes" : "no",
                    entry.encoded ? "yes" : "no", entry.size, AttrText(entry.attr).c_str(),
                    entry.name.c_str());
    }
    if (listing.brokenHeader) std::printf("(a broken header ends the list)\n");
    std::printf("count:       %d\n", listing.count);
    std::printf("accepted:    %s\n", listing.count > 0 ? "yes" : "no");
}

}  // namespace

// Exit status 0 when the package would be accepted, 1 when it would be
// rejected or cannot be read, 2 for bad usage.
int RunInfo(Args args) {
    const auto words = ParsePathsAndJson("info", args, 1, kUsage);
    if (!words) return 2;
    const auto& paths = words->paths;
    const bool json = words->json;
    ScratchFolder scratch;
    if (!scratch.Made()) {
        std::fprintf(stderr, "ostrel-cli info: %s\n", scratch.Error().c_str());
        return 1;
    }
    const std::string archive = (scratch.Path() / "TEMP.TMP").string();
    DeviceInfo info{};
    try {
        DescramblePackage(paths[0], archive, info);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ostrel-cli info: %s\n", error.what());
        return 1;
    }
    const pipeline::ArchiveListing listing = pipeline::ListArchive(archive);
    if (json) {
        PrintJson(info, listing);
    } else {
        PrintText(info, listing);
    }
    if (std::fflush(stdout) != 0) return 1;
    return listing.count > 0 ? 0 : 1;
}

}  // namespace cli
