#pragma once

#include <QWidget>

#include <memory>

class QTabWidget;

namespace zel::ui {

class Anchor;
class ConnectionCenter;
class EnrollmentStation;
class ManageClockUsers;
class ReaderSetup;

// The "Manage Clock" page: the connection center at the top and, below it, the tabs that work on
// the connected clock: "Clock Setup", "Clock Users" and "Enroll Users".
class ManageClock : public QWidget {
    Q_OBJECT
public:
    explicit ManageClock(QWidget* parent = nullptr);
    ~ManageClock() override;

    int Width() const { return width(); }
    int Height() const { return height(); }

    ConnectionCenter* ConnectionCenter1() const { return mConnectionCenter; }
    QTabWidget* Tabs() const { return mTabs; }
    // The index of the tab with `key` ("ReaderSetup", "ManageUsers", "EnrollUsers"), or -1.
    int TabIndex(const QString& key) const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    ConnectionCenter* mConnectionCenter;
    QTabWidget* mTabs;
    ReaderSetup* mReaderSetup;
    ManageClockUsers* mClockUsers;
    EnrollmentStation* mEnrollmentStation;
    std::unique_ptr<Anchor> mAnchor;
};

} // namespace zel::ui
