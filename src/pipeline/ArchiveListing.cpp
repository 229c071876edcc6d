#include "pipeline/ArchiveListing.h"

#include <vector>

#include "pipeline/ArchiveNames.h"
#include "pipeline/Rar4Names.h"
#include "pipeline/RarArchive.h"

namespace pipeline {

namespace {
constexpr unsigned kCountedAttr = 0x20;
}

ArchiveListing ListArchive(const std::string& nativePath) {
    ArchiveListing listing;
    RarArchive archive(nativePath);
    listing.opened = archive.IsOpen();
    if (!listing.opened) return listing;
    const std::vector<NameForm> forms = Rar4NameForms(nativePath);
    std::size_t index = 0;
    RarEntry entry;
    int result = rar::kSuccess;
    while ((result = archive.ReadHeader(entry)) == rar::kSuccess) {
        if (archive.Process(rar::kSkip, std::string()) != rar::kSuccess) break;
        const NameForm form = index < forms.size() ? forms[index] : NameForm::Unknown;
        ++index;
        bool converted = false;
        ListedEntry listed;
        listed.name =
            ContainedPath(LandingName(entry.name, entry.wideName, entry.hostOs, form, converted));
        listed.size = entry.size;
        listed.attr = entry.attr;
        listed.counted = entry.attr == kCountedAttr;
        listed.encoded = listed.counted && HasEptSuffix(listed.name);
        listing.count += listed.counted ? 1 : 0;
        listing.entries.push_back(std::move(listed));
    }
    listing.brokenHeader = result == rar::kBadData;
    return listing;
}

}  // namespace pipeline
