#include "SiteSession.h"

#include "MessageBox.h"
#include "RecentSites.h"
#include "pages/frmMain.h"
#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/SiteName.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <exception>

namespace zel::ui {
namespace {

// While a site is left and another opened, the program has no window for a moment: that must not
// end it, as closing its last window otherwise does.
class KeepRunning {
public:
    KeepRunning() : mBefore(QGuiApplication::quitOnLastWindowClosed())
    {
        QGuiApplication::setQuitOnLastWindowClosed(false);
    }
    ~KeepRunning() { QGuiApplication::setQuitOnLastWindowClosed(mBefore); }
    KeepRunning(const KeepRunning&) = delete;
    KeepRunning& operator=(const KeepRunning&) = delete;

private:
    bool mBefore;
};

constexpr const char* OpenTitle = "Open Site";

} // namespace

SiteSession::SiteSession(RecentSites& recent, CreateDatabaseQuestion askCreate, ReadOnlyQuestion askReadOnly)
    : mRecent(recent), mAskCreate(std::move(askCreate)), mAskReadOnly(std::move(askReadOnly))
{
}

SiteSession::~SiteSession()
{
    mWindow.reset();
    // Every change is in the site database file itself once the program has ended: a copy of
    // that one file is a complete backup.
    ReleaseSiteDatabase();
}

StartupResult SiteSession::Start(const QString& site)
{
    const StartupResult result = Open(site);
    if (result != StartupResult::Opened)
        return result;
    return MakeWindow() ? StartupResult::Opened : StartupResult::Failed;
}

StartupResult SiteSession::Open(const QString& site)
{
    const StartupResult result = OpenSite(site, nullptr, mAskCreate, mAskReadOnly);
    if (result == StartupResult::Opened) {
        // A file by its full path: the working directory may differ at the next start.
        mSite = IsServerSiteOpen() ? site : DatabasePath();
        mRecent.Remember(mSite);
    }
    return result;
}

bool SiteSession::MakeWindow()
{
    try {
        mWindow = std::make_unique<frmMain>();
    } catch (const zel::Error& e) {
        ShowMessage(nullptr, StartupErrorText(e.Number(), QString::fromStdString(e.Description())), {},
                    MsgIcon::Critical);
        return false;
    } catch (const std::exception& e) {
        ShowMessage(nullptr, StartupErrorText(-2147467259L, QString::fromLocal8Bit(e.what())), {}, MsgIcon::Critical);
        return false;
    }
    // The title names the site, so that windows on several sites can be told apart.
    const QString shown = ShownSite();
    if (!mWindow->windowTitle().contains(shown))
        mWindow->setWindowTitle(mWindow->windowTitle() + QStringLiteral(" - ") + shown);
    mWindow->SetRecentSites(mRecent.Sites());
    connect(
        mWindow.get(), &frmMain::SiteRequested, this,
        [this](const QString& site, bool create) { SwitchTo(site, create); }, Qt::QueuedConnection);
    mWindow->show();
    return true;
}

bool SiteSession::HasUnsavedEntry() const
{
    return mWindow && mWindow->HasPendingEdits();
}

void SiteSession::Leave()
{
    if (mWindow) {
        mWindow->close(); // ends the live clock connection, as leaving the program does
        mWindow.reset();
    }
    ReleaseSiteDatabase();
    mSite.clear();
}

bool SiteSession::SwitchTo(const QString& site, bool create)
{
    QWidget* parent = mWindow.get();
    if (HasUnsavedEntry() &&
        ShowMessage(parent,
                    QStringLiteral("An entry of the lists is being added or edited and has not been saved.\n\n"
                                   "Discard it and open the other site?"),
                    QString::fromLatin1(OpenTitle), MsgIcon::Exclamation, MsgButtons::YesNo,
                    MsgResult::No) != MsgResult::Yes)
        return false;
    // A file name typed wrong is asked about while the open site stays: not creating it then
    // leaves everything as it was.
    if (!create && !zel::data::IsServerSite(site.toStdString())) {
        const QFileInfo file(site);
        if (!file.exists()) {
            if (!mAskCreate || !mAskCreate(file.fileName(), file.absolutePath()))
                return false;
            create = true;
        }
    }
    if (create) {
        try {
            zel::data::DataSource::CreateDatabase(zel::data::IsServerSite(site.toStdString())
                                                      ? site.toStdString()
                                                      : QFile::encodeName(site).toStdString());
        } catch (const zel::Error& e) {
            ShowMessage(parent,
                        QStringLiteral("The new site database \"%1\" could not be made.\n\n%2\n\n(error %3)")
                            .arg(QString::fromStdString(zel::data::MaskedSite(site.toStdString())),
                                 QString::fromStdString(zel::data::MaskSiteIn(e.Description(), site.toStdString())))
                            .arg(e.Number()),
                        QStringLiteral("New Site"), MsgIcon::Critical);
            return false;
        }
    }

    const KeepRunning keep;
    const QString previous = mSite;
    Leave();
    if (Open(site) == StartupResult::Opened && MakeWindow())
        return true;
    // The other site did not open: back to the one left, with the same checks.
    ReleaseSiteDatabase();
    if (!previous.isEmpty() && Open(previous) == StartupResult::Opened && MakeWindow())
        return false;
    ReleaseSiteDatabase();
    emit Ended(2);
    return false;
}

} // namespace zel::ui
