// One upgrade job: from an upgrade package and a drive root to the device
// files on that drive. The progress window owns one of these and shows it
// through a JobSink; ostrel-cli drives the same object with a console sink.
//
// Who calls what, on which thread:
//
//   user-interface thread                      worker (UpgradeThread)
//   ------------------------------------------ ------------------------------
//   UpgradeJob job(sink, appDir)   staging folder purged or created
//   job.m_strFilePath = package; job.m_strDrive = "E:\\";
//   job.Initialise()               descramble, count, range; lowers
//                                  g_bFinished, then starts the worker
//                                              extract + encode, pause,
//                                              copy, flush, full bar, delete,
//                                              g_bFinished = 1,
//                                              sink.RequestClose() ----+
//   job.OnClose()  <---- carried here by the sink ---------------------+
//     true: TEMP.TMP deleted, result fixed, the window may end
//   job.Succeeded()                read by the owner afterwards
//   ~UpgradeJob()                  joins the worker, which returns at once
//                                  once its close request was handled
//
// The window also calls OnClose for its close box and UpgradeJob::IsFinished
// to refuse Enter/Escape while a job runs. Every member the worker writes is
// written before its close request, and the sink's synchronous hand-over
// orders it before OnClose reads it; the finished flag is atomic.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "encoder/DeviceInfo.h"
#include "pipeline/ArchiveNames.h"
#include "pipeline/ArchiveWalk.h"
#include "pipeline/JobSink.h"
#include "pipeline/Rar4Names.h"
#include "platform/FolderLock.h"
#include "platform/ScratchHome.h"
#include "platform/ShellCopy.h"

// The job-finished flag of the progress window: 1 at program start, 0 while a
// job's worker runs. The close request is refused while it is 0.
extern std::atomic<unsigned char> g_bFinished;

namespace pipeline {

class RarArchive;
struct RarEntry;

// The job's fixed pauses. Tests and benchmarks shorten them; the program
// keeps the defaults.
// What the check after the flush found on the drive: the files of this
// upgrade and their bytes. Counted only by a job that got that far.
struct LandedTotals {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

struct JobPauses {
    std::chrono::milliseconds beforeCopy{3000};
    std::chrono::milliseconds perCopyEntry{5};
};

class UpgradeJob {
public:
    // Staging folder <appDir>\Temp purged if present, else created. appDir is
    // the folder that holds Temp and TEMP.TMP: the program's folder (or the
    // user's cache folder) for the window, a private temporary folder for the
    // command line. Drive form (C:\opt\ostrel) or native (/opt/ostrel). The
    // job claims appDir for its whole life: while another job holds it,
    // nothing is purged and Initialise refuses; so it does when the purge left
    // anything behind.
    UpgradeJob(JobSink& sink, std::string appDir, JobPauses pauses = {});
    // The same in the folder that ProgramScratchHome chose; when it refused
    // one, nothing is touched and Initialise reports why.
    UpgradeJob(JobSink& sink, const platform::ScratchHome& home, JobPauses pauses = {});
    // Joins the worker. Destroy the job only after OnClose answered true (or
    // Initialise false); the worker's RequestClose must have returned or be
    // able to return without the user-interface thread's help by then.
    ~UpgradeJob();
    UpgradeJob(const UpgradeJob&) = delete;
    UpgradeJob& operator=(const UpgradeJob&) = delete;

    // Set by the owner before Initialise: the package path and the drive
    // root (E:\) or any destination folder.
    std::string m_strFilePath;
    std::string m_strDrive;

    // WM_INITDIALOG. True when the worker was started; false when the job
    // ended here (scratch folder or drive in use by another job, staging
    // folder not emptied, package unreadable, or "错误的升级文件！"): the
    // window then ends at once, with Succeeded() false.
    bool Initialise();

    // WM_CLOSE. False while the worker runs (the request is refused). True
    // once it has finished: the scratch archive is deleted, the result is
    // fixed, and the window may end. Later calls just answer true. After a
    // failed Initialise it answers true and deletes nothing.
    bool OnClose();

    // From any thread, e.g. on SIGTERM: the worker stops at its next safe
    // point (the next archive entry or copy entry), removes the staging
    // folder and ends as a failed job.
    void RequestStop() { m_bStopRequested.store(true); }
    bool StopRequested() const { return m_bStopRequested.load(); }

