// What an archive holds, as the job would treat each entry: for `ostrel-cli
// info` and for diagnosis. Reads headers only (RAR_SKIP), as the count does,
// over the same walk as the job.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/ArchiveWalk.h"

namespace pipeline {

struct ListedEntry {
    std::string name;  // the name it would land under, UTF-8, `/` between folders
    std::uint64_t size = 0;
    unsigned attr = 0;
    bool counted = false;  // attribute word exactly 0x20
    bool encoded = false;  // counted and named *.EPT: becomes a .EXE image
};

struct ArchiveListing {
    bool opened = false;
    std::vector<ListedEntry> entries;  // up to the first header that cannot be read
    int count = 0;                     // N, the counted entries
    bool brokenHeader = false;
    // How the walk ended, as a job's extraction would see the headers:
    // Damaged for an archive cut short or an entry that cannot be read.
    PassEnd end = PassEnd::NotOpened;
};

// `nativePath`: the plain (descrambled) archive, a path on this system.
ArchiveListing ListArchive(const std::string& nativePath);

}  // namespace pipeline
