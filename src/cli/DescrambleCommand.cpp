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

void PrintIdentity(const DeviceInfo& info, bool json) {
    const std::string hex = ToHex(info);
    if (json) {
        JsonObject object;
        object.Add("serial", deviceinfo::Serial(info))
            .Add("sd", deviceinfo::Sd(info))
            .Add("version", deviceinfo::Version(info))
            .Add("device_info", hex);
        std::printf("%s\n", object.str().c_str());
        return;
    }
    std::printf("serial:      %s\n", PrintableText(deviceinfo::Serial(info)).c_str());
    std::printf("sd:          %s\n", PrintableText(deviceinfo::Sd(info)).c_str());
    std::printf("version:     %s\n", PrintableText(deviceinfo::Version(info)).c_str());
    std::printf("device_info: %s\n", hex.c_str());
}

}  // namespace

int RunDescramble(Args args) {
    bool json = false;
    std::vector<std::string> paths;
    for (const auto& word : args) {
        if (word == "--json") {
            json = true;
        } else if (word.size() > 1 && word[0] == '-') {
            std::fprintf(stderr, "ostrel-cli descramble: unknown option '%s'\n%s", word.c_str(),
                         kUsage);
            return 2;
        } else {
            paths.push_back(word);
        }
    }
    if (paths.size() != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    DeviceInfo info{};
    try {
        DescramblePackage(paths[0], paths[1], info);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ostrel-cli descramble: %s\n", error.what());
        return 1;
    }
    PrintIdentity(info, json);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace cli
