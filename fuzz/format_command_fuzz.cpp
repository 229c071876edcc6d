// Fuzzes the format command parser with a program name and a parameter text
// (split at the first newline). A command it accepts names a drive letter and
// a FAT file system, and the canonical command for its answer reads the same.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "platform/ShellExecute.h"

using fuzzsupport::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = text.find('\n');
    const std::string_view program = text.substr(0, cut);
    const std::string_view parameters =
        cut == std::string_view::npos ? std::string_view() : text.substr(cut + 1);
    const auto request = platform::ParseFormatCommand(program, parameters);
    if (!request) return 0;
    Check(request->drive >= 'A' && request->drive <= 'Z');
    const bool fat32 = request->fileSystem == platform::FileSystem::Fat32;
    const std::string canonical = std::string("/C \"format.com ") + request->drive +
                                  ":/FS:" + (fat32 ? "FAT32" : "FAT") + "\"";
    const auto again = platform::ParseFormatCommand("CMD.EXE", canonical);
    Check(again && again->drive == request->drive && again->fileSystem == request->fileSystem);
    return 0;
}
