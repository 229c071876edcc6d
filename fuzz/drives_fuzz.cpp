// Fuzzes the mountinfo, OSTREL_DRIVES and size parsers with the same text.
// Declared drives are existing folders of their own with distinct letters
// from D: on; sizes agree with their units.
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "platform/Drives.h"

namespace {

using fuzzsupport::Check;

void CheckMountInfo(std::string_view text) {
    for (const auto& mount : platform::ParseMountInfo(text)) {
        Check(!mount.target.empty());
    }
}

void CheckDriveSpec(std::string_view text) {
    const auto table = platform::ParseDriveSpec(text);
    std::set<char> letters;
    for (const auto& drive : table.drives) {
        Check(drive.letter >= 'D' && drive.letter <= 'Z');
        Check(letters.insert(drive.letter).second);
        Check(drive.folderBacked && drive.removable);
        Check(drive.root.is_absolute() && drive.root != "/");
        std::error_code ec;
        Check(std::filesystem::is_directory(drive.root, ec));
    }
}

// A number with a unit is the plain number times the unit's power of 1024.
void CheckSize(std::string_view text) {
    const auto size = platform::ParseSize(text);
    if (!size) return;
    Check(!text.empty() && text.front() >= '0' && text.front() <= '9');
    const std::size_t digits = text.find_first_not_of("0123456789");
    if (digits == std::string_view::npos) return;
    const auto plain = platform::ParseSize(text.substr(0, digits));
    Check(plain.has_value());
    const char unit = static_cast<char>(text[digits] & ~0x20);
    const int shift = 10 * static_cast<int>(std::string_view("KMGT").find(unit) + 1);
    Check(shift >= 10 && shift <= 40);
    Check(*plain <= (std::numeric_limits<std::uint64_t>::max() >> shift));
    Check(*size == *plain << shift);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckMountInfo(text);
    CheckDriveSpec(text);
    CheckSize(text);
    return 0;
}
