// ostrel-cli encode EPT DEVICE_INFO_HEX: the device image of one .EPT file,
// written beside it.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/Commands.h"
#include "cli/Output.h"
#include "encoder/DeviceInfo.h"
#include "encoder/Encrypt.h"

namespace cli {
namespace {

constexpr const char* kUsage = "usage: ostrel-cli encode EPT DEVICE_INFO_HEX\n";

bool HasEptExtension(const std::string& path) {
    if (path.size() < 4) return false;
    std::string extension = path.substr(path.size() - 4);
    for (char& c : extension) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return extension == ".EPT";
}

int UsageError(const char* message) {
    std::fprintf(stderr, "ostrel-cli encode: %s\n%s", message, kUsage);
    return 2;
}

}  // namespace

int RunEncode(Args args) {
    if (args.size() != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string& eptPath = args[0];
    // The image name is the .EPT name with its extension replaced; other names
    // could make the image overwrite an unrelated file.
    if (!HasEptExtension(eptPath)) return UsageError("EPT must name a file ending in .EPT");
    const auto bytes = ParseHex(args[1]);
    if (!bytes || bytes->size() != DeviceInfo{}.size()) {
        return UsageError("DEVICE_INFO_HEX must be 88 hexadecimal digits (44 bytes)");
    }
    DeviceInfo info{};
    std::copy(bytes->begin(), bytes->end(), info.begin());

    const std::string imagePath = Encrypt::ImagePath(eptPath);
    Encrypt encoder(eptPath, &info);
    if (!encoder.Encode()) {
        std::fprintf(stderr, "ostrel-cli encode: cannot encode %s into %s: %s\n", eptPath.c_str(),
                     imagePath.c_str(), std::strerror(errno));
        return 1;
    }
    std::printf("%s\n", imagePath.c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace cli
