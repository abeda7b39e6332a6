#pragma once
// A named place on a window for a control that another part of the program supplies (the list
// and fill grids, the fill property grid). Until it is supplied the place shows an empty stand-in
// of the same kind, so the window looks and lays out as it will.
#include <QWidget>

class EmplacementControle : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of the stand-in.
    EmplacementControle(const QString& nom, QWidget* remplacant, QWidget* parent = nullptr);

    // Puts the control in place of the current one, which is deleted; takes ownership.
    void poser(QWidget* controle);
    QWidget* controle() const { return controle_; }

private:
    QWidget* controle_ = nullptr;
};
