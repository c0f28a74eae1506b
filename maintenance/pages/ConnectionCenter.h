#pragma once

#include "zel/Event.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace zel::support {
class Channel;
class IReader;
} // namespace zel::support
namespace zel::data {
class ReaderDescription;
class ReaderDescriptionList;
} // namespace zel::data

namespace zel::ui {

class Anchor;
class LampShape;

// The strip at the top of the Manage Clock page: the administrator picks a clock of the site
// database, connects to it and disconnects again. While connected it holds the live channel and
// the clock's reader and hands the reader to the pages below through Connected; Disconnected
// tells them that it is gone. It is the one place where a connection outlives a command.
//
// Errors of the communication library during Connect (for instance a stored address that is not
// a valid dotted address) are shown in a message box; the control is then left disconnected.
// While connected, the clock list names the connected clock (also after a refill, when the page
// is shown again) and the lamp's tooltip says which clock it is.
class ConnectionCenter : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Text WRITE SetText)
public:
    // VB colour values of the status lamp.
    static constexpr int LampRed = 255;
    static constexpr int LampGreen = 65280;

    explicit ConnectionCenter(QWidget* parent = nullptr);
    ~ConnectionCenter() override;

    // The reader of the connected clock, or nullptr.
    std::shared_ptr<zel::support::IReader> Reader() const { return mReader; }
    // The channel of the connected clock, or nullptr.
    std::shared_ptr<zel::support::Channel> ConnectedChannel() const { return mReader ? mChannel : nullptr; }
    // The site's description of the connected clock (its reader ID and time zone), or nullptr
    // when none is connected or the clock has left the site's list meanwhile.
    std::shared_ptr<zel::data::ReaderDescription> ConnectedClock() const;
    // True exactly while a reader is held. Setting true runs the connect sequence for the
    // selected clock (without the selection check of the button), false the disconnect sequence.
    bool IsConnected() const { return mReader != nullptr; }
    // The DatabaseID of the connected clock (0 when none is connected).
    std::int32_t ConnectedClockID() const { return mReader ? mConnectedClockID : 0; }
    void SetIsConnected(bool value);

    // The caption in front of the clock list ("Clocks:" by default).
    QString Text() const;
    void SetText(const QString& text);

    int Width() const { return width(); }
    int Height() const { return height(); }

    // Binds the control to the site database's clock list and refills the clock list; an open
    // connection stays open. Called by the container each time it is shown.
    void Initialize();

    // A command that lets the interface run while it works with the held reader (an enrollment)
    // brackets itself with these. A Disconnect meanwhile drops the reader and tells the pages at
    // once, but closes the channel only when the command has ended, so that the command can still
    // tell the clock that it stops.
    //
    // While such a command runs the center is busy: Connect is locked, and BusyChanged tells the
    // pages to lock their own clock commands (they would otherwise run inside the command's
    // polling). Disconnect stays usable.
    void BeginLongCommand();
    void EndLongCommand();
    bool IsBusy() const { return mLongCommands > 0; }

    void mReaderList_ListChanged();
    void mReaderList_ListItemChanged(const std::shared_ptr<zel::data::ReaderDescription>& sender);

signals:
    void Connected(std::shared_ptr<zel::support::IReader> reader);
    void Disconnected();
    void BusyChanged(bool busy);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void cmdConnect_Click();
    void cmdDisconnect_Click();
    void cboClocks_Click();

    void ConnectSequence();
    void DisconnectSequence();
    void RefillClocks();
    void UpdateButtons();
    void UpdateLamp();
    void LayoutHorizontal();

    QGroupBox* mFrame;
    QLabel* mLabel;
    QComboBox* mClocks;
    QPushButton* mConnect;
    QPushButton* mDisconnect;
    QLabel* mClockPicture;
    LampShape* mLamp;
    std::unique_ptr<Anchor> mAnchor;

    std::shared_ptr<zel::support::IReader> mReader;
    std::int32_t mConnectedClockID = 0; // DatabaseID of the clock of mReader
    std::shared_ptr<zel::support::Channel> mChannel;
    std::shared_ptr<zel::support::Channel> mClosingChannel; // closed when the long command ends
    int mLongCommands = 0;
    std::shared_ptr<zel::data::ReaderDescriptionList> mReaderList;
    zel::Subscription mListChangedSubscription;
    zel::Subscription mListItemChangedSubscription;
};

} // namespace zel::ui
