#include "pipeline/ArchiveListing.h"

#include "pipeline/ArchiveNames.h"

namespace pipeline {

ArchiveListing ListArchive(const std::string& nativePath) {
    ArchiveListing listing;
    listing.end =
        WalkArchive(nativePath, [&](RarArchive& archive, const RarEntry& entry, NameForm form) {
            if (archive.Process(rar::kSkip, std::string()) != rar::kSuccess)
                return PassEnd::Damaged;
            bool converted = false;
            ListedEntry listed;
            listed.name = ContainedPath(
                LandingName(entry.name, entry.wideName, entry.hostOs, form, converted));
            listed.size = entry.size;
            listed.attr = entry.attr;
            listed.counted = IsCountedEntry(entry);
            listed.encoded = listed.counted && HasEptSuffix(listed.name);
            listing.count += listed.counted ? 1 : 0;
            listing.entries.push_back(std::move(listed));
            return PassEnd::Complete;
        });
    listing.opened = listing.end != PassEnd::NotOpened;
    listing.brokenHeader = listing.end == PassEnd::BrokenHeader;
    return listing;
}

}  // namespace pipeline
