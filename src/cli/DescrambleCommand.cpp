// ostrel-cli descramble PACKAGE OUT [--json]: the plain archive and the
// device identity of an upgrade package.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Output.h"
#include "encoder/DeviceInfo.h"
#include "pipeline/Descrambler.h"
#include "platform/File.h"

namespace cli {
namespace {

constexpr const char* kUsage = "usage: ostrel-cli descramble PACKAGE OUT [--json]\n";

}  // namespace

int RunDescramble(Args args) {
    const auto words = ParsePathsAndJson("descramble", args, 2, kUsage);
    if (!words) return 2;
    const auto& paths = words->paths;
    if (const auto refused = RefusedPackage(paths[0]); !refused.empty()) {
        std::fprintf(stderr, "ostrel-cli descramble: %s: %s\n", paths[0].c_str(), refused.c_str());
        return 2;
    }
    DeviceInfo info{};
    try {
        DescramblePackage(paths[0], paths[1], info);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ostrel-cli descramble: %s\n", error.what());
        return 1;
    }
    if (words->json) {
        std::printf("%s\n", IdentityJson(info).str().c_str());
    } else {
        PrintIdentity(info);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace cli
