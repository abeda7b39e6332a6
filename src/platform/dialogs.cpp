#include "platform/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QInputDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

namespace {

// The file list's sizes and dates in the program's locale: the list itself writes them in the
// machine's. A folder's type is written as the desktop's type names of the files are ("document
// texte brut"): the toolkit's own word has no French translation.
class ListeFichiersLocale : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        const auto* fichiers = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (fichiers && role == Qt::DisplayRole && index.column() >= 1 && index.column() <= 3) {
            const QModelIndex source = mapToSource(index);
            if (index.column() == 3) return QLocale().toString(fichiers->lastModified(source), QLocale::ShortFormat);
            if (index.column() == 1 && !fichiers->isDir(source))
                return QLocale().formattedDataSize(fichiers->size(source));
            if (index.column() == 2 && fichiers->isDir(source)) return QStringLiteral("dossier");
        }
        return QIdentityProxyModel::data(index, role);
    }
};

class RealDialogs : public DialogProvider {
public:
    int msgBox(const QString& prompt, int style, const QString& title) override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return Mb::ReponseParDefaut(style);
        QMessageBox box;
        box.setWindowTitle(title);
        box.setText(prompt);
        switch (style & 0x70) {
            case Mb::Critical:
                box.setIcon(QMessageBox::Critical);
                break;
            case Mb::Question:
                box.setIcon(QMessageBox::Question);
                break;
            case Mb::Exclamation:
                box.setIcon(QMessageBox::Warning);
                break;
            case Mb::Information:
                box.setIcon(QMessageBox::Information);
                break;
            default:
                break;
        }
        QList<QPair<QMessageBox::StandardButton, int>> buttons;
        switch (style & 0x7) {
            case Mb::OKCancel:
                buttons = {{QMessageBox::Ok, Mb::OK}, {QMessageBox::Cancel, Mb::Cancel}};
                break;
            case Mb::AbortRetryIgnore:
                buttons = {{QMessageBox::Abort, Mb::Abort},
                           {QMessageBox::Retry, Mb::Retry},
                           {QMessageBox::Ignore, Mb::Ignore}};
                break;
            case Mb::YesNoCancel:
                buttons = {{QMessageBox::Yes, Mb::Yes}, {QMessageBox::No, Mb::No}, {QMessageBox::Cancel, Mb::Cancel}};
                break;
            case Mb::YesNo:
                buttons = {{QMessageBox::Yes, Mb::Yes}, {QMessageBox::No, Mb::No}};
                break;
            case Mb::RetryCancel:
                buttons = {{QMessageBox::Retry, Mb::Retry}, {QMessageBox::Cancel, Mb::Cancel}};
                break;
            default:
                buttons = {{QMessageBox::Ok, Mb::OK}};
                break;
        }
        QMessageBox::StandardButtons set;
        for (auto& b : buttons) set |= b.first;
        box.setStandardButtons(set);
        int def = (style & Mb::DefaultButton3) ? 2 : (style & Mb::DefaultButton2) ? 1 : 0;
        if (def < buttons.size()) box.setDefaultButton(buttons[def].first);
        const int r = box.exec();
        for (auto& b : buttons)
            if (b.first == r) return b.second;
        // Closed with Escape or the title bar: Cancel where there is one, else the first answer.
        for (auto& b : buttons)
            if (b.second == Mb::Cancel) return Mb::Cancel;
        return buttons.front().second;
    }
    bool inputBox(const QString& prompt, const QString& title, QString& value) override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
        bool ok = false;
        QString v = QInputDialog::getText(nullptr, title, prompt, QLineEdit::Normal, value, &ok);
        if (ok) value = v;
        return ok;
    }
    QString pickFolder(const QString& title, const QString& start) override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return {};
        QFileDialog d(nullptr, title, start);
        DialogueFichiersLocal(d);
        d.setFileMode(QFileDialog::Directory);
        d.setOption(QFileDialog::ShowDirsOnly);
        return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().constFirst()
                                                                             : QString();
    }
    QString pickOpenFile(const QString& title, const QString& dir, const QString& filter) override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return {};
        QFileDialog d(nullptr, title, dir, filter);
        DialogueFichiersLocal(d);
        d.setFileMode(QFileDialog::ExistingFile);
        return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().constFirst()
                                                                             : QString();
    }
};

RealDialogs g_real;
DialogProvider* g_dialogs = &g_real;

}  // namespace

int Mb::ReponseParDefaut(int style) {
    switch (style & 0x7) {
        case OKCancel:
            return OK;
        case AbortRetryIgnore:
            return Abort;
        case YesNoCancel:
        case YesNo:
            return Yes;
        case RetryCancel:
            return Retry;
        default:
            return OK;
    }
}

DialogProvider& Dialogues() { return *g_dialogs; }
void SetDialogues(DialogProvider* provider) { g_dialogs = provider ? provider : &g_real; }

void DialogueFichiersLocal(QFileDialog& dialogue) {
    // The desktop's own dialog would speak the desktop's language.
    dialogue.setOption(QFileDialog::DontUseNativeDialog);
    dialogue.setProxyModel(new ListeFichiersLocale(&dialogue));
}
