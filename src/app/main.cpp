// The program a user starts.
#include "app/OstrelApp.h"
#include "ui/ResetSignal.h"

int main(int argc, char** argv) {
    // Before any thread starts, so that SIGUSR1 reaches only the main window.
    ResetSignal::BlockSignal();
    return theApp.Run(argc, argv);
}
