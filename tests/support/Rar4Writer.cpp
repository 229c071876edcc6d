#include "support/Rar4Writer.h"

#include <array>
#include <cstdlib>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr std::string_view kRar4Marker{"Rar!\x1A\x07\x00", 7};
constexpr std::string_view kRar5Marker{"Rar!\x1A\x07\x01\x00", 8};
constexpr std::uint8_t kMainHead = 0x73;
constexpr std::uint8_t kFileHead = 0x74;
constexpr std::uint8_t kEndHead = 0x7B;
constexpr std::uint16_t kLongBlock = 0x8000;
constexpr std::uint16_t kDirectoryFlags = 0x00E0;
constexpr std::uint8_t kStoreMethod = 0x30;
constexpr std::uint8_t kUnpackVersion = 29;
constexpr std::uint32_t kDosTime = 0x5A8E6000;  // 2025-04-14 12:00

const std::array<std::uint32_t, 256>& CrcTable() {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    return table;
}

void Put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::uint32_t Get16(const std::string& s, std::size_t at) {
    return static_cast<std::uint8_t>(s.at(at)) | (static_cast<std::uint8_t>(s.at(at + 1)) << 8);
}

std::uint32_t Get32(const std::string& s, std::size_t at) {
    return Get16(s, at) | (Get16(s, at + 2) << 16);
}

void Set16(std::string& s, std::size_t at, std::uint32_t v) {
    s.at(at) = static_cast<char>(v & 0xFF);
    s.at(at + 1) = static_cast<char>((v >> 8) & 0xFF);
}

void Set32(std::string& s, std::size_t at, std::uint32_t v) {
    Set16(s, at, v & 0xFFFF);
    Set16(s, at + 2, v >> 16);
}

// A RAR 4 block: checksum, then the header body from its type on.
std::string Block(const std::string& body, bool badCrc = false) {
    std::string block;
    std::uint32_t crc = Crc32(body) & 0xFFFF;
    if (badCrc) crc ^= 0x5A5A;
    Put16(block, crc);
    return block + body;
}

std::string MainHeader(std::uint16_t flags = 0) {
    std::string body;
    body.push_back(static_cast<char>(kMainHead));
    Put16(body, flags);
    Put16(body, 13);
    Put16(body, 0);
    Put32(body, 0);
    return Block(body);
}

std::string EndHeader() {
    std::string body;
    body.push_back(static_cast<char>(kEndHead));
    Put16(body, 0x4000);
    Put16(body, 7);
    return Block(body);
}

std::string FileHeader(const Rar4Entry& e) {
    constexpr std::size_t kFixedSize = 32;
    std::string body;
    body.push_back(static_cast<char>(kFileHead));
    Put16(body, kLongBlock | (e.directory ? kDirectoryFlags : 0));
    Put16(body, static_cast<std::uint32_t>(kFixedSize + e.name.size()));
    Put32(body, static_cast<std::uint32_t>(e.data.size()));  // packed = unpacked: stored
    Put32(body, static_cast<std::uint32_t>(e.data.size()));
    body.push_back(static_cast<char>(e.hostOs));
    Put32(body, Crc32(e.data) ^ (e.badDataCrc ? 0xFFFFFFFFu : 0u));
    Put32(body, kDosTime);
    body.push_back(static_cast<char>(kUnpackVersion));
    body.push_back(static_cast<char>(kStoreMethod));
    Put16(body, static_cast<std::uint32_t>(e.name.size()));
    Put32(body, e.attr);
    body += e.name;
    return Block(body, e.badHeaderCrc);
}

// RAR 4: each block is CRC16, type, flags, size, and for long blocks an
// added data size.
std::string RewriteRar4(std::string s) {
    constexpr std::uint8_t kHostWindows = 2;
    std::size_t at = kRar4Marker.size();
    while (at + 7 <= s.size()) {
        const auto type = static_cast<std::uint8_t>(s[at + 2]);
        const std::uint32_t flags = Get16(s, at + 3);
        const std::uint32_t size = Get16(s, at + 5);
        if (size < 7 || at + size > s.size()) break;
        std::size_t added = 0;
        if ((flags & kLongBlock) != 0) added = Get32(s, at + 7);
        if (type == kFileHead) {
            const bool dir = (flags & kDirectoryFlags) == kDirectoryFlags;
            s[at + 15] = static_cast<char>(kHostWindows);
            Set32(s, at + 28, dir ? 0x10 : 0x20);
            Set16(s, at, Crc32(std::string_view(s).substr(at + 2, size - 2)) & 0xFFFF);
        }
        if (type == kEndHead) break;
        at += size + added;
    }
    return s;
}

struct Vint {
    std::uint64_t value = 0;
    std::size_t length = 0;
};

Vint ReadVint(const std::string& s, std::size_t at) {
    Vint v;
    for (int shift = 0; at + v.length < s.size(); shift += 7) {
        const auto byte = static_cast<std::uint8_t>(s[at + v.length++]);
        v.value |= std::uint64_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0) return v;
    }
    throw std::runtime_error("truncated RAR 5 number");
}

// Writes value into exactly `length` bytes, padding with continuation bytes
// (the format allows them), so that no header changes its size.
void WriteVintPadded(std::string& s, std::size_t at, std::uint64_t value, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        auto byte = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
        if (i + 1 < length) byte |= 0x80;
        s[at + i] = static_cast<char>(byte);
    }
}

