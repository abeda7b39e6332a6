#include "support/scripted_dialogs.h"

int ScriptedDialogs::msgBox(const QString& prompt, int style, const QString& title) {
    shown.push_back({prompt, style, title});
    if (!answers.empty()) {
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    return Mb::ReponseParDefaut(style);
}

bool ScriptedDialogs::inputBox(const QString& prompt, const QString& title, QString& value) {
    shown.push_back({prompt, -1, title});
    if (inputs.empty()) return false;
    QString v = inputs.front();
    inputs.pop_front();
    if (v.isNull()) return false;
    value = v;
    return true;
}

QString ScriptedDialogs::pickFolder(const QString& title, const QString&) {
    pickerTitles.push_back(title);
    if (folders.empty()) return {};
    QString v = folders.front();
    folders.pop_front();
    return v;
}

QString ScriptedDialogs::pickOpenFile(const QString& title, const QString&, const QString&) {
    pickerTitles.push_back(title);
    if (files.empty()) return {};
    QString v = files.front();
    files.pop_front();
    return v;
}

ScriptedDialogs& TestDialogs() {
    static ScriptedDialogs d;
    return d;
}
