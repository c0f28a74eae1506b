#include "editors/DirChnlDetailUI.h"

#include "zel/data/DirChnlDescription.h"

namespace zel::ui {

DirChnlDetailUI::DirChnlDetailUI(QWidget* parent) : ChnlDetailEditorBase(parent)
{
    setObjectName(QStringLiteral("DirChnlDetailUI"));
    AddNameField();
    AddSerialFields(1);
    ClearFields();
}

std::int32_t DirChnlDetailUI::ChannelType() const
{
    return zel::data::DirectChannel;
}

bool DirChnlDetailUI::Accepts(const std::shared_ptr<zel::data::IChannelDescription>& channel) const
{
    return std::dynamic_pointer_cast<zel::data::DirChnlDescription>(channel) != nullptr;
}

void DirChnlDetailUI::ShowEntry(const std::shared_ptr<zel::data::IChannelDescription>& channel)
{
    const auto direct = std::dynamic_pointer_cast<zel::data::DirChnlDescription>(channel);
    ShowName(direct->Name());
    ShowSerial(direct->ComPort(), direct->BitRate());
}

} // namespace zel::ui
