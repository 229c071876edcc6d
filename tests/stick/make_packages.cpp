// Makes the packages the stick boots write that the sample cannot give:
//   ostrel-stick-packages FOLDER
// writes into FOLDER names5.rar (RAR 5 made by the installed rar: UTF-8
// names, compressed), names4.rar (RAR 4 as Chinese Windows makes it: GBK
// names without a Unicode copy, and two names that differ only in letter
// case, the later one with other bytes), bad.rar (OK.TXT and Q?.TXT, a
// name FAT cannot hold) and big.rar (three stored files of 16 MiB, each of one
// repeated byte so that the guest's initramfs stays small: long enough a copy
// to pull the stick during it, more than a small stick holds).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/PackageMaker.h"
#include "support/Rar4Writer.h"

namespace fs = std::filesystem;

namespace {

const DeviceInfo kInfo = testsupport::MakeDeviceInfo("T512A0000001", "3F2A19C4", "0201");

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool WriteNames5(const fs::path& out) {
    const fs::path work = out / "names5.work";
    fs::remove_all(work);
    WriteText(work / "PKG" / "说明.TXT", "请将本U盘插入设备后开机，设备将自动升级。\r\n");
    WriteText(work / "PKG" / "资料" / "第一章.TXT", testsupport::RandomBytes(3000, 5));
    if (!testsupport::RunRar(work, "a -ma5 -m3 -r names5.rar PKG")) {
        std::fprintf(stderr, "ostrel-stick-packages: rar a -ma5 failed (is rar installed?)\n");
        return false;
    }
    const std::string archive = testsupport::WithWindowsAttributes(ReadBytes(work / "names5.rar"));
    testsupport::WritePackage(out / "names5.rar", archive, kInfo, 5);
    fs::remove_all(work);
    return true;
}

// "中文资料\宋体.FNT" and the like, as code page 936 stores them.
void WriteNames4(const fs::path& out) {
    const std::string folder = "\xd6\xd0\xce\xc4\xd7\xca\xc1\xcf";  // 中文资料
    const std::string font = "\xcb\xce\xcc\xe5.FNT";                // 宋体.FNT
    const std::string readme = "\xb6\xc1\xce\xd2.TXT";              // 读我.TXT
    testsupport::Rar4Writer archive;
    archive.Folder("PKG")
        .File("PKG\\" + readme, "GBK name\r\n")
        .Folder("PKG\\" + folder)
        .File("PKG\\" + folder + "\\" + font, testsupport::RandomBytes(5000, 4))
        .File("PKG\\A.TXT", "the earlier, upper-case entry")
        .File("PKG\\a.txt", "the later one");
    testsupport::WritePackage(out / "names4.rar", archive.Bytes(), kInfo, 4);
}

void WriteBad(const fs::path& out) {
    testsupport::Rar4Writer archive;
    archive.Folder("PKG").File("PKG\\OK.TXT", "fine").File("PKG\\Q?.TXT", "no such name on FAT");
    testsupport::WritePackage(out / "bad.rar", archive.Bytes(), kInfo, 6);
}

void WriteBig(const fs::path& out) {
    constexpr std::size_t kSize = 16u << 20;
    testsupport::Rar4Writer archive;
    archive.Folder("PKG");
    for (char n = '1'; n <= '3'; ++n) {
        archive.File(std::string("PKG\\BIG") + n + ".BIN", std::string(kSize, n));
    }
    testsupport::WritePackage(out / "big.rar", archive.Bytes(), kInfo, 7);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ostrel-stick-packages FOLDER\n");
        return 2;
    }
    const fs::path out = argv[1];
    fs::create_directories(out);
    WriteNames4(out);
    WriteBad(out);
    WriteBig(out);
    return WriteNames5(out) ? 0 : 1;
}
