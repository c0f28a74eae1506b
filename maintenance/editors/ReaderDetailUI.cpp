#include "editors/ReaderDetailUI.h"

#include "ShownText.h"

#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/support/ClockZone.h"

#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>

namespace zel::ui {

ReaderDetailUI::ReaderDetailUI(QWidget* parent)
    : BoundDetailUI(parent, QStringLiteral("Detail"), 416, 306), mFillChannels(this, [this] { FillChannels(); })
{
    setObjectName(QStringLiteral("ReaderDetailUI"));
    mName = AddField(new QLineEdit(Frame()), QStringLiteral("txtName"), QStringLiteral("lblName"),
                     QStringLiteral("Name:"), 0);
    mReaderID = AddField(new QLineEdit(Frame()), QStringLiteral("txtReaderID"), QStringLiteral("lblReaderID"),
                         QStringLiteral("Reader ID:"), 1, 80);
    mChannels = AddField(new QComboBox(Frame()), QStringLiteral("cboChannels"), QStringLiteral("lblChannel"),
                         QStringLiteral("Channel:"), 2);
    mLocation = AddField(new QLineEdit(Frame()), QStringLiteral("txtLocation"), QStringLiteral("lblLocation"),
                         QStringLiteral("Location:"), 3);
    mTimeZone = AddField(new QComboBox(Frame()), QStringLiteral("cboTimeZone"), QStringLiteral("lblTimeZone"),
                         QStringLiteral("Time Zone:"), 4);
    mTimeZone->setEditable(true);
    mTimeZone->setInsertPolicy(QComboBox::NoInsert);
    mTimeZone->lineEdit()->setObjectName(QStringLiteral("txtTimeZone"));
    mTimeZone->lineEdit()->setPlaceholderText(QStringLiteral("this machine's zone"));
    mTimeZone->addItem(QString());
    try {
        for (const auto& zone : zel::support::ClockZone::Names())
            mTimeZone->addItem(QString::fromStdString(zone));
    } catch (const zel::Error&) {
        // No database to offer: a typed name is still checked when the clock is saved.
    }
    auto* search = new QCompleter(mTimeZone->model(), mTimeZone);
    search->setObjectName(QStringLiteral("cmpTimeZone"));
    search->setCaseSensitivity(Qt::CaseInsensitive);
    search->setFilterMode(Qt::MatchContains);
    search->setCompletionMode(QCompleter::PopupCompletion);
    mTimeZone->setCompleter(search);
}

void ReaderDetailUI::SetReaderList(std::shared_ptr<zel::data::ReaderDescriptionList> list)
{
    BindList(std::move(list));
    mChannelsChanged.Reset();
    mChannelList = zel::data::DataSource().GetChannelDescriptionList();
    if (mChannelList)
        mChannelsChanged = mChannelList->ListChanged().Subscribe([this] { mFillChannels.Schedule(); });
    FillChannels();
}

void ReaderDetailUI::FillChannels()
{
    mFillChannels.Cancel();
    // The choice survives the refill when its channel is still there.
    const std::int32_t chosen = mChannels->currentIndex() < 0 ? -1 : mChannels->currentData().toInt();
    mChannels->clear();
    if (mChannelList)
        for (const auto& channel : *mChannelList)
            mChannels->addItem(ShownText(channel->Name()), channel->DatabaseID());
    ChooseChannel(chosen);
}

void ReaderDetailUI::ChooseChannel(std::int32_t channelID)
{
    mChannels->setCurrentIndex(channelID < 0 ? -1 : mChannels->findData(channelID));
}

QString ReaderDetailUI::ReaderName() const
{
    return mName->text();
}

QString ReaderDetailUI::ReaderID() const
{
    return mReaderID->text();
}

std::int32_t ReaderDetailUI::ChannelDescID()
{
    mFillChannels.Flush();
    return mChannels->currentIndex() < 0 ? -1 : mChannels->currentData().toInt();
}

QString ReaderDetailUI::ReaderLocation() const
{
    return mLocation->text();
}

QString ReaderDetailUI::ReaderTimeZone() const
{
    return mTimeZone->currentText().trimmed();
}

void ReaderDetailUI::ShowEntry(const std::shared_ptr<zel::data::ReaderDescription>& clock)
{
    mFillChannels.Flush();
    TryStep([&] { mName->setText(ToQ(clock->Name())); });
    TryStep([&] { mReaderID->setText(QString::number(clock->ReaderID())); });
    TryStep([&] { ChooseChannel(clock->ChannelDescriptionID()); }); // none chosen when it is gone
    TryStep([&] { mLocation->setText(ToQ(clock->Location())); });
    TryStep([&] { mTimeZone->setCurrentText(ToQ(clock->TimeZone())); });
}

void ReaderDetailUI::ClearFields()
{
    mFillChannels.Flush();
    mName->clear();
    mReaderID->clear();
    mChannels->setCurrentIndex(-1);
    mLocation->clear();
    mTimeZone->setCurrentText(QString());
}

} // namespace zel::ui
