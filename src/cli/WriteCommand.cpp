// ostrel-cli write PACKAGE TARGET: the whole upgrade job onto TARGET, a drive
// root (E:\) or any folder, with the program's own messages on standard
// error. Exit status 0 only when everything was done.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/ConsoleSink.h"
#include "cli/ScratchFolder.h"
#include "cli/SignalStop.h"
#include "drive/DriveFormatter.h"
#include "pipeline/UpgradeJob.h"
#include "platform/Path.h"
#include "platform/Win32.h"

namespace cli {
namespace {

constexpr const char* kUsage = "usage: ostrel-cli write [--format] PACKAGE TARGET\n";

struct WriteOptions {
    std::string package;
    std::string target;
    bool format = false;  // format TARGET first, as Start does on "是"
};

// Options are matched here, one branch each; every other word is a path.
std::optional<WriteOptions> ParseWriteArgs(Args args) {
    std::vector<std::string> paths;
    bool format = false;
    for (const auto& word : args) {
        if (word == "--format") {
            format = true;
            continue;
        }
        if (word.size() > 1 && word[0] == '-') {
            std::fprintf(stderr, "ostrel-cli write: unknown option '%s'\n", word.c_str());
            return std::nullopt;
        }
        paths.push_back(word);
    }
    if (paths.size() != 2) return std::nullopt;
    return WriteOptions{paths[0], paths[1], format};
}

// Why TARGET may not be written, empty when it may. The root file system
// is never a target by its drive root (the windows never offer C:), only
// by a folder below it that the user names; nor is a folder that holds the
// package, which a format or a same-named file would destroy.
std::string RefusedTarget(const WriteOptions& options) {
    std::error_code ec;
    const auto native = platform::ToNativePath(options.target);
    if (!native || !std::filesystem::exists(*native, ec)) return {};  // said below
    const auto target = std::filesystem::canonical(*native, ec);
    if (ec) return ec.message();
    if (!std::filesystem::is_directory(target, ec)) return "not a drive or folder";
    if (platform::IsSystemRoot(target)) {
        return "the system drive; name a folder below it to write there";
    }
    const auto package = platform::ToNativePath(options.package);
    if (package) {
        const auto real = std::filesystem::canonical(*package, ec);
        if (!ec && platform::IsInside(real, target))
            return "it holds the package " + options.package;
    }
    return {};
}

// One line that a shop's log can keep: what landed, how long it took.
void PrintSummary(const WriteOptions& options, bool succeeded, const pipeline::LandedTotals& landed,
                  std::chrono::steady_clock::duration took) {
    const double seconds = std::chrono::duration<double>(took).count();
    if (succeeded) {
        std::fprintf(stderr,
                     "ostrel-cli write: %" PRIu64 " files, %" PRIu64
                     " bytes written to %s and flushed, in %.1f s\n",
                     landed.files, landed.bytes, options.target.c_str(), seconds);
    } else {
        std::fprintf(stderr,
                     "ostrel-cli write: not complete after %.1f s; the messages above say why\n",
                     seconds);
    }
}

bool RunJob(const WriteOptions& options, const std::string& scratch, SignalStop& signals) {
    const auto started = std::chrono::steady_clock::now();
    ConsoleSink sink(stderr, isatty(STDERR_FILENO) != 0);
    pipeline::UpgradeJob job(sink, scratch);
    sink.Attach(&job);
    signals.OnSignal([&job] { job.RequestStop(); });
    job.m_strFilePath = options.package;
    job.m_strDrive = options.target;
    if (job.Initialise()) sink.ServeUntilClosed();
    sink.FinishBar();
    signals.OnSignal({});
    PrintSummary(options, job.Succeeded(), job.Landed(),
                 std::chrono::steady_clock::now() - started);
    return job.Succeeded();
}

}  // namespace

int RunWrite(Args args) {
    const auto options = ParseWriteArgs(args);
    if (!options) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (const auto refused = RefusedPackage(options->package); !refused.empty()) {
        std::fprintf(stderr, "ostrel-cli write: %s: %s\n", options->package.c_str(),
                     refused.c_str());
        return 2;
    }
    if (const auto refused = RefusedTarget(*options); !refused.empty()) {
        std::fprintf(stderr, "ostrel-cli write: %s: %s\n", options->target.c_str(),
                     refused.c_str());
        return 2;
    }
    if (options->format) {
        // A format asked for and not done fails the job: the old content would stay.
        switch (drive::FormatForCommandLine(options->target, stdout, stderr)) {
            case drive::CommandLineFormat::Refused:
                return 2;
            case drive::CommandLineFormat::NotFormatted:
                std::fprintf(stderr,
                             "ostrel-cli write: %s was not formatted; nothing written\n%s\n",
                             options->target.c_str(), pipeline::kUpgradeFailed);
                return 1;
            case drive::CommandLineFormat::Formatted:
                break;
        }
    }
    if (!PathFileExistsA(options->target.c_str())) {
        std::fprintf(stderr, "ostrel-cli write: %s: no such drive or folder\n",
                     options->target.c_str());
        return 1;
    }
    SignalStop signals;  // before the scratch folder exists, so none is left behind
    ScratchFolder scratch;
    if (!scratch.Made()) {
        std::fprintf(stderr, "ostrel-cli write: %s\n", scratch.Error().c_str());
        return 1;
    }
    const bool succeeded = RunJob(*options, scratch.Path().string(), signals);
    if (const int signal = signals.Signal(); signal != 0) {
        std::fprintf(stderr, "ostrel-cli write: stopped by signal %d (%s)\n", signal,
                     SignalStop::Name(signal));
        std::fprintf(stderr, "%s\n", pipeline::kUpgradeFailed);
        return 128 + signal;
    }
    std::fprintf(stderr, "%s\n", pipeline::UpgradeOutcome(succeeded));
    return succeeded ? 0 : 1;
}

}  // namespace cli
