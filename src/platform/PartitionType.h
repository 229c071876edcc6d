// The MBR partition type byte that names a FAT, as format.com leaves it: a
// partition that held exFAT (0x07) or FAT32 (0x0C) and now holds FAT16 would
// otherwise tell the handheld's loader, and Windows, the wrong file system.
#pragma once

#include <cstdint>
#include <filesystem>

#include "platform/FatFormat.h"

namespace platform {

// Sets the type byte of primary partition `number` (1 to 4) of `disk`, a
// device or image file, to name a FAT of `type`, writing that one byte only
// and syncing it. The LBA types are written (0x0C FAT32, 0x0E FAT16, 0x01
// FAT12); a byte that already names this width (0x0B, 0x06, 0x04) is kept.
// A GPT disk, a logical partition, or a table whose entry does not start at
// `startSector` (the kernel's view of the partition) is left alone, the last
// with a word on standard error. False only when the disk cannot be read or
// written (said on standard error).
bool SetPartitionType(const std::filesystem::path& disk, unsigned long number,
                      std::uint64_t startSector, FatType type);

}  // namespace platform
