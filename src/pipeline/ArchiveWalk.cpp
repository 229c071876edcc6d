#include "pipeline/ArchiveWalk.h"

#include <vector>

#include "pipeline/ArchiveEnd.h"

namespace pipeline {

namespace {
constexpr unsigned kCountedAttr = 0x20;
}

bool IsCountedEntry(const RarEntry& entry) { return entry.attr == kCountedAttr; }

PassEnd WalkArchive(const std::string& nativePath, const EntryVisitor& visit) {
    RarArchive archive(nativePath);
    if (!archive.IsOpen()) return PassEnd::NotOpened;
    const std::vector<NameForm> forms = Rar4NameForms(nativePath);
    std::size_t index = 0;
    RarEntry entry;
    int result = rar::kSuccess;
    while ((result = archive.ReadHeader(entry)) == rar::kSuccess) {
        const NameForm form = index < forms.size() ? forms[index] : NameForm::Unknown;
        ++index;
        const PassEnd end = visit(archive, entry, form);
        if (end != PassEnd::Complete) return end;
    }
    if (result == rar::kBadData) return PassEnd::BrokenHeader;
    if (result != rar::kEndArchive) return PassEnd::Damaged;
    if (IsTruncatedRar5(nativePath) || IsCutRar4Volume(nativePath)) return PassEnd::Damaged;
    return PassEnd::Complete;
}

}  // namespace pipeline
