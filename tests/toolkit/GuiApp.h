// The Qt application for window tests: one per test program, offscreen
// unless the environment asks for another platform.
#pragma once

#include <QApplication>
#include <QByteArray>

namespace testsupport {

inline QApplication& GuiApp() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    }
    static int argc = 1;
    static char name[] = "ostrel_gui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing it down after Qt's own statics at exit crashes.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace testsupport
