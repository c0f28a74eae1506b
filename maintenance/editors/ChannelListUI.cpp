#include "editors/ChannelListUI.h"

namespace zel::ui {

ChannelListUI::ChannelListUI(QWidget* parent) : BoundListUI(parent)
{
    setObjectName(QStringLiteral("ChannelListUI"));
}

} // namespace zel::ui
