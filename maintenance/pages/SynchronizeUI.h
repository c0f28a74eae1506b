#pragma once

#include "zel/workflows/ChannelGroups.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QCheckBox;
class QPushButton;
class QSplitter;

namespace zel {
class Subscription;
}
namespace zel::data {
class ReaderDescription;
class UserDescription;
} // namespace zel::data
namespace zel::workflows {
class Synchronizer;
}

namespace zel::ui {

class Anchor;
class ClockListView;
class RotateViewButton;
class frmCommandResult;
class frmMessage;

// The "Synchronize Users" page: reads the users of the chosen source clocks into the site
// database and sends every enrolled user of the site to the chosen destination clocks, showing
// each step in a message window with Cancel, with one line per channel (the channels work at
// the same time). An error of the clock library ends the
// synchronization; the window closes and the page stays usable. When the synchronization ends
// (also after Cancel or an error) a result window (frmCommandResult, shown without blocking)
// tells what happened to every chosen source and destination clock, with the error's text. On a
// site opened read-only Synchronize is locked, saying why, and refused before any clock is read.
class SynchronizeUI : public QWidget {
    Q_OBJECT
public:
    explicit SynchronizeUI(QWidget* parent = nullptr);
    ~SynchronizeUI() override;

    ClockListView* SourceClocks() const { return mSourceClocks; }
    ClockListView* DestinationClocks() const { return mDestinationClocks; }
    // The open message window (only while a synchronization runs), or nullptr.
    frmMessage* MessageWindow() const;
    // How channels are made (tests count them); the program's default otherwise.
    void SetChannelMaker(zel::workflows::ChannelMaker maker);
    // The result window of the last synchronization while it is open, or nullptr.
    frmCommandResult* ResultWindow() const;

    // Handlers of the running synchronizer and of the message window.
    void mSynchronizer_BeginSynchornize();
    void mSynchronizer_EstablishingConnection(int mode, std::int32_t channelID);
    void mSynchronizer_ReaderFound(int mode, const std::shared_ptr<zel::data::ReaderDescription>& desc);
    void mSynchronizer_SendingUser(int mode, const std::shared_ptr<zel::data::UserDescription>& desc);
    void mSynchronizer_EndSynchronize();
    void mSynchronizer_Aborted();
    void mMessage_CancelClick();

signals:
    // Raised with every step shown in the message window (tests follow the run through it).
    void StepShown(const QString& text);
    // Raised when a channel's line of the message window changes ("Line A: Front - Sending user...").
    void ChannelStepShown(const QString& line);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void cmdSynchronize_Click();
    void ShowStep(const QString& text);
    void CloseMessage();
    void CloseResult();

    QSplitter* mSplitter;
    ClockListView* mSourceClocks;
    ClockListView* mDestinationClocks;
    QCheckBox* mClearDestinations;
    QPushButton* mSynchronize;
    RotateViewButton* mRotate;
    std::unique_ptr<Anchor> mAnchor;
    zel::workflows::ChannelMaker mMakeChannel;

    std::unique_ptr<zel::workflows::Synchronizer> mSynchronizer;
    std::vector<std::unique_ptr<zel::Subscription>> mSubscriptions;
    QPointer<frmMessage> mMessage;
    QPointer<frmCommandResult> mResult;
    QString mReadOnly; // why Synchronize is locked (a site opened read-only), or ""
};

} // namespace zel::ui