    // True while no worker runs: OK and Cancel end the window only then.
    static bool IsFinished();

    // 1 only for a job that finished and did everything it had to.
    bool Succeeded() const { return m_bSucceeded != 0; }

    // State for the owner and for tests; stable once OnClose returned true.
    const std::string& TempDir() const { return m_strTempDir; }
    std::string ScratchPath() const;
    int Pos() const { return m_nPos; }
    int Range() const { return m_nRange; }
    int DirCount() const { return m_nDirCount; }
    const DeviceInfo& Info() const { return m_DeviceInfo; }
    const LandedTotals& Landed() const { return m_landed; }

    // The archive passes (ArchivePasses.cpp). Mode 0 is the job's normal
    // run; modes 1 and 2 show every entry name and only test the entries.
    int GetFileCount(const std::string& archivePath, int mode);
    PassEnd ExtractFiles(const std::string& archivePath, int mode);

    // The staging folder and the drive copy (StagingCopy.cpp).
    bool DeleteFolder(const std::string& folder);
    void CopyFolder(std::string dir);
    bool ShellCopy(const std::string& source, const platform::CopyDestination& destination);
    bool ShellDelete(const std::string& folder);

private:
    static unsigned int UpgradeThread(UpgradeJob* job);
    void RunWorker();
    bool Descramble();
    void StepProgress();
    void FullBar();
    PassEnd ProcessEntry(RarArchive& archive, const RarEntry& entry, NameForm form, int operation,
                         std::string& landedName);
    bool LeadsOutside(const RarEntry& entry, const std::string& landedName);
    bool FolderStaysInside(const std::filesystem::path& below);
    void EncodeEntry(const std::string& landedName);
    void ReplaceLinks();
    bool FlushDrive();
    bool VerifyCopies();
    bool LandedWhole(const std::filesystem::path& source, const std::filesystem::path& landed);
    bool LandedWithSize(std::optional<std::uintmax_t> size, const std::filesystem::path& landed);
    void CopyEntry(const std::string& path, std::optional<std::uintmax_t> size);
    const platform::CopyDestination& CopyTarget();
    bool PurgeFile(const std::string& path);
    void NotePurgeFailure(const std::string& path);
    bool ClaimDrive();
    void Fail() { m_bFailed = true; }
    void FailCopy();
    std::string OnDrive(const std::string& name) const;

    JobSink& m_sink;
    JobPauses m_pauses;
    std::string m_strAppDir;

    // The members of the progress window, by their names there.
    std::string m_strTempDir;
    unsigned char m_bSucceeded = 0;
    int m_nDirCount = 0;
    int m_nPos = 0;
    int m_nRange = 0;
    DeviceInfo m_DeviceInfo{};

    // Set by the worker when any step failed; read by OnClose.
    bool m_bFailed = false;
    bool m_bClosed = false;  // OnClose has fixed the result (UI thread)
    std::atomic<bool> m_bStopRequested{false};
    bool m_bDriveGone = false;  // the copy walk found the drive missing or read-only (worker)
    LandedNames m_landedNames;  // what the extraction put in staging (worker)
    std::optional<std::filesystem::path> m_stagingRoot;  // resolved once a pass (worker)
    std::string m_stagingFolder;                         // native, once a pass (worker)
    // Below it, seen without a link (worker); by spelling, which is cheaper to
    // compare than paths and at worst looks at a folder twice.
    std::set<std::filesystem::path::string_type> m_linkFreeFolders;
    // What the copy walk put on the drive; a file with its size as the walk
    // listed it, a folder without (worker).
    struct Copied {
        std::string path;
        std::optional<std::uintmax_t> size;
    };
    std::vector<Copied> m_copied;
    // The drive's folder, held from the walk's first copy to its end (worker).
    std::optional<platform::CopyDestination> m_copyTarget;
    LandedTotals m_landed;  // what the check found there (worker)

    std::optional<platform::FolderLock> m_scratchClaim;
    std::optional<platform::FolderLock> m_driveClaim;
    std::string m_strScratchProblem;  // why the job may not start, when it may not
    std::thread m_worker;
};

}  // namespace pipeline
