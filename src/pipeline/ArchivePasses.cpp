// The two passes over the scratch archive: the count on the user-interface
// thread, the extraction with encoding on the worker.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "encoder/Encrypt.h"
#include "pipeline/ArchiveEnd.h"
#include "pipeline/ArchiveNames.h"
#include "pipeline/Rar4Names.h"
#include "pipeline/RarArchive.h"
#include "pipeline/UpgradeJob.h"
#include "platform/Path.h"
#include "platform/Win32.h"

namespace pipeline {

namespace {

constexpr unsigned kCountedAttr = 0x20;
constexpr const char* kEncodeFailed = " 文件操作失败！";
constexpr const char* kCaptionHint = "提示";

std::string Native(const std::string& path) {
    const auto native = platform::ToNativePath(path);
    return native ? native->string() : std::string();
}

bool IsSymlink(const std::string& path) {
    struct stat info {};
    return lstat(Native(path).c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

void ReportBrokenHeader(int lastResult) {
    if (lastResult == rar::kBadData) {
        std::fputs("\nFile header broken", stdout);
        std::fflush(stdout);
    }
}

}  // namespace

int UpgradeJob::GetFileCount(const std::string& archivePath, int mode) {
    RarArchive archive(Native(archivePath));
    if (!archive.IsOpen()) return 0;
    int count = 0;
    RarEntry entry;
    int result = rar::kSuccess;
    while ((result = archive.ReadHeader(entry)) == rar::kSuccess) {
        if (mode != 0) m_sink.ShowMessage(entry.name, "", MB_OK);
        if (archive.Process(rar::kSkip, Native(m_strTempDir)) != rar::kSuccess) break;
        if (entry.attr == kCountedAttr) ++count;
    }
    ReportBrokenHeader(result);
    return count;
}

// Entries whose name had to be converted are written under the converted
// name, which the library would not sanitise: it is reduced here first.
int UpgradeJob::ProcessEntry(RarArchive& archive, const RarEntry& entry, NameForm form,
                             int operation, std::string& landedName) {
    bool converted = false;
    landedName =
        ContainedPath(LandingName(entry.name, entry.wideName, entry.hostOs, form, converted));
    if (!converted || operation != rar::kExtract) {
        return archive.Process(operation, Native(m_strTempDir));
    }
    if (landedName.empty()) return archive.Process(rar::kSkip, Native(m_strTempDir));
    const std::filesystem::path target = std::filesystem::path(Native(m_strTempDir)) / landedName;
    std::error_code ec;
    std::filesystem::create_directories(entry.isDirectory ? target : target.parent_path(), ec);
    return archive.ProcessTo(operation, target.string());
}

PassEnd UpgradeJob::ExtractFiles(const std::string& archivePath, int mode) {
    m_nPos = 0;
    RarArchive archive(Native(archivePath));
    if (!archive.IsOpen()) return PassEnd::NotOpened;
    const std::vector<NameForm> forms = Rar4NameForms(Native(archivePath));
    std::size_t index = 0;
    const int operation = mode == 0 ? rar::kExtract : rar::kTest;
    RarEntry entry;
    std::string landedName;
    int result = rar::kSuccess;
    PassEnd end = PassEnd::Complete;
    while ((result = archive.ReadHeader(entry)) == rar::kSuccess) {
        if (StopRequested()) return PassEnd::Stopped;
        if (mode != 0) m_sink.ShowMessage(entry.name, "", MB_OK);
        const NameForm form = index < forms.size() ? forms[index] : NameForm::Unknown;
        ++index;
        if (ProcessEntry(archive, entry, form, operation, landedName) != rar::kSuccess) {
            end = PassEnd::Damaged;
            break;
        }
        StepProgress();
        if (entry.attr != kCountedAttr || landedName.empty()) continue;
        const std::string fullPath = m_strTempDir + "\\" + landedName;
        if (HasEptSuffix(fullPath) && operation == rar::kExtract && !IsSymlink(fullPath)) {
            EncodeEntry(fullPath);
        }
    }
    ReportBrokenHeader(result);
    if (end != PassEnd::Complete) return end;
    if (result == rar::kBadData) return PassEnd::BrokenHeader;
    if (result != rar::kEndArchive) return PassEnd::Damaged;
    if (IsTruncatedRar5(Native(archivePath))) return PassEnd::Damaged;
    return PassEnd::Complete;
}

void UpgradeJob::EncodeEntry(const std::string& fullPath) {
    Encrypt encoder(fullPath, &m_DeviceInfo);
    if (encoder.Encode()) {
        DeleteFileA(fullPath.c_str());
    } else {
        m_sink.ShowMessage(kEncodeFailed, kCaptionHint, MB_ICONINFORMATION);
        Fail();
    }
}

}  // namespace pipeline
