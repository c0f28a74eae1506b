#pragma once

#include "editors/BoundDetailUI.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/ReaderDescriptionList.h"

#include <cstdint>
#include <memory>

class QComboBox;
class QLineEdit;

namespace zel::ui {

// The fields of one clock: name, clock ID, channel (chosen from the site's channels), location
// and time zone (typed, or chosen from the system's zone database: typing a part of a name such
// as "chicago" offers the zones that contain it; empty is this machine's zone, and a name the
// database lacks is refused by the editor when it saves). The channel box follows the channel list: it is refilled
// after every ListChanged of that list.
class ReaderDetailUI : public BoundDetailUI<zel::data::ReaderDescriptionList> {
    Q_OBJECT
public:
    explicit ReaderDetailUI(QWidget* parent = nullptr);

    // Stores the clock list and takes the channel list from the site database.
    void SetReaderList(std::shared_ptr<zel::data::ReaderDescriptionList> list);

    QString ReaderName() const;
    QString ReaderID() const;
    // The DatabaseID of the chosen channel, or -1 when none is chosen.
    std::int32_t ChannelDescID();
    QString ReaderLocation() const;
    // The zone as typed or chosen, without blanks around it; empty for this machine's zone.
    QString ReaderTimeZone() const;

protected:
    void ShowEntry(const std::shared_ptr<zel::data::ReaderDescription>& clock) override;
    void ClearFields() override;

private:
    void FillChannels();
    void ChooseChannel(std::int32_t channelID);

    QLineEdit* mName;
    QLineEdit* mReaderID;
    QComboBox* mChannels;
    QLineEdit* mLocation;
    QComboBox* mTimeZone;
    std::shared_ptr<zel::data::ChannelDescriptionList> mChannelList;
    zel::Subscription mChannelsChanged;
    DeferredCall mFillChannels;
};

} // namespace zel::ui
