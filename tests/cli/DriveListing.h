// What a job left on a drive, as text both builds can compare: one line per
// entry, "path<TAB>size<TAB>crc32" ('/' between folders, "-" for a folder's
// size and checksum), sorted by path. tests/cli/fixture-trees.txt holds the
// listing the Linux build gives for each shared fixture, so that the Windows
// build is held to the same drive.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace clitest {

// What a folder holds: relative path ('/' between folders) -> size, folders
// as -1.
using Tree = std::map<std::string, long long>;
Tree TreeOf(const std::filesystem::path& root);

// What the bundled sample package puts on a drive.
Tree SampleTree();

std::string DriveListing(const std::filesystem::path& root);

// The fixtures whose listings fixture-trees.txt keeps.
const std::vector<std::string>& ListedFixtures();

// The kept listing of one fixture; empty when it has none.
std::string KeptListing(const std::string& fixture);

// Writes every listing anew (OSTREL_UPDATE_TREES=1 on the Linux build).
void KeepListings(const std::vector<std::pair<std::string, std::string>>& listings);

}  // namespace clitest
