#include "platform/Drives.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>

#include "platform/Path.h"

namespace platform {
namespace {

constexpr std::string_view kSizeOption = ":size=";

Drive SystemDrive() {
    Drive c;
    c.letter = 'C';
    c.root = "/";
    return c;
}

char UpperLetter(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool IsDriveLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

std::vector<std::string_view> SplitEntries(std::string_view spec) {
    std::vector<std::string_view> entries;
    while (!spec.empty()) {
        const auto end = spec.find(';');
        entries.push_back(spec.substr(0, end));
        if (end == std::string_view::npos) break;
        spec.remove_prefix(end + 1);
    }
    return entries;
}

bool LetterTaken(const std::vector<Drive>& drives, char letter) {
    return std::any_of(drives.begin(), drives.end(),
                       [letter](const Drive& d) { return d.letter == letter; });
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Folders of the system itself: a drive there would be emptied by a format.
bool IsSystemFolder(const std::filesystem::path& folder) {
    static const char* const kSystem[] = {"/",    "/bin",   "/boot",  "/dev",    "/etc",   "/home",
                                          "/lib", "/lib32", "/lib64", "/libx32", "/media", "/mnt",
                                          "/opt", "/proc",  "/root",  "/run",    "/sbin",  "/srv",
                                          "/sys", "/tmp",   "/usr",   "/var"};
    for (const char* system : kSystem) {
        if (folder == system) return true;
    }
    const char* home = std::getenv("HOME");
    std::error_code ec;
    return home != nullptr && *home != '\0' &&
           std::filesystem::equivalent(folder, std::filesystem::path(home), ec);
}

// Why a declared folder may not stand for a stick; empty when it may. A
// format empties the drive's folder, so it must be a folder of its own.
std::string UnsafeDeclaredFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    const auto real = std::filesystem::canonical(folder, ec);
    if (ec) return "not an existing absolute folder";
    if (IsSystemFolder(real)) return "a folder of the system, not one of its own";
    if (IsInside(ModulePath(), real)) return "it holds this program and its scratch data";
    return {};
}

// One "E=/folder[:size=4G]" entry; a problem text when it cannot be used.
std::string AddDeclaredDrive(std::string_view entry, std::vector<Drive>& drives) {
    const std::string text(entry);
    if (entry.size() < 3 || !IsDriveLetter(entry[0]) || entry[1] != '=') {
        return "'" + text + "': expected LETTER=/folder[:size=N]";
    }
    Drive drive;
    drive.letter = UpperLetter(entry[0]);
    drive.removable = true;
    drive.folderBacked = true;
    std::string_view folder = entry.substr(2);
    if (const auto at = folder.rfind(kSizeOption); at != std::string_view::npos) {
        const auto size = ParseSize(folder.substr(at + kSizeOption.size()));
        if (!size || *size == 0) {
            return "'" + text +
                   "': size is not a positive number of bytes (digits, then "
                   "optionally K, M, G or T, as in size=4G)";
        }
        drive.declaredBytes = *size;
        folder = folder.substr(0, at);
    }
    if (drive.letter == 'C') return "'" + text + "': C: is the root file system";
    if (LetterTaken(drives, drive.letter)) return "'" + text + "': letter declared twice";
    std::error_code ec;
    drive.root = std::filesystem::path(folder).lexically_normal();
    if (!drive.root.is_absolute() || !std::filesystem::is_directory(drive.root, ec)) {
        return "'" + text + "': not an existing absolute folder";
    }
    if (!drive.root.has_filename() && drive.root != "/") {
        drive.root = drive.root.parent_path();  // a trailing '/'
    }
    if (const auto unsafe = UnsafeDeclaredFolder(drive.root); !unsafe.empty()) {
        return "'" + text + "': " + unsafe;
    }
    drives.push_back(std::move(drive));
    return {};
}

// The unmounted devices are only a diagnosis; the path calls skip them.
DriveTable DetectedVolumes(bool withUnmounted) {
    const auto mounts = ParseMountInfo(ReadText("/proc/self/mountinfo"));
    DriveTable table{RemovableVolumes(mounts, "/sys"), {}, {}, {}};
    if (withUnmounted) {
        table.unmounted = UnmountedRemovableDevices(mounts, "/sys");
        table.fixedUsb = FixedUsbVolumes(mounts, "/sys");
    }
    return table;
}

DriveTable ReadTable(bool withUnmounted) {
    DriveTable table;
    if (const char* spec = std::getenv("OSTREL_DRIVES")) {
        table = ParseDriveSpec(spec);
    } else {
        table = DetectedVolumes(withUnmounted);
    }
    table.drives.insert(table.drives.begin(), SystemDrive());
    return table;
}

std::optional<std::uint64_t> FileSystemBytes(const std::filesystem::path& root) {
    struct statvfs info {};
    if (statvfs(root.c_str(), &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.f_blocks) * info.f_frsize;
}

}  // namespace

std::optional<std::uint64_t> ParseSize(std::string_view text) {
    std::uint64_t value = 0;
    const auto* end = text.data() + text.size();
    const auto [rest, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || rest == text.data()) return std::nullopt;
    std::string_view unit(rest, static_cast<std::size_t>(end - rest));
    if (unit.size() == 2 && (unit[1] == 'B' || unit[1] == 'b')) unit.remove_suffix(1);
    if (unit.size() > 1) return std::nullopt;
    int shift = 0;
    if (!unit.empty()) {
        const auto at = std::string_view("KMGT").find(UpperLetter(unit[0]));
        if (at == std::string_view::npos) return std::nullopt;
        shift = 10 * static_cast<int>(at + 1);
    }
    if (value > (std::numeric_limits<std::uint64_t>::max() >> shift)) return std::nullopt;
    return value << shift;
}

DriveTable ParseDriveSpec(std::string_view spec) {
    DriveTable table;
    for (const auto entry : SplitEntries(spec)) {
        if (entry.empty()) continue;
        auto problem = AddDeclaredDrive(entry, table.drives);
        if (!problem.empty()) table.problems.push_back("OSTREL_DRIVES " + problem + "; skipped");
    }
    std::sort(table.drives.begin(), table.drives.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    return table;
}

DriveTable ReadDriveTable() { return ReadTable(true); }

std::vector<Drive> Drives() { return ReadTable(false).drives; }

std::optional<Drive> FindDrive(char letter) {
    letter = UpperLetter(letter);
    // C: never needs the mount table; paths under it are the common case.
    if (letter == 'C') return SystemDrive();
    for (auto& drive : Drives()) {
        if (drive.letter == letter) return drive;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> TotalBytes(const Drive& drive) {
    if (drive.declaredBytes != 0) return drive.declaredBytes;
    if (auto bytes = FileSystemBytes(drive.root)) return bytes;
    if (drive.deviceBytes != 0) return drive.deviceBytes;
    return std::nullopt;
}

}  // namespace platform
