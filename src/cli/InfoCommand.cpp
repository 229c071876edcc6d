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

// Why an upgrade would refuse the package, empty when it would take it: the
// job counts the entries first and fails on an archive it cannot walk to its end.
std::string RejectionReason(const pipeline::ArchiveListing& listing) {
    if (!listing.opened) {
        return "not a RAR archive after descrambling (not an upgrade package, or a damaged one)";
    }
    if (listing.end == pipeline::PassEnd::BrokenHeader ||
        listing.end == pipeline::PassEnd::Damaged) {
        // The walk lists an entry only once it was read whole.
        if (listing.entries.empty()) return "damaged at its first entry";
        return "damaged after entry " + std::to_string(listing.entries.size()) +
               " (cut short, or the next entry cannot be read)";
    }
    if (listing.count == 0) {
        return "no entry with the attribute word 0x20 (a plain archived file), so nothing to copy";
    }
    return {};
}

void PrintJson(const DeviceInfo& info, const pipeline::ArchiveListing& listing) {
    const std::string reason = RejectionReason(listing);
    JsonObject object = IdentityJson(info);
    object.AddJson("entries", EntriesJson(listing))
        .AddNumber("count", listing.count)
        .AddBool("accepted", reason.empty());
    if (!reason.empty()) object.Add("reason", reason);
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
    const std::string reason = RejectionReason(listing);
    std::printf("accepted:    %s\n", reason.empty() ? "yes" : "no");
    if (!reason.empty()) std::printf("reason:      %s\n", reason.c_str());
}

}  // namespace

// Exit status 0 when the package would be accepted, 1 when it would be
// rejected or cannot be read, 2 for bad usage.
int RunInfo(Args args) {
    const auto words = ParsePathsAndJson("info", args, 1, kUsage);
    if (!words) return 2;
    const auto& paths = words->paths;
    const bool json = words->json;
    if (const auto refused = RefusedPackage(paths[0]); !refused.empty()) {
        std::fprintf(stderr, "ostrel-cli info: %s: %s\n", paths[0].c_str(), refused.c_str());
        return 2;
    }
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
    return RejectionReason(listing).empty() ? 0 : 1;
}

}  // namespace cli
