#include "editors/ListContainer.h"

#include <QLabel>
#include <QVBoxLayout>

namespace zel::ui {

ListContainer::ListContainer(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("User, clock and channel lists"), this);
    label->setObjectName(QStringLiteral("lblPlaceholder"));
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}

void ListContainer::InitListEditors() {}

} // namespace zel::ui
