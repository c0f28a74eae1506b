#include "editors/ReaderListUI.h"

namespace zel::ui {

ReaderListUI::ReaderListUI(QWidget* parent) : BoundListUI(parent)
{
    setObjectName(QStringLiteral("ReaderListUI"));
}

} // namespace zel::ui
