#include "pipeline/UpgradeJob.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

#include "pipeline/Descrambler.h"
#include "platform/ErrorText.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/ThreadPriority.h"
#include "platform/Win32.h"

std::atomic<unsigned char> g_bFinished{1};

namespace pipeline {

namespace {

constexpr const char* kBadPackage = "错误的升级文件！";
constexpr const char* kScratchBusy = "临时目录正被另一个升级使用，请等它结束后再试：";
constexpr const char* kScratchUnusable = "临时目录无法使用：";
constexpr const char* kScratchNotEmptied = "临时目录无法清空，升级没有开始：";
constexpr const char* kDriveBusy = "U盘正被另一个升级写入，请等它结束后再试：";
constexpr unsigned int kWorkerExitCode = 1;

}  // namespace

UpgradeJob::UpgradeJob(JobSink& sink, std::string appDir, JobPauses pauses)
    : UpgradeJob(sink, platform::ScratchHome{std::move(appDir), 0}, pauses) {}

UpgradeJob::UpgradeJob(JobSink& sink, const platform::ScratchHome& home, JobPauses pauses)
    : m_sink(sink), m_pauses(pauses), m_strAppDir(home.folder) {
    m_strTempDir = m_strAppDir + "\\Temp";
    if (home.error != 0) {
        m_strScratchProblem =
            kScratchUnusable + m_strAppDir + "\n" + platform::ErrorText(home.error);
        return;
    }
    const auto nativeAppDir = platform::ToNativePath(m_strAppDir);
    if (nativeAppDir) m_scratchClaim = platform::FolderLock::TryLock(*nativeAppDir);
    if (!m_scratchClaim) {
        const int error = nativeAppDir ? errno : ENOENT;
        m_strScratchProblem = error == EWOULDBLOCK ? kScratchBusy + m_strAppDir
                                                   : kScratchUnusable + m_strAppDir + "\n" +
                                                         platform::ErrorText(error);
        return;  // another job's staging folder is never touched
    }
    if (PathFileExistsA(m_strTempDir.c_str())) {
        // A leftover would be copied to the drive as part of this upgrade.
        if (!DeleteFolder(m_strTempDir) && m_strScratchProblem.empty()) {
            m_strScratchProblem = kScratchNotEmptied + m_strTempDir;
        }
    } else {
        CreateDirectoryA(m_strTempDir.c_str(), nullptr);
    }
}

void UpgradeJob::NotePurgeFailure(const std::string& path) {
    if (m_strScratchProblem.empty()) {
        m_strScratchProblem = kScratchNotEmptied + path + "\n" + platform::ErrorText(errno);
    }
}

// Two jobs writing one drive would interleave their files and both could
// say success.
bool UpgradeJob::ClaimDrive() {
    const auto drive = platform::ToNativePath(m_strDrive);
    if (drive) m_driveClaim = platform::FolderLock::TryLock(*drive);
    if (m_driveClaim || !drive || errno != EWOULDBLOCK) return true;  // a missing drive fails later
    m_sink.ShowMessage(kDriveBusy + m_strDrive, "", MB_ICONEXCLAMATION);
    return false;
}

UpgradeJob::~UpgradeJob() {
    if (m_worker.joinable()) m_worker.join();
}

std::string UpgradeJob::ScratchPath() const { return m_strAppDir + "\\TEMP.TMP"; }

bool UpgradeJob::IsFinished() { return g_bFinished.load() != 0; }

bool UpgradeJob::Descramble() {
    try {
        DescramblePackage(m_strFilePath, ScratchPath(), m_DeviceInfo);
        return true;
    } catch (const CFileException& error) {
        // The toolkit's file error, in the windows' words.
        m_sink.ShowMessage(error.Path() + "\n" + platform::ErrorText(error.Error()), "",
                           MB_ICONEXCLAMATION);
        return false;
    }
}

bool UpgradeJob::Initialise() {
    if (!m_strScratchProblem.empty()) {
        m_sink.ShowMessage(m_strScratchProblem, "", MB_ICONEXCLAMATION);
        return false;
    }
    if (!ClaimDrive() || !Descramble()) return false;
    m_strFilePath = ScratchPath();
    const int count = GetFileCount(m_strFilePath, 0);
    if (count == 0) {
        m_sink.Prompt(kBadPackage);
        return false;
    }
    // The bar takes the full 32-bit range; 2N only saturates past INT_MAX.
    m_nRange = static_cast<int>(std::min<long long>(2LL * count, INT_MAX));
    m_sink.SetRange(0, m_nRange);
    // Lowered here, before the worker exists: a close request that arrives
    // before the worker's first step must already be refused.
    g_bFinished.store(0);
    m_worker = std::thread(UpgradeThread, this);
    return true;
}

bool UpgradeJob::OnClose() {
    if (!IsFinished()) return false;
    if (m_worker.get_id() == std::thread::id() || m_bClosed) return true;
    m_bClosed = true;
    DeleteFileA(m_strFilePath.c_str());  // a leftover scratch file harms nothing
    m_bSucceeded = m_bFailed ? 0 : 1;
    // The worker is done with both: the next job may have them.
    m_driveClaim.reset();
    m_scratchClaim.reset();
    return true;
}

unsigned int UpgradeJob::UpgradeThread(UpgradeJob* job) {
    platform::RaiseThreadPriority();
    job->RunWorker();
    return kWorkerExitCode;
}

void UpgradeJob::RunWorker() {
    m_sink.PhaseChanged(JobPhase::Extracting);
    const PassEnd end = ExtractFiles(m_strFilePath, 0);
    if (end == PassEnd::Complete) {
        ReplaceLinks();
        m_sink.PhaseChanged(JobPhase::Waiting);
        Sleep(static_cast<DWORD>(m_pauses.beforeCopy.count()));
        m_sink.PhaseChanged(JobPhase::Copying);
        if (StopRequested()) {
            Fail();
        } else {
            CopyFolder(m_strTempDir);
        }
        m_copyTarget.reset();  // the user may unmount the stick once the job is done
        m_sink.PhaseChanged(JobPhase::Flushing);
        if (!m_bDriveGone && !FlushDrive()) Fail();  // a drive that is gone was reported
        if (!m_bFailed && !VerifyCopies()) Fail();
        FullBar();
        m_sink.PhaseChanged(JobPhase::Deleting);
        if (!ShellDelete(m_strTempDir)) Fail();
    } else {
        // A damaged package puts nothing on the drive: what was extracted
        // before the damage is removed again. A stop is no fault of the package;
        // refused entries and staging failures were reported where they happened.
        if (end != PassEnd::Stopped && end != PassEnd::Refused && end != PassEnd::StagingFailed) {
            m_sink.ShowMessage(kBadPackage, kCaptionHint, MB_ICONINFORMATION);
        }
        Fail();
        m_sink.PhaseChanged(JobPhase::Deleting);
        if (PathFileExistsA(m_strTempDir.c_str())) (void)ShellDelete(m_strTempDir);
    }
    m_sink.PhaseChanged(JobPhase::Finished);
    g_bFinished.store(1);
    m_sink.RequestClose();
}

void UpgradeJob::StepProgress() {
    ++m_nPos;
    m_sink.SetPos(m_nPos);
}

void UpgradeJob::FullBar() { m_sink.SetPos(m_nRange); }

}  // namespace pipeline
