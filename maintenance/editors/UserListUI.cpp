#include "editors/UserListUI.h"

namespace zel::ui {

UserListUI::UserListUI(QWidget* parent) : BoundListUI(parent)
{
    setObjectName(QStringLiteral("UserListUI"));
}

} // namespace zel::ui
