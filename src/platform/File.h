// The toolkit's file class: an unbuffered file opened on a drive-form or
// native path. Failures raise CFileException, as the toolkit's file error.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

class CFileException : public std::exception {
public:
    // operation: what was attempted ("open", "read", "write", "seek", "close",
    // "length"); error: the system's error number.
    CFileException(const std::string& operation, std::string path, int error);

    // Error() for a path that names a device, pipe or socket: such a "file"
    // may never end or may block, so it is never opened.
    static constexpr int kNotRegularFile = -1;

    const char* what() const noexcept override { return m_what.c_str(); }
    const std::string& Path() const { return m_path; }
    int Error() const { return m_error; }
    // The system's text for Error(), e.g. "No space left on device".
    std::string SystemMessage() const;

private:
    std::string m_path;
    int m_error;
    std::string m_what;
};

class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        modeCreate = 0x1000,      // create, emptying an existing file
        modeNoTruncate = 0x2000,  // with modeCreate: keep an existing file's bytes
    };
    enum SeekPosition : unsigned { begin = 0, current = 1, end = 2 };

    CFile() = default;
    // Opens at once; raises CFileException when it cannot.
    CFile(const std::string& path, unsigned flags);
    // Closes without raising; call Close() to learn whether closing worked.
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Raises CFileException when the file cannot be opened. An unknown drive
    // letter answers "file not found"; a folder cannot be opened as a file.
    void Open(const std::string& path, unsigned flags);

    // Reads until count bytes are in or the file ends: a short count means the
    // end was reached. Raises on a read error.
    unsigned Read(void* buffer, unsigned count);
    // Writes all count bytes or raises (a full disk raises "No space left").
    void Write(const void* buffer, unsigned count);
    // Returns the new position from the start of the file.
    std::uint64_t Seek(std::int64_t offset, unsigned from);
    std::uint64_t GetLength() const;
    // Raises when the system reports a failure on closing (late write errors).
    void Close();
    // Closes ignoring any error.
    void Abort();

    bool IsOpen() const { return m_fd >= 0; }

private:
    [[noreturn]] void Raise(const char* operation, int error) const;

    int m_fd = -1;
    std::string m_path;
};

namespace platform {

// True when both paths exist and name the same file (links included). Writers
// check it so that creating one file never empties the other.
bool IsSameFile(const std::string& first, const std::string& second);

}  // namespace platform
