#include "shell/control_slot.h"

#include <QVBoxLayout>

EmplacementControle::EmplacementControle(const QString& nom, QWidget* remplacant, QWidget* parent) : QWidget(parent) {
    setObjectName(nom);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    poser(remplacant);
}

EmplacementControle::EmplacementControle(const QString& nom, std::function<QWidget*()> remplacant, QWidget* parent)
    : EmplacementControle(nom, static_cast<QWidget*>(nullptr), parent) {
    remplacant_ = std::move(remplacant);
}

void EmplacementControle::showEvent(QShowEvent* e) {
    if (!controle_ && remplacant_) poser(remplacant_());
    QWidget::showEvent(e);
}

void EmplacementControle::poser(QWidget* controle) {
    if (controle == controle_) return;
    if (controle_) {
        layout()->removeWidget(controle_);
        delete controle_;
        controle_ = nullptr;
    }
    if (!controle) return;
    controle_ = controle;
    controle_->setParent(this);
    layout()->addWidget(controle_);
    controle_->show();
}
