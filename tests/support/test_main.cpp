// Test entry: an offscreen application, scripted dialogs, and an end of program that throws.
#include "platform/dialogs.h"
#include "platform/program_end.h"
#include "support/scripted_dialogs.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetDialogues(&TestDialogs());
    SetFinProgramme([](int code) { throw ProgramEnded{code}; });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
