// A small writer of RAR 4 archives with stored (uncompressed) entries, for
// tests that need what real tools will not make on demand: Windows hosts and
// attribute words, GBK names without a Unicode copy, links, broken headers and
// damaged data. Also rewrites the host and attribute fields of real RAR 4 and
// RAR 5 archives so that their compressed entries count as Windows files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

std::uint32_t Crc32(std::string_view bytes);

struct Rar4Entry {
    std::string name;  // the stored bytes; Windows separates folders with `\`
    std::string data;
    std::uint32_t attr = 0x20;
    std::uint8_t hostOs = 2;  // 0 MS-DOS, 2 Windows, 3 Unix
    bool directory = false;
    bool badDataCrc = false;    // the stored CRC-32 does not match the data
    bool badHeaderCrc = false;  // the header's own checksum is wrong
};

class Rar4Writer {
public:
    // A file entry from a Windows host.
    Rar4Writer& File(std::string name, std::string data, std::uint32_t attr = 0x20);
    // A folder entry from a Windows host.
    Rar4Writer& Folder(std::string name, std::uint32_t attr = 0x10);
    // A Unix symbolic link: the data is the link's target.
    Rar4Writer& UnixLink(std::string name, std::string target);
    Rar4Writer& Add(Rar4Entry entry);
    // Leave out the end-of-archive block, as some tools do.
    Rar4Writer& WithoutEnd();
    // Mark the archive a volume (main header flag 0x0001).
    Rar4Writer& AsVolume();

    std::string Bytes() const;
    // Offset of each entry's header in Bytes(), to cut or damage by hand.
    std::vector<std::size_t> EntryOffsets() const;

private:
    std::vector<Rar4Entry> m_entries;
    bool m_end = true;
    bool m_volume = false;
};

// The archive with every file header's host system set to Windows and its
// attribute word to 0x20 (files) or 0x10 (folders), header checksums made
// anew. RAR 4 and RAR 5; anything else comes back unchanged.
std::string WithWindowsAttributes(std::string archive);

// A RAR 5 archive made Windows-like as above, with `from` replaced by `to`
// (of the same length, so that no header moves) in every stored entry name:
// names no tool would write, such as surrogate pairs as CESU-8.
std::string WithRar5Names(std::string archive, std::string_view from, std::string_view to);

// Runs the installed rar in `folder` as `rar <arguments>`; false when it
// is missing or fails.
bool RunRar(const std::filesystem::path& folder, const std::string& arguments);

}  // namespace testsupport
