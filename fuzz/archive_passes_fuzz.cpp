// Fuzzes the count, extraction and listing passes over arbitrary archive
// bytes with the real UnRAR library. Whatever the archive holds, nothing may
// appear outside the staging folder, nothing outside may change, no staged
// file may share its data with a file outside, and the listing's names stay
// contained.
#include <unistd.h>

#include <cstdint>
#include <map>
#include <string>

#include "FuzzSupport.h"
#include "pipeline/ArchiveListing.h"
#include "pipeline/ArchiveNames.h"
#include "pipeline/JobSink.h"
#include "pipeline/UpgradeJob.h"

namespace {

using fuzzsupport::Check;

class SilentSink : public pipeline::JobSink {
public:
    void SetRange(int, int) override {}
    void SetPos(int) override {}
    void ShowMessage(const std::string&, const std::string&, unsigned int) override {}
    void Prompt(const std::string&) override {}
    void RequestClose() override {}
};

constexpr const char* kVictim = "victim.txt";
constexpr const char* kVictimText = "the user's file";

// root/cwd is the process's current folder, root/app the program folder
// whose Temp is staging, root/victim.txt a file of the user's.
struct Scene {
    fuzzsupport::ScratchDir root;
    Scene() {
        std::filesystem::create_directories(root.path() / "cwd");
        std::filesystem::create_directories(root.path() / "app");
        fuzzsupport::WriteBytes(root.path() / kVictim, kVictimText);
        Check(::chdir((root.path() / "cwd").c_str()) == 0);
    }
};

bool InStaging(const std::string& relative) { return relative.rfind("app/Temp/", 0) == 0; }

void CheckContained(const Scene& scene) {
    const auto tree = fuzzsupport::Tree(scene.root.path());
    std::map<ino_t, nlink_t> stagedLinks;
    for (const auto& [relative, info] : tree) {
        if (InStaging(relative)) {
            if (S_ISREG(info.st_mode)) ++stagedLinks[info.st_ino];
            continue;
        }
        Check(relative == "cwd" || relative == "app" || relative == "app/Temp" ||
              relative == "app/TEMP.TMP" || relative == "plain.rar" || relative == kVictim);
    }
    // A hard link in staging must not reach a file outside it.
    for (const auto& [relative, info] : tree) {
        if (InStaging(relative) && S_ISREG(info.st_mode)) {
            Check(stagedLinks[info.st_ino] == info.st_nlink);
        }
    }
    Check(fuzzsupport::ReadBytes(scene.root.path() / kVictim) == kVictimText);
}

void CheckListing(const pipeline::ArchiveListing& listing) {
    int counted = 0;
    for (const auto& entry : listing.entries) {
        Check(pipeline::ContainedPath(entry.name) == entry.name);
        counted += entry.counted ? 1 : 0;
    }
    Check(counted == listing.count);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pipeline::UseUtf8Locale();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scene scene;
    const std::string archive = (scene.root.path() / "plain.rar").string();
    fuzzsupport::WriteBytes(archive, {reinterpret_cast<const char*>(data), size});
    {
        SilentSink sink;
        pipeline::UpgradeJob job(sink, (scene.root.path() / "app").string());
        job.GetFileCount(archive, 0);
        job.ExtractFiles(archive, 0);
    }
    CheckContained(scene);
    CheckListing(pipeline::ListArchive(archive));
    std::error_code ec;
    std::filesystem::remove_all(scene.root.path() / "app" / "Temp", ec);
    return 0;
}
