// Carries out a command line meant for the command interpreters ("CMD.EXE",
// "COMMAND.COM") with the system's format program, e.g.
//     RunFormatCommand("CMD.EXE", "/C   \"format.com   E:/force/q/y/FS:FAT\"")
// Answers as ShellExecuteA does: above 32 when started, else a Windows error
// code (2 file not found, ...). ShellExecuteA sends such command lines here.
#pragma once

#include <string_view>

#include "platform/Win32.h"

namespace platform {

HINSTANCE RunFormatCommand(std::string_view program, std::string_view parameters);

// True for the command interpreters as ShellExecuteA knows them: by the file
// name, with or without a folder or an extension ("CMD.EXE", "command").
bool IsCommandInterpreter(std::string_view program);

}  // namespace platform
