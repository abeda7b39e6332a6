#pragma once
// The debug list window: the entry traces of the debug-list switch ("Mode Debug Ecran"), newest
// first. Created by the first such line and never shown by the program.
#include <QWidget>

class QListView;

class FrmDebugEcran : public QWidget {
    Q_OBJECT
public:
    FrmDebugEcran();
    ~FrmDebugEcran() override;
    QListView* ListeDebug = nullptr;  // view of Listes().ListeDebug

    void Form_Load();
    // The debug-list switch of the options window is turned off (when that window is still
    // loaded), then the position is saved.
    void Form_Unload();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    bool decharge_ = false;
};

// The window, created on first use.
FrmDebugEcran& FrmDebugEcranInstance();
bool FrmDebugEcranChargee();
// From now on the first debug-list line creates the window.
void InstallerFenetreDebug();
