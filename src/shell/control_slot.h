#pragma once
// A named place on a window for a control that another part of the program supplies (the list
// and fill grids, the fill property grid). Until it is supplied the place shows an empty stand-in
// of the same kind, so the window looks and lays out as it will.
#include <QWidget>

#include <functional>

class EmplacementControle : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of the stand-in.
    EmplacementControle(const QString& nom, QWidget* remplacant, QWidget* parent = nullptr);
    // The stand-in is made only when the place is shown with nothing in it: start-up supplies most
    // places before the window appears, and a stand-in made for nothing would cost its making, its
    // styling and its deletion.
    EmplacementControle(const QString& nom, std::function<QWidget*()> remplacant, QWidget* parent = nullptr);

    // Puts the control in place of the current one, which is deleted; takes ownership.
    void poser(QWidget* controle);
    QWidget* controle() const { return controle_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    QWidget* controle_ = nullptr;
    std::function<QWidget*()> remplacant_;
};
