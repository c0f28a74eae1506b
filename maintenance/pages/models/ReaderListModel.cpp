#include "zel/Event.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/ReaderDescriptionList.h"

#include "pages/models/ReaderListModel.h"

namespace zel::ui {

ReaderListModel::ReaderListModel(QObject* parent)
    : ListTableModel({{QStringLiteral("Clock Name"), QStringLiteral("Name"), 1440, false},
                      {QStringLiteral("Clock ID"), QStringLiteral("ID"), 800, true},
                      {QStringLiteral("Channel Name"), QStringLiteral("Channel"), 1440, false},
                      {QStringLiteral("Location"), QStringLiteral("Location"), 1440, false}},
                     parent)
{
}

ReaderListModel::~ReaderListModel() = default;

void ReaderListModel::SetLists(std::shared_ptr<zel::data::ReaderDescriptionList> readers,
                               std::shared_ptr<zel::data::ChannelDescriptionList> channels)
{
    mSubscriptions.clear();
    mReaderList = std::move(readers);
    mChannelList = std::move(channels);
    auto keep = [this](zel::Subscription s) {
        mSubscriptions.push_back(std::make_unique<zel::Subscription>(std::move(s)));
    };
    if (mReaderList) {
        keep(mReaderList->ListChanged().Subscribe([this] { mReaderList_ListChanged(); }));
        keep(mReaderList->ListItemChanged().Subscribe(
            [this](std::shared_ptr<zel::data::ReaderDescription> sender) { mReaderList_ListItemChanged(sender); }));
    }
    if (mChannelList) {
        keep(mChannelList->ListChanged().Subscribe([this] { ScheduleRefill(); }));
        keep(mChannelList->ListItemChanged().Subscribe(
            [this](std::shared_ptr<zel::data::IChannelDescription>) { ScheduleRefill(); }));
    }
    RefillNow();
}

std::shared_ptr<zel::data::ReaderDescription> ReaderListModel::ReaderAt(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= mReaders.size())
        return nullptr;
    return mReaders[static_cast<std::size_t>(row)];
}

bool ReaderListModel::IsListed(const std::shared_ptr<zel::data::ReaderDescription>& reader) const
{
    return reader && mReaderList && mReaderList->Contains(reader->Name()) &&
           mReaderList->Item(reader->Name()) == reader;
}

void ReaderListModel::mReaderList_ListChanged()
{
    ScheduleRefill();
}

void ReaderListModel::mReaderList_ListItemChanged(const std::shared_ptr<zel::data::ReaderDescription>&)
{
    ScheduleRefill();
}

void ReaderListModel::Fill(std::vector<Row>& rows)
{
    mReaders.clear();
    if (!mReaderList)
        return;
    for (const auto& reader : *mReaderList) {
        QString channelName = QStringLiteral("Not Assigned");
        if (mChannelList) {
            if (auto channel = mChannelList->GetByDatabaseID(reader->ChannelDescriptionID()))
                channelName = QString::fromStdString(channel->Name());
        }
        QString name = QString::fromStdString(reader->Name());
        rows.push_back(
            {name,
             {name, QString::number(reader->ReaderID()), channelName, QString::fromStdString(reader->Location())}});
        mReaders.push_back(reader);
    }
}

} // namespace zel::ui
