// Test entry: an offscreen application, scripted dialogs, an end of program that throws, and
// every per-user or machine-wide location pointed into a temporary folder.
#include "platform/dialogs.h"
#include "platform/program_end.h"
#include "support/scripted_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir racine;
    const QString r = racine.path();
    for (const char* d : {"registry", "windows", "config", "runtime", "drives"}) QDir().mkpath(r + "/" + d);
    qputenv("KIRVO_REGISTRY_DIR", (r + "/registry").toLocal8Bit());
    qputenv("KIRVO_WINDOWS_DIR", (r + "/windows").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (r + "/config").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (r + "/runtime").toLocal8Bit());
    qputenv("KIRVO_DRIVES_ROOT", (r + "/drives").toLocal8Bit());
    QApplication app(argc, argv);
    SetDialogues(&TestDialogs());
    SetFinProgramme([](int code) { throw ProgramEnded{code}; });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