// RAR 5 file header: type 2; its fields after the common header carry the
// attributes and host system as variable-length numbers, then the name.
// Returns where the name's length is stored.
std::size_t RewriteRar5File(std::string& s, std::size_t fieldsAt) {
    constexpr std::uint64_t kFlagDirectory = 0x0001;
    constexpr std::uint64_t kFlagTime = 0x0002;
    constexpr std::uint64_t kFlagCrc = 0x0004;
    std::size_t at = fieldsAt;
    const Vint fileFlags = ReadVint(s, at);
    at += fileFlags.length;
    at += ReadVint(s, at).length;  // unpacked size
    const Vint attr = ReadVint(s, at);
    const bool dir = (fileFlags.value & kFlagDirectory) != 0;
    WriteVintPadded(s, at, dir ? 0x10 : 0x20, attr.length);
    at += attr.length;
    if ((fileFlags.value & kFlagTime) != 0) at += 4;
    if ((fileFlags.value & kFlagCrc) != 0) at += 4;
    at += ReadVint(s, at).length;  // compression information
    const Vint host = ReadVint(s, at);
    WriteVintPadded(s, at, 0, host.length);  // Windows
    return at + host.length;
}

// The same-length replacement in one entry's stored name.
void RenameRar5File(std::string& s, std::size_t nameLengthAt, std::string_view from,
                    std::string_view to) {
    const Vint length = ReadVint(s, nameLengthAt);
    const std::size_t nameAt = nameLengthAt + length.length;
    std::string name = s.substr(nameAt, length.value);
    for (auto found = name.find(from); found != std::string::npos;
         found = name.find(from, found + to.size())) {
        name.replace(found, from.size(), to);
    }
    s.replace(nameAt, length.value, name);
}

// Walks the file headers, rewriting each (host and attributes, and the
// name where `from` is not empty) with its checksum made anew.
std::string RewriteRar5(std::string s, std::string_view from = {}, std::string_view to = {}) {
    constexpr std::uint64_t kTypeFile = 2;
    constexpr std::uint64_t kTypeEnd = 5;
    std::size_t at = kRar5Marker.size();
    while (at + 5 < s.size()) {
        const Vint headerSize = ReadVint(s, at + 4);
        const std::size_t headerAt = at + 4 + headerSize.length;
        std::size_t p = headerAt;
        const Vint type = ReadVint(s, p);
        p += type.length;
        const Vint flags = ReadVint(s, p);
        p += flags.length;
        if ((flags.value & 0x0001) != 0) p += ReadVint(s, p).length;
        std::uint64_t dataSize = 0;
        if ((flags.value & 0x0002) != 0) {
            const Vint data = ReadVint(s, p);
            dataSize = data.value;
            p += data.length;
        }
        if (type.value == kTypeFile) {
            const std::size_t nameLengthAt = RewriteRar5File(s, p);
            if (!from.empty()) RenameRar5File(s, nameLengthAt, from, to);
            const std::size_t crcSpan = headerSize.length + headerSize.value;
            Set32(s, at, Crc32(std::string_view(s).substr(at + 4, crcSpan)));
        }
        if (type.value == kTypeEnd) break;
        at = headerAt + headerSize.value + dataSize;
    }
    return s;
}

}  // namespace

std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (char ch : bytes) c = CrcTable()[(c ^ static_cast<std::uint8_t>(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

Rar4Writer& Rar4Writer::File(std::string name, std::string data, std::uint32_t attr) {
    Rar4Entry e;
    e.name = std::move(name);
    e.data = std::move(data);
    e.attr = attr;
    return Add(std::move(e));
}

Rar4Writer& Rar4Writer::Folder(std::string name, std::uint32_t attr) {
    Rar4Entry e;
    e.name = std::move(name);
    e.attr = attr;
    e.directory = true;
    return Add(std::move(e));
}

Rar4Writer& Rar4Writer::UnixLink(std::string name, std::string target) {
    constexpr std::uint32_t kLinkMode = 0120777;
    Rar4Entry e;
    e.name = std::move(name);
    e.data = std::move(target);
    e.attr = kLinkMode;
    e.hostOs = 3;
    return Add(std::move(e));
}

Rar4Writer& Rar4Writer::Add(Rar4Entry entry) {
    m_entries.push_back(std::move(entry));
    return *this;
}

Rar4Writer& Rar4Writer::AsVolume() {
    m_volume = true;
    return *this;
}

Rar4Writer& Rar4Writer::WithoutEnd() {
    m_end = false;
    return *this;
}

std::string Rar4Writer::Bytes() const {
    std::string out(kRar4Marker);
    out += MainHeader(m_volume ? 0x0001 : 0);
    for (const auto& e : m_entries) out += FileHeader(e) + e.data;
    if (m_end) out += EndHeader();
    return out;
}

std::vector<std::size_t> Rar4Writer::EntryOffsets() const {
    std::vector<std::size_t> offsets;
    std::size_t at = kRar4Marker.size() + MainHeader().size();
    for (const auto& e : m_entries) {
        offsets.push_back(at);
        at += FileHeader(e).size() + e.data.size();
    }
    return offsets;
}

std::string WithRar5Names(std::string archive, std::string_view from, std::string_view to) {
    if (from.size() != to.size() || from.empty()) {
        throw std::invalid_argument("a name part is replaced by one of the same length");
    }
    return RewriteRar5(std::move(archive), from, to);
}

std::string WithWindowsAttributes(std::string archive) {
    if (archive.starts_with(kRar5Marker)) return RewriteRar5(std::move(archive));
    if (archive.starts_with(kRar4Marker)) return RewriteRar4(std::move(archive));
    return archive;
}

bool RunRar(const std::filesystem::path& folder, const std::string& arguments) {
    const std::string command =
        "cd '" + folder.string() + "' && rar " + arguments + " -idq >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

}  // namespace testsupport
