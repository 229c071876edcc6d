// Whether an archive was cut short between two entries. The library reads
// such an archive to a clean end; a RAR 5 archive shows it, because it always
// closes with an end-of-archive header. RAR 4 archives may lack that block, so
// they are never judged here.
#pragma once

#include <filesystem>

namespace pipeline {

// True for a RAR 5 archive whose header chain stops before its
// end-of-archive header. False for anything else, RAR 4 included.
bool IsTruncatedRar5(const std::filesystem::path& archive);

// True for a RAR 4 volume whose blocks stop before an end-of-archive block.
// RAR leaves the end block out only when asked (-en), never in volumes, whose
// end block carries the volume information; a plain RAR 4 archive without it
// cannot be told from one cut at an entry boundary, so it is not judged.
bool IsCutRar4Volume(const std::filesystem::path& archive);

}  // namespace pipeline
