#include "pages/AddRemoveUsers.h"

#include <QLabel>
#include <QVBoxLayout>

namespace zel::ui {

AddRemoveUsers::AddRemoveUsers(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Add/Remove Users"), this);
    label->setObjectName(QStringLiteral("lblPlaceholder"));
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}

} // namespace zel::ui
