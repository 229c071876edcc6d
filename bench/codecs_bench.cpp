// Throughput of descrambling a package and encoding an .EPT file, file to
// file, beside a plain copy through the same file class as the baseline.
// The files sit in $TMPDIR (a tmpfs such as /dev/shm keeps the disk out).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "encoder/Encrypt.h"
#include "pipeline/Descrambler.h"
#include "platform/File.h"

namespace {

// A fresh folder holding one input file of random bytes; removed at the end.
class InputFile {
public:
    InputFile(const char* name, std::size_t size) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ostrel-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_dir = pattern;
        m_path = (m_dir / name).string();
        std::vector<char> bytes(size);
        std::mt19937 engine(42);
        for (char& c : bytes) c = static_cast<char>(engine());
        std::ofstream(m_path, std::ios::binary).write(bytes.data(), static_cast<long>(size));
    }
    ~InputFile() {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& path() const { return m_path; }
    std::string Beside(const char* name) const { return (m_dir / name).string(); }

private:
    std::filesystem::path m_dir;
    std::string m_path;
};

// Each run writes a new output file, as the program does.
void RemoveOutput(benchmark::State& state, const std::string& path) {
    state.PauseTiming();
    std::remove(path.c_str());
    state.ResumeTiming();
}

void BM_CopyFile(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    InputFile input("in.bin", size);
    const std::string output = input.Beside("out.bin");
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        CFile in(input.path(), CFile::modeRead);
        CFile out(output, CFile::modeCreate | CFile::modeWrite);
        unsigned count;
        do {
            count = in.Read(buffer.data(), static_cast<unsigned>(buffer.size()));
            out.Write(buffer.data(), count);
        } while (count == buffer.size());
        out.Close();
        RemoveOutput(state, output);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_DescramblePackage(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    InputFile package("update.rar", size);
    const std::string scratch = package.Beside("TEMP.TMP");
    DeviceInfo info{};
    for (auto _ : state) {
        DescramblePackage(package.path(), scratch, info);
        RemoveOutput(state, scratch);
    }
    benchmark::DoNotOptimize(info);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_EncodeImage(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    InputFile ept("boot.EPT", size);
    const std::string image = ept.Beside("boot.EXE");
    DeviceInfo info{};
    info.fill('5');
    for (auto _ : state) {
        Encrypt encoder(ept.path(), &info);
        if (!encoder.Encode()) state.SkipWithError("Encode failed");
        RemoveOutput(state, image);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

constexpr std::int64_t kMiB = 1024 * 1024;

BENCHMARK(BM_CopyFile)->Arg(kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DescramblePackage)
    ->Arg(kMiB)
    ->Arg(64 * kMiB)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_EncodeImage)->Arg(kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
