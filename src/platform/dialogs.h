#pragma once
// Modal-box seam: message boxes, input boxes and file/folder pickers. The program shows real
// dialogs; tests install scripted answers so that nothing ever blocks on a dialog.
#include <QString>
#include <QStringList>

// Buttons, icons and answers, with the values the program's code has always used.
namespace Mb {
enum : int {
    OKOnly = 0,
    OKCancel = 1,
    AbortRetryIgnore = 2,
    YesNoCancel = 3,
    YesNo = 4,
    RetryCancel = 5,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
    DefaultButton2 = 256,
    DefaultButton3 = 512,
};
enum Answer : int { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
// The answer a box of these buttons gives when nobody can be asked: its first button.
int ReponseParDefaut(int style);
}  // namespace Mb

class DialogProvider {
public:
    virtual ~DialogProvider() = default;
    virtual int msgBox(const QString& prompt, int style, const QString& title) = 0;
    // Returns false when the user cancelled.
    virtual bool inputBox(const QString& prompt, const QString& title, QString& value) = 0;
    // Empty result: cancelled.
    virtual QString pickFolder(const QString& title, const QString& start) = 0;
    virtual QString pickOpenFile(const QString& title, const QString& dir, const QString& filter) = 0;
};

class QFileDialog;
// A file dialog in the program's language: the toolkit's own dialog, its list's sizes and dates
// written in the default locale.
void DialogueFichiersLocal(QFileDialog& dialogue);

DialogProvider& Dialogues();
// Installs a provider; nullptr puts the real dialogs back.
void SetDialogues(DialogProvider* provider);

inline int MsgBox(const QString& prompt, int style = Mb::OKOnly, const QString& title = QString()) {
    return Dialogues().msgBox(prompt, style, title);
}
