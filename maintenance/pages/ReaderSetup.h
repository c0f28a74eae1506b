#pragma once

#include <QWidget>

#include <memory>

namespace zel::ui {

class Anchor;
class ConnectionCenter;
class ReaderMenuFile;
class ReaderSettings;
class ReaderTime;

// The "Clock Setup" tab of the Manage Clock page: the clock's date and time, its settings and
// the sending of a menu program, stacked.
class ReaderSetup : public QWidget {
    Q_OBJECT
public:
    explicit ReaderSetup(QWidget* parent = nullptr);
    ~ReaderSetup() override;

    // Passes the connection center on to the three panels.
    void Initialize(ConnectionCenter* cc);

    int Width() const { return width(); }
    int Height() const { return height(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ReaderTime* mTime;
    ReaderSettings* mSettings;
    ReaderMenuFile* mMenuFile;
    std::unique_ptr<Anchor> mAnchor;
};

} // namespace zel::ui
