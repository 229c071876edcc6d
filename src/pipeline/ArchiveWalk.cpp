#include "pipeline/ArchiveWalk.h"

#include <algorithm>
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
    const std::vector<Rar4Name> names = Rar4NameForms(nativePath);
    std::size_t index = 0;
    RarEntry entry;
    int result = rar::kSuccess;
    while ((result = archive.ReadHeader(entry)) == rar::kSuccess) {
        const Rar4Name name = index < names.size() ? names[index] : Rar4Name{};
        ++index;
        // The stored bytes as the library hands them back on POSIX: `/`
        // between folders.
        if (!name.stored.empty()) {
            entry.name = name.stored;
            std::replace(entry.name.begin(), entry.name.end(), '\\', '/');
        }
        const NameForm form = name.form;
        const PassEnd end = visit(archive, entry, form);
        if (end != PassEnd::Complete) return end;
    }
    if (result == rar::kBadData) return PassEnd::BrokenHeader;
    if (result != rar::kEndArchive) return PassEnd::Damaged;
    if (IsTruncatedRar5(nativePath) || IsCutRar4Volume(nativePath)) return PassEnd::Damaged;
    return PassEnd::Complete;
}

}  // namespace pipeline
