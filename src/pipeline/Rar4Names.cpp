#include "pipeline/Rar4Names.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <utility>

namespace pipeline {

namespace {

constexpr std::array<char, 7> kMarker{'R', 'a', 'r', '!', '\x1A', '\x07', '\x00'};
constexpr unsigned kMainHead = 0x73;
constexpr unsigned kFileHead = 0x74;
constexpr unsigned kEndHead = 0x7B;
constexpr unsigned kEncryptedHeaders = 0x0080;  // main header: -hp archives
constexpr unsigned kLongBlock = 0x8000;
constexpr unsigned kLargeFile = 0x0100;
constexpr unsigned kUnicodeName = 0x0200;
constexpr std::size_t kBaseSize = 7;
constexpr std::size_t kFileFixedSize = 32;

std::uint32_t Little(const unsigned char* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

// The name's bytes after the fixed fields (and the high sizes of a large
// file) of the header at `at`, inside the header; empty when they cannot be
// read.
std::string StoredName(std::ifstream& in, std::uint64_t at, const unsigned char* head,
                       unsigned flags, std::uint32_t size) {
    if (size < kFileFixedSize) return {};
    const std::size_t length = Little(&head[26], 2);
    const std::size_t offset = kFileFixedSize + ((flags & kLargeFile) != 0 ? 8 : 0);
    if (offset + length > size) return {};
    std::string name(length, '\0');
    in.seekg(static_cast<std::streamoff>(at + offset));
    if (!in.read(name.data(), static_cast<std::streamsize>(length))) name.clear();
    in.clear();
    return name.substr(0, name.find('\0'));  // the library ends a name there too
}

}  // namespace

std::vector<Rar4Name> Rar4NameForms(const std::filesystem::path& archive) {
    std::ifstream in(archive, std::ios::binary);
    std::array<char, kMarker.size()> marker{};
    if (!in.read(marker.data(), marker.size()) || marker != kMarker) return {};
    std::vector<Rar4Name> forms;
    std::uint64_t at = kMarker.size();
    std::array<unsigned char, kFileFixedSize + 4> head{};
    // The library passes over every block before the main header, file
    // headers and end included: none of them is an entry.
    bool mainSeen = false;
    while (in.seekg(static_cast<std::streamoff>(at)) &&
           in.read(reinterpret_cast<char*>(head.data()), kBaseSize)) {
        const unsigned type = head[2];
        const unsigned flags = Little(&head[3], 2);
        const std::uint32_t size = Little(&head[5], 2);
        if (size < kBaseSize) break;
        if (type == kMainHead && (flags & kEncryptedHeaders) != 0) return {};
        mainSeen = mainSeen || type == kMainHead;
        if (type == kEndHead && mainSeen) break;
        std::uint64_t added = 0;
        if (type == kFileHead || (flags & kLongBlock) != 0) {
            // A file header may be shorter than the room for its high sizes.
            const std::size_t wanted =
                type == kFileHead ? std::min<std::size_t>(size, head.size()) : kBaseSize + 4;
            in.read(reinterpret_cast<char*>(head.data()) + kBaseSize,
                    static_cast<std::streamsize>(wanted - kBaseSize));
            if (!in) break;
            added = Little(&head[7], 4);
            if (type == kFileHead && (flags & kLargeFile) != 0) {
                added |= std::uint64_t{Little(&head[kFileFixedSize], 4)} << 32;
            }
        }
        if (type == kFileHead && mainSeen) {
            Rar4Name name;
            name.form = (flags & kUnicodeName) != 0 ? NameForm::Unicode : NameForm::CodePage;
            if (name.form == NameForm::CodePage)
                name.stored = StoredName(in, at, head.data(), flags, size);
            forms.push_back(std::move(name));
        }
        at += size + added;
    }
    return forms;
}

}  // namespace pipeline
