#include "pages/RotateViewButton.h"

#include <QIcon>
#include <QSplitter>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitUserPagesResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(userpages);
        return true;
    }();
    (void)done;
}

namespace zel::ui {

RotateViewButton::RotateViewButton(QSplitter* splitter, QWidget* parent) : QToolButton(parent), mSplitter(splitter)
{
    InitUserPagesResources();
    setObjectName(QStringLiteral("imgRotateView"));
    setIcon(QIcon(QStringLiteral(":/userpages/rotate.svg")));
    setIconSize(QSize(24, 24));
    setAutoRaise(true);
    setToolTip(QStringLiteral("Rotate"));
    connect(this, &QToolButton::clicked, this, &RotateViewButton::Rotate);
}

void RotateViewButton::Rotate()
{
    mSplitter->setOrientation(mSplitter->orientation() == Qt::Horizontal ? Qt::Vertical : Qt::Horizontal);
}

} // namespace zel::ui
