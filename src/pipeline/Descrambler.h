// The upgrade package: a 128-byte lead, a 256-byte key block, 256-byte
// scrambled blocks and a plain tail shorter than a block. Descrambling gives
// the plain archive and the DeviceInfo hidden in the key block.
#pragma once

#include <string>

#include "encoder/DeviceInfo.h"

// Writes the plain archive to scratchPath (created anew, complete and closed
// on return) and fills info from the key block. Nothing is validated: any
// package gives an archive, empty for 384 bytes or less. Raises
// CFileException when a file cannot be opened, read or written, or when
// scratchPath names the package itself.
void DescramblePackage(const std::string& packagePath, const std::string& scratchPath,
                       DeviceInfo& info);
