#include "pages/ForgetUsers.h"

#include "MessageBox.h"
#include "ReadOnlySite.h"
#include "pages/frmCommandResult.h"
#include "pages/frmMessage.h"

#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/workflows/UserErasure.h"

#include <set>

namespace zel::ui {

namespace {

// At most this many names in a question; the rest are counted.
constexpr int NamesShown = 12;

QString Listed(const QStringList& names)
{
    if (names.size() <= NamesShown)
        return names.join(QStringLiteral(", "));
    return QStringList(names.mid(0, NamesShown)).join(QStringLiteral(", ")) +
           QStringLiteral(" and %1 more").arg(names.size() - NamesShown);
}

} // namespace

ForgetUsers::ForgetUsers(QWidget* owner, zel::workflows::ChannelMaker makeChannel)
    : QObject(owner), mOwner(owner),
      mMakeChannel(makeChannel ? std::move(makeChannel) : zel::workflows::DefaultChannelMaker())
{
}

frmCommandResult* ForgetUsers::ResultWindow() const
{
    return mResult;
}

bool ForgetUsers::Run(const std::vector<UserPtr>& users, const std::string& action)
{
    if (users.empty() || mRunning)
        return false;
    const QString title = QStringLiteral("Forget Users");
    if (const QString notice = ReadOnlyNotice(); !notice.isEmpty()) {
        ShowMessage(mOwner, notice, title, MsgIcon::Exclamation);
        return false;
    }
    const auto clocks = zel::data::DataSource().GetReaderDescriptionList()->Items();
    QStringList who, where;
    for (const auto& user : users)
        who << QStringLiteral("%1 (%2)").arg(QString::fromStdString(user->UserID()),
                                             QString::fromStdString(user->Name()));
    for (const auto& clock : clocks)
        where << QString::fromStdString(clock->Name());
    const bool one = who.size() == 1;
    const QString question =
        QStringLiteral("Forget %1?\n\n").arg(Listed(who)) +
        (where.isEmpty() ? QStringLiteral("The site has no clocks. ")
                         : (one ? QStringLiteral("The user is removed from every clock of the site (%1: %2), ")
                                : QStringLiteral("The users are removed from every clock of the site (%1: %2), "))
                               .arg(where.size())
                               .arg(Listed(where))) +
        (one ? QStringLiteral("then the hand template is taken out of the site database. The user stays in the "
                              "site, not enrolled. ")
             : QStringLiteral("then their hand templates are taken out of the site database. The users stay in the "
                              "site, not enrolled. ")) +
        QStringLiteral("A clock that cannot be reached keeps a pending erasure, finished the next time it is "
                       "reached.\n\nThis cannot be undone.");
    if (ShowMessage(mOwner, question, title, MsgIcon::Question, MsgButtons::YesNo, MsgResult::No) != MsgResult::Yes)
        return false;

    if (mResult)
        mResult->close();
    zel::workflows::UserErasure erasure(mMakeChannel);
    frmMessage running(mOwner);
    mRunning = &running;
    running.setWindowTitle(QStringLiteral("Forgetting Users"));
    running.SetText(QStringLiteral("Forgetting %1").arg(Listed(who)));
    running.setWindowModality(Qt::WindowModal);
    connect(&running, &frmMessage::CancelClick, this, [&running, &erasure] {
        erasure.Cancel();
        running.SetCancelEnabled(false);
    });
    erasure.SetProgress([this, &running](const zel::workflows::ChannelStep& step) {
        emit ProgressShown(running.ShowChannelStep(step));
    });
    running.show();
    zel::workflows::ErasureReport report;
    QString failure;
    try {
        report = erasure.Forget(users, clocks, action);
    } catch (const zel::Error& error) {
        failure = ErrorMessageText(error);
    }
    running.hide();
    mRunning = nullptr;

    mResult = new frmCommandResult(mOwner, QStringLiteral("Forget Results"), erasure.Report());
    mResult->show();
    if (!failure.isEmpty()) {
        ShowMessage(mOwner,
                    QStringLiteral("The hand templates of %1 are still in the site database: %2\n\nForget them "
                                   "again to finish.")
                        .arg(Listed(who), failure),
                    title, MsgIcon::Critical);
        return true;
    }
    if (!report.Pending.empty()) {
        std::set<QString> pendingClocks;
        for (const auto& pending : report.Pending)
            pendingClocks.insert(QString::fromStdString(pending.ClockName));
        ShowMessage(mOwner,
                    QStringLiteral("The templates are out of the site database. These clocks could not be reached "
                                   "and keep a pending erasure, finished the next time they are reached: %1.")
                        .arg(Listed(QStringList(pendingClocks.begin(), pendingClocks.end()))),
                    title, MsgIcon::Information);
    }
    return true;
}

} // namespace zel::ui
