#pragma once
// Dialog answers given by the test; every box shown is recorded. An unscripted box gets the
// style's first answer and is recorded too, so a test never blocks on a dialog.
#include "platform/dialogs.h"

#include <QStringList>
#include <deque>

struct BoiteAffichee {
    QString prompt;
    int style = 0;
    QString title;
};

class ScriptedDialogs : public DialogProvider {
public:
    std::deque<int> answers;           // message-box answers, in order
    std::deque<QString> inputs;        // input-box values; a null QString means Cancel
    std::deque<QString> folders;       // folder-picker results; empty means Cancel
    std::deque<QString> files;         // file-picker results; empty means Cancel
    std::vector<BoiteAffichee> shown;  // every message box, in order
    std::vector<QString> pickerTitles;

    int msgBox(const QString& prompt, int style, const QString& title) override;
    bool inputBox(const QString& prompt, const QString& title, QString& value) override;
    QString pickFolder(const QString& title, const QString& start) override;
    QString pickOpenFile(const QString& title, const QString& dir, const QString& filter) override;
    void reset() { *this = ScriptedDialogs(); }
};

ScriptedDialogs& TestDialogs();
