#pragma once

#include <QObject>
#include <QTimer>

#include <memory>

class QSocketNotifier;

namespace zel::ui {

// Brings the changes that other programs save to a shared site (a server) into this thread's
// lists while the program runs: it watches the connection's change descriptor and takes the
// changes in (DataSource::ApplyStoredChanges) as soon as some arrive; the lists then raise their
// own events, which the views follow. Changes that arrived while other work used the connection
// are taken in at the next tick of a slow timer, which also finds the connection again after it
// was lost and made anew by the next command. Lives on the thread that owns the lists.
class SiteChangeWatcher : public QObject {
    Q_OBJECT
public:
    explicit SiteChangeWatcher(QObject* parent = nullptr);
    ~SiteChangeWatcher() override;
    SiteChangeWatcher(const SiteChangeWatcher&) = delete;
    SiteChangeWatcher& operator=(const SiteChangeWatcher&) = delete;

    // Takes in the changes waiting now; returns how many changed the lists. Errors (a lost
    // connection, a row that breaks the load rules) are not shown: the next command reports them.
    int TakeChanges();
    // The descriptor watched now (-1: none).
    int Descriptor() const { return mDescriptor; }
    // True while changes of other programs are being taken in on this thread (their events are
    // being raised): an editor tells by it that the entry it edits was changed elsewhere.
    static bool IsTaking();

signals:
    // After changes were taken in (their count).
    void ChangesTaken(int count);

private:
    void Watch();

    std::unique_ptr<QSocketNotifier> mNotifier;
    QTimer mTimer;
    int mDescriptor = -1;
    bool mTaking = false;
};

} // namespace zel::ui
