// The Windows-shaped system interface on POSIX: the calls keep their Windows
// names, arguments and results; the implementation behind them maps drive
// paths, drive letters and shell operations onto Linux (see Path.h and
// Drives.h). Reached through platform/Win32.h, never directly.
#pragma once

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LPCSTR = const char*;
using LPSTR = char*;
using HANDLE = void*;
using HWND = void*;
// A pointer, as in <windows.h>; ShellExecuteA's result: above 32 means started.
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;

#ifndef TRUE
constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
#endif

constexpr DWORD MAX_PATH = 260;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

union ULARGE_INTEGER {
    std::uint64_t QuadPart;
};

// The Windows error codes that the layer answers with (also the launch
// results of ShellExecuteA at 32 and below).
constexpr int ERROR_FILE_NOT_FOUND = 2;
constexpr int ERROR_PATH_NOT_FOUND = 3;
constexpr int ERROR_ACCESS_DENIED = 5;
constexpr int SE_ERR_NOASSOC = 31;

// ---------------------------------------------------------------- kernel

// The running program's own path in drive form (C:\opt\ostrel\Ostrel).
// hModule must be null. Returns the length copied, 0 on failure; a path that
// does not fit is cut and terminated, as Windows does.
DWORD GetModuleFileNameA(HANDLE hModule, LPSTR lpFilename, DWORD nSize);

BOOL CreateDirectoryA(LPCSTR lpPathName, void* lpSecurityAttributes);
BOOL RemoveDirectoryA(LPCSTR lpPathName);
BOOL DeleteFileA(LPCSTR lpFileName);
// Only FILE_ATTRIBUTE_READONLY has a meaning here: set, a file loses its
// write permissions; clear, its owner may write it again (and a folder may be
// emptied). A symbolic link is left as it is, never followed.
BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes);
void Sleep(DWORD dwMilliseconds);

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    char cFileName[MAX_PATH];  // Linux names are at most 255 bytes
};

// Lists ".", "..", then the entries in the order NTFS gives them (ordinal
// compare of the upper-cased names). The pattern is "dir\*.*" or "dir\*".
HANDLE FindFirstFileA(LPCSTR lpFileName, WIN32_FIND_DATAA* lpFindFileData);
BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* lpFindFileData);
BOOL FindClose(HANDLE hFindFile);

constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;

// Fills lpBuffer with "C:\" NUL "E:\" NUL ... NUL. Returns the length written
// without the final NUL, or the size needed when nBufferLength is too small.
DWORD GetLogicalDriveStringsA(DWORD nBufferLength, LPSTR lpBuffer);
UINT GetDriveTypeA(LPCSTR lpRootPathName);
BOOL GetDiskFreeSpaceExA(LPCSTR lpDirectoryName, ULARGE_INTEGER* lpFreeBytesAvailableToCaller,
                         ULARGE_INTEGER* lpTotalNumberOfBytes,
                         ULARGE_INTEGER* lpTotalNumberOfFreeBytes);

// ----------------------------------------------------------------- shell

constexpr UINT FO_COPY = 2;
constexpr UINT FO_DELETE = 3;
constexpr WORD FOF_SILENT = 0x0004;
constexpr WORD FOF_NOCONFIRMATION = 0x0010;

struct SHFILEOPSTRUCTA {
    HWND hwnd;
    UINT wFunc;
    LPCSTR pFrom;  // list of paths, each NUL-ended, the list ended by a second NUL
    LPCSTR pTo;
    WORD fFlags;
    BOOL fAnyOperationsAborted;
    void* hNameMappings;
    LPCSTR lpszProgressTitle;
};
// FO_COPY: each source (file or folder) into the destination folder under its
// own name, replacing without asking. FO_DELETE: each source for good.
// 0 on success, nonzero when anything failed, with errno the first failure's
// error number (what the shell's own error box would name).
int SHFileOperationA(SHFILEOPSTRUCTA* lpFileOp);

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;

// Above 32 when started; otherwise a Windows error code (2 file not found,
// 3 path not found, 5 access denied, 31 no association, ...).
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, int nShowCmd);

BOOL PathFileExistsA(LPCSTR pszPath);

// ------------------------------------------------------------------ user

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
