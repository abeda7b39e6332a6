#include "shell/control_slot.h"

#include <QVBoxLayout>

EmplacementControle::EmplacementControle(const QString& nom, QWidget* remplacant, QWidget* parent)
    : QWidget(parent) {
    setObjectName(nom);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    poser(remplacant);
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
