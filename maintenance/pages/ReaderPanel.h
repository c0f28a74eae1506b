#pragma once

#include <QMetaObject>
#include <QWidget>

#include <memory>
#include <string>

namespace zel::support {
class IReader;
}

namespace zel::ui {

class Anchor;
class ConnectionCenter;

// What the panels of the Manage Clock page share: they follow the connection center, hold the
// reader it hands out while a clock is connected, and keep their controls at their edges.
class ReaderPanel : public QWidget {
    Q_OBJECT
public:
    ~ReaderPanel() override;

    // Keeps the connection center and follows its Connected and Disconnected signals; the panel
    // takes the present state of the connection center at once.
    void Initialize(ConnectionCenter* cc);

    int Width() const { return width(); }
    int Height() const { return height(); }

    // Reads again what the panel shows of the connected clock (nothing when none is connected),
    // after another panel changed the clock.
    void ReadAgain();

    void mConnection_Connected(std::shared_ptr<zel::support::IReader> r);
    void mConnection_Disconnected();
    void mConnection_BusyChanged(bool busy);

protected:
    explicit ReaderPanel(QWidget* parent);

    const std::shared_ptr<zel::support::IReader>& Reader() const { return mReader; }
    // The held reader; without one raises number 5 "Reader is not initialized." from `source`.
    zel::support::IReader& RequireReader(const char* source) const;
    ConnectionCenter* Connection() const { return mConnection; }
    // The connected clock's time zone (an IANA name; empty: this machine's zone).
    std::string ClockZone() const;
    Anchor& Anchors() { return *mAnchor; }

    // A reader has arrived (held already); the panel reads what it shows and enables its commands.
    virtual void ReaderConnected() = 0;
    // The reader is gone (dropped already); the panel disables its commands.
    virtual void ReaderDisconnected() = 0;
    // A long command (an enrollment) has begun or ended on the connection: by default the whole
    // panel is locked meanwhile, so that none of its clock commands runs inside that command.
    virtual void ConnectionBusyChanged(bool busy);

    void resizeEvent(QResizeEvent* event) override;

private:
    ConnectionCenter* mConnection = nullptr;
    std::shared_ptr<zel::support::IReader> mReader;
    std::unique_ptr<Anchor> mAnchor;
    QMetaObject::Connection mConnectedLink;
    QMetaObject::Connection mDisconnectedLink;
    QMetaObject::Connection mBusyLink;
};

} // namespace zel::ui
