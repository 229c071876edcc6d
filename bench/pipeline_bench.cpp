// The job beside the system tools that do the same, in one run: the
// extraction pass against `unrar x` on the same 200 MB archive; the copy walk
// (without and with its fixed 5 ms pauses) against `cp -r` on the same tree;
// and a whole job on a package of 20,000 small entries, its fixed pauses set
// to 0, its stages timed apart, against `unrar x` + `cp -r` on the same data.
// bench/pipeline.sh turns the figures into ratios.
//
// The archives are made once per run by the `rar` command, each from a tree
// of one top folder with two sub-folders: 200 files of 1 MiB, half random
// bytes, half compressible text; 20,000 files of 256 B to 4 KiB, every tenth
// an .EPT. Files sit in $TMPDIR (a tmpfs such as /dev/shm keeps the disk out).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "pipeline/ArchiveNames.h"
#include "pipeline/Descrambler.h"
#include "pipeline/JobSink.h"
#include "pipeline/PendingPos.h"
#include "pipeline/RequestQueue.h"
#include "pipeline/UpgradeJob.h"
#include "platform/Path.h"
#include "platform/TimeZone.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 200;
constexpr std::size_t kFileSize = 1 << 20;

class QuietSink : public pipeline::JobSink {
public:
    void SetRange(int, int) override {}
    void SetPos(int) override {}
    void ShowMessage(const std::string& text, const std::string&, unsigned int) override {
        throw std::runtime_error(text);
    }
    void Prompt(const std::string& text) override { throw std::runtime_error(text); }
    void RequestClose() override {}
};

// Serves a whole job's requests on the benchmark's thread, as the window
// does, and shows nothing; any message is a failure of the run.
class ServingSink : public pipeline::JobSink {
public:
    void SetRange(int, int) override {}
    // As the window: the worker does not wait, the newest position is shown.
    void SetPos(int pos) override {
        if (pending.Offer(pos)) queue.Post([this] { shownPos = pending.Take(); });
    }
    void ShowMessage(const std::string& text, const std::string&, unsigned int) override {
        OnMain([&] { failure = text; });
    }
    void Prompt(const std::string& text) override {
        OnMain([&] { failure = text; });
    }
    void RequestClose() override {
        OnMain([&] { closed = job->OnClose(); });
    }
    // The worker's own record of when each stage began, read after the job.
    void PhaseChanged(pipeline::JobPhase phase) override {
        if (pending.Flush()) queue.Post([this] { shownPos = pending.Take(); });
        stageStarts[static_cast<std::size_t>(phase)] = std::chrono::steady_clock::now();
    }

    pipeline::UpgradeJob* job = nullptr;
    pipeline::PendingPos pending;
    int shownPos = 0;
    std::array<std::chrono::steady_clock::time_point, 6> stageStarts{};
    pipeline::RequestQueue queue;
    std::string failure;
    bool closed = false;

private:
    template <typename F>
    void OnMain(F&& request) {
        if (std::this_thread::get_id() == m_main) {
            request();
        } else {
            queue.Call(request);
        }
    }

    std::thread::id m_main = std::this_thread::get_id();
};

