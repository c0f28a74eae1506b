#include "pages/SynchronizeUI.h"

#include <QLabel>
#include <QVBoxLayout>

namespace zel::ui {

SynchronizeUI::SynchronizeUI(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Synchronize Users"), this);
    label->setObjectName(QStringLiteral("lblPlaceholder"));
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}

} // namespace zel::ui
