// The program a user starts.
#include <cstdio>

#include "app/OstrelApp.h"
#include "platform/Drives.h"
#include "platform/TimeZone.h"
#include "ui/ResetSignal.h"
#include "ui/StopSignals.h"

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
    platform::PinLocalTimeZone();
    // Before any thread starts, so that these signals reach only the main window.
    ResetSignal::BlockSignal();
    StopSignals::Block();
    WarnAboutDriveDeclarations();
    return theApp.Run(argc, argv);
}
