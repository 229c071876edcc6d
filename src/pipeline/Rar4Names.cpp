#include "pipeline/Rar4Names.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>

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

}  // namespace

std::vector<NameForm> Rar4NameForms(const std::filesystem::path& archive) {
    std::ifstream in(archive, std::ios::binary);
    std::array<char, kMarker.size()> marker{};
    if (!in.read(marker.data(), marker.size()) || marker != kMarker) return {};
    std::vector<NameForm> forms;
    std::uint64_t at = kMarker.size();
    std::array<unsigned char, kFileFixedSize + 4> head{};
    while (in.seekg(static_cast<std::streamoff>(at)) &&
           in.read(reinterpret_cast<char*>(head.data()), kBaseSize)) {
        const unsigned type = head[2];
        const unsigned flags = Little(&head[3], 2);
        const std::uint32_t size = Little(&head[5], 2);
        if (size < kBaseSize) break;
        if (type == kMainHead && (flags & kEncryptedHeaders) != 0) return {};
        if (type == kEndHead) break;
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
        if (type == kFileHead) {
            forms.push_back((flags & kUnicodeName) != 0 ? NameForm::Unicode : NameForm::CodePage);
        }
        at += size + added;
    }
    return forms;
}

}  // namespace pipeline
