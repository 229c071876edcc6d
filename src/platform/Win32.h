// The Windows-shaped system interface that the program logic is written
// against. On Windows it is the system's own; elsewhere our implementation
// of the same calls, with the same names, arguments and results.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// The shell's calls need <windows.h> first.
#include <shellapi.h>
#include <shlwapi.h>
#else
#include "platform/Win32Posix.h"
#endif
