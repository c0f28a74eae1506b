#pragma once

#include "workflows/ChannelGroups.h"

#include <QWidget>

#include <memory>

class QPushButton;
class QSplitter;

namespace zel::ui {

class Anchor;
class ClockListView;
class DetailedUserListView;
class RotateViewButton;

// The "Add/Remove Users" page: sends chosen site users to chosen clocks (Export) or removes them
// from those clocks (Remove). The chosen clocks are grouped by channel; each channel is opened
// once for its group. A channel that does not connect and a clock that does not answer are
// passed over silently; an error of the clock library ends the command with its message.
class AddRemoveUsers : public QWidget {
    Q_OBJECT
public:
    explicit AddRemoveUsers(QWidget* parent = nullptr);
    ~AddRemoveUsers() override;

    int Width() const { return width(); }
    int Height() const { return height(); }

    DetailedUserListView* UserList() const { return mUsers; }
    ClockListView* ClockList() const { return mClocks; }
    // How channels are made (tests count them); the program's default otherwise.
    void SetChannelMaker(ChannelMaker maker);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void cmdExport_Click();
    void cmdRemove_Click();
    void Transmit(bool exporting);

    QSplitter* mSplitter;
    DetailedUserListView* mUsers;
    ClockListView* mClocks;
    RotateViewButton* mRotate;
    QPushButton* mExport;
    QPushButton* mRemove;
    std::unique_ptr<Anchor> mAnchor;
    ChannelMaker mMakeChannel;
    bool mBusy = false;
};

} // namespace zel::ui
