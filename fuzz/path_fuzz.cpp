// Fuzzes the drive-form path mapping against a table of declared drives: a
// path maps inside its drive's root, and the drive form of a mapped path maps
// back to the same place.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "platform/Drives.h"
#include "platform/Path.h"

namespace {

using fuzzsupport::Check;

bool IsUnder(const std::filesystem::path& path, const std::filesystem::path& root) {
    const auto relative = path.lexically_normal().lexically_relative(root.lexically_normal());
    return !relative.empty() && *relative.begin() != "..";
}

// A trailing separator names the same folder.
std::filesystem::path Normal(const std::filesystem::path& path) {
    auto normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
    return normal;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static fuzzsupport::ScratchDir dir;
    std::filesystem::create_directories(dir.path() / "e");
    std::filesystem::create_directories(dir.path() / "e" / "g");
    const std::string spec = "E=" + (dir / "e") + ";G=" + (dir / "e") + "/g";
    ::setenv("OSTREL_DRIVES", spec.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (text.find('\0') != std::string::npos) return 0;
    const auto native = platform::ToNativePath(text);
    if (!native || !native->is_absolute()) return 0;
    if (text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':') {
        const auto drive = platform::FindDrive(text[0]);
        Check(drive.has_value() && IsUnder(*native, drive->root));
    }
    const std::string driveForm = platform::ToDrivePath(*native);
    const auto back = platform::ToNativePath(driveForm);
    Check(back && Normal(*back) == Normal(*native));
    return 0;
}
