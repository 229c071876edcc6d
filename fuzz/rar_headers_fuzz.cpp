// Fuzzes our own RAR 4 name-form reader and RAR 5 end check. Each answers only
// for its own format, and the RAR 4 forms line up with the entries the
// library reports, since the passes pair them by position.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "pipeline/ArchiveEnd.h"
#include "pipeline/Rar4Names.h"
#include "pipeline/RarArchive.h"

namespace {

using fuzzsupport::Check;

constexpr std::string_view kRar4Marker{"Rar!\x1A\x07\x00", 7};
constexpr std::string_view kRar5Marker{"Rar!\x1A\x07\x01\x00", 8};

// The entries the library reads up to the archive's end; -1 when it stops
// at anything else.
int LibraryEntries(const std::string& path) {
    pipeline::RarArchive archive(path);
    if (!archive.IsOpen()) return -1;
    pipeline::RarEntry entry;
    int count = 0;
    int result = pipeline::rar::kSuccess;
    while ((result = archive.ReadHeader(entry)) == pipeline::rar::kSuccess) {
        if (archive.Process(pipeline::rar::kSkip, std::string()) != pipeline::rar::kSuccess) {
            return -1;
        }
        ++count;
    }
    return result == pipeline::rar::kEndArchive ? count : -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::ScratchDir dir;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = dir / "archive.rar";
    fuzzsupport::WriteBytes(path, bytes);

    const auto forms = pipeline::Rar4NameForms(path);
    if (!forms.empty()) {
        Check(bytes.substr(0, kRar4Marker.size()) == kRar4Marker);
        // The library takes a file header shorter than its fixed fields as an
        // entry too, so the only bound is the seven bytes every header has.
        Check(forms.size() <= (size - kRar4Marker.size()) / 7);
        const int entries = LibraryEntries(path);
        Check(entries < 0 || static_cast<std::size_t>(entries) == forms.size());
    }
    if (pipeline::IsTruncatedRar5(path)) {
        Check(bytes.substr(0, kRar5Marker.size()) == kRar5Marker);
    }
    return 0;
}
