// The program a user starts.
#include <cstdio>

#include "app/OstrelApp.h"
#include "platform/Drives.h"
#include "ui/ResetSignal.h"

namespace {

// A drive declaration that was refused leaves the chooser without that
// letter; say why where the user who declared it looks.
void WarnAboutDriveDeclarations() {
    for (const auto& problem : platform::ReadDriveTable().problems) {
        std::fprintf(stderr, "Ostrel: %s\n", problem.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Before any thread starts, so that SIGUSR1 reaches only the main window.
    ResetSignal::BlockSignal();
    WarnAboutDriveDeclarations();
    return theApp.Run(argc, argv);
}
