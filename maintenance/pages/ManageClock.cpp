#include "pages/ManageClock.h"

#include <QLabel>
#include <QVBoxLayout>

namespace zel::ui {

ManageClock::ManageClock(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Manage Clock"), this);
    label->setObjectName(QStringLiteral("lblPlaceholder"));
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}

} // namespace zel::ui
