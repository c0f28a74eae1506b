#pragma once

#include "zel/workflows/ChannelGroups.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace zel::data {
class UserDescription;
}

namespace zel::ui {

class frmCommandResult;
class frmMessage;

// Forgetting people from the program (the "Forget..." command of the Add/Remove Users page and
// "Forget Due Users..." of the retention window): asks first, naming the users and every clock of
// the site, since any of them may hold the templates; then removes the users from those clocks and
// their templates from the site (UserErasure), with a running window (frmMessage, window-modal,
// one line per channel, Cancel) and a result window (frmCommandResult) per clock. Clocks not
// reached keep a pending erasure, which a message names.
//
// Holds the owner widget, the channel maker and the result window of the last run.
//
// How it fails: a read-only site refuses before the question (nothing is asked or reached); a
// site that cannot be written at the end (a server that dropped the connection) is told in a
// message that says the templates are still in the site: nothing is lost and forgetting again
// finishes the work. An answer No writes nothing.
class ForgetUsers : public QObject {
    Q_OBJECT
public:
    using UserPtr = std::shared_ptr<zel::data::UserDescription>;

    ForgetUsers(QWidget* owner, zel::workflows::ChannelMaker makeChannel);

    // Asks, then forgets the users; the receipt in the audit trail carries `action` ("forget", or
    // "retention" for the retention schedule). False when nothing was done (refused, or No).
    bool Run(const std::vector<UserPtr>& users, const std::string& action = "forget");
    // The result window of the last run while it is open, or nullptr.
    frmCommandResult* ResultWindow() const;
    // The running window while a run goes on, or nullptr.
    frmMessage* RunningWindow() const { return mRunning; }

signals:
    // A channel's line of the running window changed.
    void ProgressShown(const QString& line);

private:
    QWidget* mOwner;
    zel::workflows::ChannelMaker mMakeChannel;
    QPointer<frmCommandResult> mResult;
    frmMessage* mRunning = nullptr;
};

} // namespace zel::ui
