// Fuzzes stored-name conversion and containment: a contained path never
// leaves the folder it is put under and is its own reduction; every converted
// name is UTF-8; resolving letter case keeps a path contained, changes only
// its case, and gives one spelling to paths that differ only in case.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "pipeline/ArchiveNames.h"

namespace {

using fuzzsupport::Check;

void CheckContainedPath(const std::string& stored) {
    const std::string contained = pipeline::ContainedPath(stored);
    Check(pipeline::ContainedPath(contained) == contained);
    Check(contained.find('\\') == std::string::npos);
    const std::filesystem::path staging("/staging");
    const auto joined = (staging / contained).lexically_normal();
    const auto relative = joined.lexically_relative(staging);
    Check(!relative.empty() && *relative.begin() != "..");
    const std::string first = contained.substr(0, contained.find('/'));
    Check(!(first.size() == 2 && first[1] == ':'));
}

std::string Folded(std::string path) {
    for (char& c : path) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return path;
}

void CheckLandedNames(const std::string& first, const std::string& second) {
    if (first.empty() || second.empty()) return;
    pipeline::LandedNames names;
    const std::string landed = names.Resolve(first);
    Check(Folded(landed) == Folded(first));
    Check(pipeline::ContainedPath(landed) == landed);
    Check(names.Resolve(landed) == landed);
    const std::string other = names.Resolve(second);
    Check(Folded(other) == Folded(second));
    if (Folded(first) == Folded(second)) Check(other == landed);
}

// Two bytes per UTF-16 unit, as the library's wide names hold them here.
std::wstring WideUnits(const std::string& bytes) {
    std::wstring wide;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return wide;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pipeline::UseUtf8Locale();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const unsigned hostOs = input.ConsumeIntegralInRange<unsigned>(0, 5);
    const auto form = static_cast<pipeline::NameForm>(input.ConsumeIntegralInRange<int>(0, 2));
    const std::string narrow = input.ConsumeRandomLengthString();
    const std::wstring wide = WideUnits(input.ConsumeRemainingBytesAsString());

    CheckContainedPath(narrow);
    if (const auto utf8 = pipeline::Cp936ToUtf8(narrow)) Check(pipeline::IsValidUtf8(*utf8));
    if (const auto utf8 = pipeline::SurrogateNameToUtf8(wide)) {
        Check(pipeline::IsValidUtf8(*utf8));
    }
    bool converted = false;
    const std::string landing = pipeline::LandingName(narrow, wide, hostOs, form, converted);
    if (converted) Check(pipeline::IsValidUtf8(landing));
    CheckContainedPath(landing);
    CheckLandedNames(pipeline::ContainedPath(landing), pipeline::ContainedPath(narrow));
    return 0;
}
