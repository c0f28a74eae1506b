#pragma once

#include <QWidget>

#include <memory>

namespace zel::ui {

class Anchor;
class ConnectionCenter;
class ReaderClockCheck;
class ReaderMenuFile;
class ReaderSettings;
class ReaderTime;

// The "Clock Setup" tab of the Manage Clock page: the clock's check against the time of its zone
// (with its mending), its date and time, its settings and the sending of a menu program, stacked.
// A mending makes the time and settings panels read the clock again.
class ReaderSetup : public QWidget {
    Q_OBJECT
public:
    explicit ReaderSetup(QWidget* parent = nullptr);
    ~ReaderSetup() override;

    // Passes the connection center on to the panels.
    void Initialize(ConnectionCenter* cc);

    int Width() const { return width(); }
    int Height() const { return height(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ReaderClockCheck* mCheck;
    ReaderTime* mTime;
    ReaderSettings* mSettings;
    ReaderMenuFile* mMenuFile;
    std::unique_ptr<Anchor> mAnchor;
};

} // namespace zel::ui