// Runs a command line made of words; paths are quoted for the shell.
void Run(std::initializer_list<std::string_view> words) {
    std::string command;
    for (const auto word : words) {
        command.append(word);
        command.push_back(' ');
    }
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string Quoted(const fs::path& path) {
    std::string quoted = "'";
    quoted.append(path.string());
    quoted.push_back('\'');
    return quoted;
}

std::string FileBytes(int index, std::size_t size = kFileSize) {
    std::string bytes(size, '\0');
    std::mt19937 engine(static_cast<unsigned>(index));
    if (index % 2 == 0) {
        for (char& c : bytes) c = static_cast<char>(engine());
    } else {
        const std::string line = "T512 upgrade log line " + std::to_string(index) + " ";
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = line[(i + engine() % 3) % line.size()];
    }
    return bytes;
}

// The shared data of the run: the tree, its archive and a work folder.
class Data {
public:
    static Data& Get() {
        static Data data;
        return data;
    }
    const fs::path& Dir() const { return m_dir; }
    std::string Archive() const { return (m_dir / "pkg.rar").string(); }
    fs::path Tree() const { return m_dir / "tree" / "PKG"; }

private:
    Data() {
        platform::PinLocalTimeZone();  // as the programs do
        pipeline::UseUtf8Locale();
        std::string pattern = (fs::temp_directory_path() / "ostrel-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_dir = pattern;
        for (int i = 0; i < kFiles; ++i) {
            const fs::path folder = i < 150 ? Tree() : Tree() / (i < 175 ? "FONT" : "DICT");
            fs::create_directories(folder);
            std::string name = std::to_string(i);
            name.insert(0, 1, 'F');
            name.append(".BIN");
            std::ofstream(folder / name, std::ios::binary) << FileBytes(i);
        }
        Run({"cd", Quoted(m_dir / "tree"), "&& rar a -m3 -qo- -r -idq", Quoted(Archive()),
             "PKG >/dev/null"});
    }
    ~Data() {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    fs::path m_dir;
};

void Fresh(const fs::path& path) {
    fs::remove_all(path);
    fs::create_directories(path);
}

// Seconds taken by `step`.
template <typename Step>
double Seconds(Step&& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Both sides run in every iteration, one after the other, so that the load
// of a shared machine falls on both alike. The counters give the seconds of
// each side and our throughput as a share of the tool's.
void Report(benchmark::State& state, double tool, double ours, const char* toolName) {
    state.counters[std::string(toolName) + "_s"] = tool / static_cast<double>(state.iterations());
    state.counters["ours_s"] = ours / static_cast<double>(state.iterations());
    state.counters["throughput_vs_tool"] = tool / ours;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFiles *
                            static_cast<int64_t>(kFileSize));
}

void BM_ExtractFilesVsUnrar(benchmark::State& state) {
    Data& data = Data::Get();
    QuietSink sink;
    const fs::path dest = data.Dir() / "unrar-out";
    double tool = 0;
    double ours = 0;
    for (auto _ : state) {
        Fresh(dest);
        tool += Seconds([&] {
            Run({"unrar x -idq -y", Quoted(data.Archive()), Quoted(dest / "")});
        });
        pipeline::UpgradeJob job(sink, (data.Dir() / "app").string());
        const double pass = Seconds([&] {
            if (job.ExtractFiles(data.Archive(), 0) != pipeline::PassEnd::Complete) {
                state.SkipWithError("extraction failed");
            }
        });
        ours += pass;
        state.SetIterationTime(pass);
    }
    Report(state, tool, ours, "unrar");
}

// range(0): the pause per directory entry in milliseconds (0 or the job's 5).
void BM_CopyWalkVsCp(benchmark::State& state) {
    Data& data = Data::Get();
    QuietSink sink;
    const fs::path cpOut = data.Dir() / "cp-out";
    const fs::path walkOut = data.Dir() / "walk-out";
    const pipeline::JobPauses pauses{std::chrono::milliseconds(0),
                                     std::chrono::milliseconds(state.range(0))};
    double tool = 0;
    double ours = 0;
    int round = 0;
    for (auto _ : state) {
        pipeline::UpgradeJob job(sink, (data.Dir() / "app").string(), pauses);
        job.m_strDrive = walkOut.string();
        const fs::path staging = platform::ToNativePath(job.TempDir()).value();
        Fresh(staging);
        Run({"cp -r", Quoted(data.Tree()), Quoted(staging / "")});
        // Both sides copy the staged tree, each into a folder emptied first,
        // and take turns at going first.
        const auto copyByCp = [&] {
            Fresh(cpOut);
            tool += Seconds([&] {
                Run({"cp -r", Quoted(staging / data.Tree().filename() / "."), Quoted(cpOut)});
            });
        };
        const bool cpFirst = round++ % 2 == 0;
        if (cpFirst) copyByCp();
        Fresh(walkOut);
        const double walk = Seconds([&] { job.CopyFolder(job.TempDir()); });
        if (!cpFirst) copyByCp();
        ours += walk;
        state.SetIterationTime(walk);
    }
    Report(state, tool, ours, "cp");
}

constexpr int kManyFiles = 20000;

// The package of many small entries: the plain archive for the tools and the
// same archive scrambled for the job, behind a head whose key block is its
// own mirror image (so that descrambling scrambles).
class ManyData {
public:
    static ManyData& Get() {
        static ManyData data;
        return data;
    }
    const fs::path& Dir() const { return m_dir; }
    std::string Plain() const { return (m_dir / "many.plain").string(); }
    std::string Package() const { return (m_dir / "many.rar").string(); }

private:
    ManyData() {
        platform::PinLocalTimeZone();
        std::string pattern = (fs::temp_directory_path() / "ostrel-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_dir = pattern;
        const fs::path tree = m_dir / "tree" / "PKG";
        std::mt19937 engine(kManyFiles);
        for (int i = 0; i < kManyFiles; ++i) {
            const bool top = i < kManyFiles * 3 / 4;
            const fs::path folder = top ? tree : tree / (i < kManyFiles * 7 / 8 ? "FONT" : "DICT");
            fs::create_directories(folder);
            const std::string bytes = FileBytes(i, 256 + engine() % (4096 - 256));
            std::string name = std::to_string(i);
            name.insert(0, 1, 'F');
            name.append(i % 10 == 0 ? ".EPT" : ".BIN");
            std::ofstream(folder / name, std::ios::binary) << bytes;
        }
        Run({"cd", Quoted(m_dir / "tree"), "&& rar a -m3 -qo- -r -idq", Quoted(Plain()),
             "PKG >/dev/null"});
        Run({"python3", Quoted(fs::path(OSTREL_SOURCE_DIR) / "bench" / "windows_attrs.py"),
             Quoted(Plain())});
        Scramble();
        fs::remove_all(m_dir / "tree");
    }
    ~ManyData() {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    void Scramble() {
        std::string head(384, '\0');
        std::mt19937 engine(5);
        for (char& c : head) c = static_cast<char>(engine());
        for (std::size_t i = 0; i < 128; ++i) head[128 + 255 - i] = head[128 + i];
        const fs::path plainPackage = m_dir / "plain-package";
        const fs::path body = m_dir / "body";
        std::ofstream(plainPackage, std::ios::binary)
            << head << std::ifstream(Plain(), std::ios::binary).rdbuf();
        DeviceInfo info{};
        DescramblePackage(plainPackage.string(), body.string(), info);
        std::ofstream(Package(), std::ios::binary)
            << head << std::ifstream(body, std::ios::binary).rdbuf();
        fs::remove(plainPackage);
        fs::remove(body);
    }

    fs::path m_dir;
};

// Seconds spent in each part of a job, summed over the iterations.
struct JobStages {
    double start = 0;    // claims, descrambling, the counting pass
    double extract = 0;  // the extraction pass with the encoding
    double copy = 0;     // the copy walk (no pauses here)
    double flush = 0;    // the flush and the check of every copied file
    double remove = 0;   // removing the staging folder

    void Add(std::chrono::steady_clock::time_point begun, const ServingSink& sink) {
        using Phase = pipeline::JobPhase;
        const auto at = [&](Phase phase) {
            return sink.stageStarts[static_cast<std::size_t>(phase)];
        };
        const auto seconds = [](auto from, auto to) {
            return std::chrono::duration<double>(to - from).count();
        };
        start += seconds(begun, at(Phase::Extracting));
        extract += seconds(at(Phase::Extracting), at(Phase::Waiting));
        copy += seconds(at(Phase::Copying), at(Phase::Flushing));
        flush += seconds(at(Phase::Flushing), at(Phase::Deleting));
        remove += seconds(at(Phase::Deleting), at(Phase::Finished));
    }
};

// One whole job as the window runs it, onto the drive E: declared as `drive`.
void RunJob(benchmark::State& state, const fs::path& appDir, const std::string& package,
            JobStages* stages = nullptr) {
    const auto begun = std::chrono::steady_clock::now();
    ServingSink sink;
    pipeline::UpgradeJob job(
        sink, appDir.string(),
        pipeline::JobPauses{std::chrono::milliseconds(0), std::chrono::milliseconds(0)});
    sink.job = &job;
    job.m_strFilePath = package;
    job.m_strDrive = "E:\\";
    if (job.Initialise()) sink.queue.Serve([&] { return sink.closed; });
    if (!job.Succeeded() || !sink.failure.empty())
        state.SkipWithError(("job failed: " + sink.failure).c_str());
    if (stages != nullptr) stages->Add(begun, sink);
}

// The tools' side is `unrar x` + `cp -r`; removing their extracted tree is
// timed apart (rm_s), as the job removes its staging folder too. The job has
// no pauses here: they are fixed and the same for every implementation.
void BM_ManyEntriesVsTools(benchmark::State& state) {
    ManyData& data = ManyData::Get();
    const fs::path stage = data.Dir() / "unrar-out";
    const fs::path cpOut = data.Dir() / "cp-out";
    const fs::path drive = data.Dir() / "drive";
    fs::create_directories(drive);
    fs::create_directories(data.Dir() / "app");
    ::setenv("OSTREL_DRIVES", ("E=" + drive.string()).c_str(), 1);
    double unrar = 0;
    double copy = 0;
    double removal = 0;
    double ours = 0;
    // The seconds of each round. The ratios are taken over pairs of rounds,
    // one with each side first: whichever side goes first meets the memory
    // the other freed, and on a guest that hands freed memory back to its
    // host the next touch of that memory is slow. Their median moves less
    // with one slow run on a shared machine than the ratio of the sums. The
    // judged one holds the stages that do the tools' work (the extraction
    // with the encoding, the copy walk) against the tools.
    std::vector<double> jobs;
    std::vector<double> works;
    std::vector<double> toolRuns;
    JobStages stages;
    int round = 0;
    for (auto _ : state) {
        double unrarRun = 0;
        double copyRun = 0;
        const auto tools = [&] {
            Fresh(stage);
            Fresh(cpOut);
            unrarRun = Seconds([&] {
                Run({"unrar x -idq -y", Quoted(data.Plain()), Quoted(stage / "")});
            });
            copyRun = Seconds([&] { Run({"cp -r", Quoted(stage / "PKG" / "."), Quoted(cpOut)}); });
            removal += Seconds([&] { Run({"rm -r", Quoted(stage)}); });
        };
        // The two sides take turns at going first.
        const bool toolsFirst = round++ % 2 == 0;
        if (toolsFirst) tools();
        Fresh(drive);
        const double workBefore = stages.extract + stages.copy;
        const double job =
            Seconds([&] { RunJob(state, data.Dir() / "app", data.Package(), &stages); });
        if (!toolsFirst) tools();
        unrar += unrarRun;
        copy += copyRun;
        ours += job;
        jobs.push_back(job);
        works.push_back(stages.extract + stages.copy - workBefore);
        toolRuns.push_back(unrarRun + copyRun);
        state.SetIterationTime(job);
    }
    const auto pairMedian = [&](const std::vector<double>& side) {
        std::vector<double> ratios;
        for (std::size_t i = 0; i + 1 < side.size(); i += 2) {
            ratios.push_back((side[i] + side[i + 1]) / (toolRuns[i] + toolRuns[i + 1]));
        }
        std::sort(ratios.begin(), ratios.end());
        return ratios[ratios.size() / 2];
    };
    state.counters["ratio_median"] = pairMedian(jobs);
    state.counters["work_ratio_median"] = pairMedian(works);
    const double tool = unrar + copy;
    state.counters["tools_s"] = tool / static_cast<double>(state.iterations());
    state.counters["unrar_s"] = unrar / static_cast<double>(state.iterations());
    state.counters["cp_s"] = copy / static_cast<double>(state.iterations());
    state.counters["rm_s"] = removal / static_cast<double>(state.iterations());
    state.counters["ours_s"] = ours / static_cast<double>(state.iterations());
    state.counters["throughput_vs_tool"] = tool / ours;
    const auto perRun = [&](double total) {
        return total / static_cast<double>(state.iterations());
    };
    state.counters["start_s"] = perRun(stages.start);
    state.counters["extract_s"] = perRun(stages.extract);
    state.counters["copy_s"] = perRun(stages.copy);
    state.counters["flush_s"] = perRun(stages.flush);
    state.counters["remove_s"] = perRun(stages.remove);
}

BENCHMARK(BM_ExtractFilesVsUnrar)->Unit(benchmark::kMillisecond)->Iterations(6)->UseManualTime();
BENCHMARK(BM_CopyWalkVsCp)
    ->Arg(0)
    ->Arg(5)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(6)
    ->UseManualTime();
BENCHMARK(BM_ManyEntriesVsTools)->Unit(benchmark::kMillisecond)->Iterations(10)->UseManualTime();

}  // namespace
