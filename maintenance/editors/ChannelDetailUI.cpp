#include "editors/ChannelDetailUI.h"

#include "MessageBox.h"
#include "editors/DirChnlDetailUI.h"
#include "editors/EditorSupport.h"
#include "editors/EthChnlDetailUI.h"
#include "editors/MdmChnlDetailUI.h"

#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/workflows/ListRules.h"

#include <QComboBox>
#include <QLabel>
#include <QResizeEvent>

namespace zel::ui {
namespace {

constexpr int kWidth = ChnlDetailEditorBase::DesignWidth;
constexpr int kSelectorHeight = 30;

// Entries of the kind selector, in order, with the editor each one shows.
struct KindChoice {
    const char* text;
    int editor;
};
constexpr KindChoice kKinds[] = {
    {"Ethernet", ChannelDetailUI::EthernetEditor},
    {"Direct Serial", ChannelDetailUI::DirectEditor},
    {"Modem", ChannelDetailUI::ModemEditor},
};

} // namespace

ChannelDetailUI::ChannelDetailUI(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ChannelDetailUI"));
    resize(kWidth, kSelectorHeight + ChnlDetailEditorBase::DesignHeight);

    mTypeLabel = new QLabel(QStringLiteral("Channel Type:"), this);
    mTypeLabel->setObjectName(QStringLiteral("lblAddNewType"));
    mTypeLabel->setGeometry(12, 2, 100, 22);
    mAddNewType = new QComboBox(this);
    mAddNewType->setObjectName(QStringLiteral("cboAddNewType"));
    mAddNewType->setGeometry(116, 2, kWidth - 116 - 12, 22);
    for (const auto& kind : kKinds)
        mAddNewType->addItem(QString::fromLatin1(kind.text), kind.editor);
    connect(mAddNewType, &QComboBox::activated, this, &ChannelDetailUI::OnKindChosen);
    mAnchor.Add(mAddNewType, AnchorLeft | AnchorRight);

    mDirect = new DirChnlDetailUI(this);
    mDirect->setObjectName(QStringLiteral("DirChnlDetailUI1"));
    mModem = new MdmChnlDetailUI(this);
    mModem->setObjectName(QStringLiteral("MdmChnlDetailUI1"));
    mEthernet = new EthChnlDetailUI(this);
    mEthernet->setObjectName(QStringLiteral("EthChnlDetailUI1"));
    mEditors = {mDirect, mModem, mEthernet};
    for (auto* editor : mEditors) {
        editor->Widget()->move(0, kSelectorHeight);
        mAnchor.Add(editor->Widget(), AnchorAll);
    }

    SetInAddNewMode(false);
    ShowEditor(DirectEditor);
}

void ChannelDetailUI::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mAnchor.ReAnchor();
}

void ChannelDetailUI::ShowEditor(int number)
{
    for (int i = 0; i < static_cast<int>(mEditors.size()); ++i)
        mEditors[static_cast<std::size_t>(i)]->Widget()->setVisible(i == number);
    mCurrent = mEditors[static_cast<std::size_t>(number)];
    mCurrent->SetInEditMode(mInEditMode);
}

int ChannelDetailUI::CurrentEditorNumber() const
{
    for (int i = 0; i < static_cast<int>(mEditors.size()); ++i)
        if (mEditors[static_cast<std::size_t>(i)] == mCurrent)
            return i;
    return DirectEditor;
}

void ChannelDetailUI::OnKindChosen(int index)
{
    if (index >= 0)
        ShowEditor(mAddNewType->itemData(index).toInt());
}

void ChannelDetailUI::SetInEditMode(bool editing)
{
    mInEditMode = editing;
    mCurrent->SetInEditMode(editing);
}

void ChannelDetailUI::SetInAddNewMode(bool adding)
{
    mInAddNewMode = adding;
    if (adding)
        mAddNewType->setCurrentIndex(-1); // no kind chosen yet: the editor shown last stays current
    mTypeLabel->setVisible(adding);
    mAddNewType->setVisible(adding);
    mAnchor.ReAnchor();
}

std::int32_t ChannelDetailUI::ChannelType() const
{
    return mCurrent->ChannelType();
}

std::int32_t ChannelDetailUI::SelectedID() const
{
    return mCurrent->SelectedID();
}

void ChannelDetailUI::SetSelectedID(std::int32_t id)
{
    if (id != 0) {
        const auto channel = mList ? mList->GetByDatabaseID(id) : nullptr;
        if (std::dynamic_pointer_cast<zel::data::DirChnlDescription>(channel))
            ShowEditor(DirectEditor);
        else if (std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channel))
            ShowEditor(EthernetEditor);
        else
            ShowEditor(ModemEditor);
    } else {
        Clear();
    }
    mCurrent->SetSelectedID(id);
}

void ChannelDetailUI::SetChannelList(std::shared_ptr<zel::data::ChannelDescriptionList> list)
{
    mList = list;
    for (auto* editor : mEditors)
        editor->SetChannelList(list);
}

QString ChannelDetailUI::ChannelName() const
{
    return mCurrent->Name();
}
std::int32_t ChannelDetailUI::ChannelBitRate() const
{
    return mCurrent->BitRate();
}
std::int32_t ChannelDetailUI::ChannelComPort() const
{
    return mCurrent->ComPort();
}
QString ChannelDetailUI::ChannelIPAddress() const
{
    return mCurrent->IPAddress();
}
std::int32_t ChannelDetailUI::ChannelIPPort() const
{
    return mCurrent->IPPort();
}
QString ChannelDetailUI::ChannelPhoneNumber() const
{
    return mCurrent->PhoneNumber();
}

void ChannelDetailUI::Refresh()
{
    mCurrent->Refresh();
}

void ChannelDetailUI::Clear()
{
    for (auto* editor : mEditors)
        editor->Clear();
}

bool ChannelDetailUI::Validate()
{
    const auto type = static_cast<zel::data::ChannelTypeEnum>(mCurrent->ChannelType());
    std::optional<std::int64_t> port;
    if (type == zel::data::EthernetChannel && mEthernet->IPPortIsNumber())
        port = mCurrent->IPPort();
    return !ShowRefusal(this, zel::workflows::CheckChannelFields(type, FromQ(mCurrent->Name()),
                                                                 FromQ(mCurrent->PhoneNumber()),
                                                                 FromQ(mCurrent->IPAddress()), port));
}

} // namespace zel::ui
