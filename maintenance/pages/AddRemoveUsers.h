#pragma once

#include "zel/workflows/ChannelGroups.h"

#include <QPointer>
#include <QWidget>

#include <cstddef>
#include <memory>

class QLabel;
class QPushButton;
class QSplitter;

namespace zel::ui {

class Anchor;
class ClockListView;
class DetailedUserListView;
class RotateViewButton;
class ForgetUsers;
class frmCommandResult;
class frmMessage;

// The "Add/Remove Users" page: sends chosen site users to chosen clocks (Export) or removes them
// from those clocks (Remove). The chosen clocks are grouped by channel; each channel is opened
// once for its group, and the groups work at the same time (UserTransmission, off this thread).
// A channel that does not connect (or cannot be made) and a clock that does not answer are
// passed over and the next group or clock is served; an error of the clock library ends the
// command (the other channels finish the clock they are writing). While it runs, a window
// (frmMessage, window-modal) shows one line per channel and offers Cancel, which stops every
// channel before its next user. When the command ends a result window (frmCommandResult, shown
// without blocking) tells what happened to every chosen clock: users sent or removed, channel not
// connected, clock not answering, failed with the error's text, cancelled, or not reached after
// an error. Below the lists, lblNoTemplate names the chosen users who have no hand template (not
// enrolled): Export sends them too, but no hand matches them at a clock. cmdForget ("Forget...")
// forgets the chosen users on every clock of the site and in the site (ForgetUsers).
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
    void SetChannelMaker(zel::workflows::ChannelMaker maker);
    // How many channels work at the same time (1: one after another).
    void SetMaxChannels(std::size_t channels) { mMaxChannels = channels; }
    // The result window of the last command while it is open, or nullptr.
    frmCommandResult* ResultWindow() const;
    // The running window while a command runs, or nullptr.
    frmMessage* RunningWindow() const { return mRunning; }
    // The "Forget..." command's question, running and result windows.
    ForgetUsers* Forget() const { return mForget; }
    // What lblNoTemplate says now ("" while every chosen user has a template).
    QString NoTemplateNote() const;

signals:
    // A channel's line of the running window changed (tests follow the work through it).
    void ProgressShown(const QString& line);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void cmdExport_Click();
    void cmdRemove_Click();
    void cmdForget_Click();
    void Transmit(bool exporting);
    void CloseResult();
    void lvwUsers_SelectionChanged();

    QSplitter* mSplitter;
    DetailedUserListView* mUsers;
    ClockListView* mClocks;
    RotateViewButton* mRotate;
    QPushButton* mExport;
    QPushButton* mRemove;
    QPushButton* mForgetButton;
    ForgetUsers* mForget = nullptr;
    QLabel* mNoTemplate;
    std::unique_ptr<Anchor> mAnchor;
    zel::workflows::ChannelMaker mMakeChannel;
    std::size_t mMaxChannels;
    bool mBusy = false;
    QPointer<frmCommandResult> mResult;
    frmMessage* mRunning = nullptr;
};

} // namespace zel::ui
