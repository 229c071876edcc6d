// Builds the operating manual at build time:
//   ostrel-manual-tool pictures <folder> <sample package>
//   ostrel-manual-tool pdf <manual.html> <pictures folder> <out.pdf>
#include <QApplication>
#include <iostream>
#include <string>

#include "app/manual/ManualPdf.h"
#include "app/manual/WindowTour.h"
#include "toolkit/Translations.h"

namespace {

int Usage() {
    std::cerr << "usage: ostrel-manual-tool pictures <folder> <package>\n"
                 "       ostrel-manual-tool pdf <manual.html> <pictures> <out.pdf>\n";
    return 2;
}

int TakePictures(const char* folder, const char* package) {
    manual::WindowTour tour(folder, package);
    if (tour.Run()) return 0;
    for (const auto& problem : tour.Problems()) std::cerr << "pictures: " << problem << '\n';
    return 1;
}

int BuildPdf(const char* html, const char* pictures, const char* pdf) {
    std::string error;
    if (manual::WriteManualPdf(html, pictures, pdf, &error)) return 0;
    std::cerr << "manual: " << error << '\n';
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    toolkit::InstallChineseTranslations(app);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "pictures" && argc == 4) return TakePictures(argv[2], argv[3]);
    if (mode == "pdf" && argc == 5) return BuildPdf(argv[2], argv[3], argv[4]);
    return Usage();
}
