// What the ShellExecuteA stand-in reads from the command lines the program
// hands to the command interpreters ("CMD.EXE" /C "format.com E:/.../FS:FAT32"):
// neither exists here, so a format command line becomes a FormatRequest and
// is carried out by Format (Formatting.h); other command lines are refused.
#pragma once

#include <optional>
#include <string_view>

#include "platform/Formatting.h"

namespace platform {

// True for the command interpreters as ShellExecuteA knows them: by the file
// name, with or without a folder or an extension ("CMD.EXE", "command").
bool IsCommandInterpreter(std::string_view program);

// Reads a format command line: the program must be a command interpreter and
// the parameters "/C" followed by a quoted "format.com X:..." with a /FS:FAT
// or /FS:FAT32 switch (any case, any blanks). Empty for anything else.
std::optional<FormatRequest> ParseFormatCommand(std::string_view program,
                                                std::string_view parameters);

}  // namespace platform
