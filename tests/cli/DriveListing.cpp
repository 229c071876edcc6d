#include "cli/DriveListing.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>

#include "platform/Utf8.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"

namespace clitest {
namespace {

namespace fs = std::filesystem;

const fs::path kKeptFile = fs::path(OSTREL_SOURCE_DIR) / "tests" / "cli" / "fixture-trees.txt";

std::string Portable(const fs::path& relative) {
    std::string text = platform::Utf8Text(relative);
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

std::string EntryLine(const fs::directory_entry& entry, const fs::path& root) {
    const std::string path = Portable(fs::relative(entry.path(), root));
    if (entry.is_directory()) return path + "\t-\t-";
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x",
                  static_cast<unsigned>(testsupport::Crc32(testsupport::ReadFile(entry.path()))));
    return path + "\t" + std::to_string(entry.file_size()) + "\t" + crc;
}

// Section "[fixture]" then its lines, as KeepListings writes them.
std::map<std::string, std::string> ReadKept() {
    std::map<std::string, std::string> kept;
    std::ifstream in(kKeptFile);
    std::string line, section;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
        } else {
            kept[section] += line + "\n";
        }
    }
    return kept;
}

// An empty drive root reads as missing on Windows (see testsupport::Empty).
fs::recursive_directory_iterator Walk(const fs::path& root) {
    std::error_code ec;
    fs::recursive_directory_iterator walk(root, ec);
    if (!ec) return walk;
    if (fs::is_directory(root)) return {};
    throw fs::filesystem_error("cannot list", root, ec);
}

}  // namespace

Tree TreeOf(const fs::path& root) {
    Tree tree;
    for (const auto& e : Walk(root)) {
        tree[Portable(fs::relative(e.path(), root))] =
            e.is_directory() ? -1 : static_cast<long long>(e.file_size());
    }
    return tree;
}

Tree SampleTree() {
    return {{"BOOT.EXE", 16385},      {"KERNEL.EXE", 65537}, {"DICT.EXE", 24577},
            {"VERSION.TXT", 20},      {"说明.TXT", 43},      {"FONT", -1},
            {"FONT/GB2312.FNT", 8192}};
}

std::string DriveListing(const fs::path& root) {
    std::vector<std::string> lines;
    for (const auto& entry : Walk(root)) {
        lines.push_back(EntryLine(entry, root));
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

const std::vector<std::string>& ListedFixtures() {
    static const std::vector<std::string> names{
        "la_rar_binary_data.rar",   "la_rar_compress_best.rar",
        "la_rar_filter.rar",        "la_rar_multi_lzss_blocks.rar",
        "la_rar_noeof.rar",         "la_rar_unicode.rar",
        "la_rar_windows.rar",       "rf_rar3-readonly-win.rar",
        "rf_rar3-solid.rar",        "rf_rar3-subdirs.rar",
        "rf_rar5-readonly-win.rar", "rf_rar5-subdirs.rar",
        "rf_seektest.rar"};
    return names;
}

std::string KeptListing(const std::string& fixture) {
    static const std::map<std::string, std::string> kept = ReadKept();
    const auto found = kept.find(fixture);
    return found == kept.end() ? std::string() : found->second;
}

void KeepListings(const std::vector<std::pair<std::string, std::string>>& listings) {
    std::ofstream out(kKeptFile, std::ios::binary);
    out << "# What `ostrel-cli write` puts on the drive for each shared fixture (its\n"
           "# entries made Windows files), as the Linux build gives it. Both builds'\n"
           "# tests compare with it; OSTREL_UPDATE_TREES=1 on the Linux test writes it.\n";
    for (const auto& [fixture, listing] : listings) out << "[" << fixture << "]\n" << listing;
}

}  // namespace clitest
