#include "Context.h"

#include "zel/Error.h"
#include "zel/Text.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/SiteName.h"
#include "zel/workflows/AuditTrail.h"
#include "zel/workflows/ClockRunner.h"
#include "zel/workflows/PrivateFile.h"

#include <charconv>
#include <cstdlib>
#include <optional>
#include <ostream>

namespace zel::cli {

namespace {

// A database ID written as a number ("12"); nothing for any other text.
std::optional<std::int32_t> DatabaseIDIn(const std::string& text)
{
    std::int32_t id = 0;
    if (zel::IsAllDigits(text) && text.size() <= 9 &&
        std::from_chars(text.data(), text.data() + text.size(), id).ec == std::errc())
        return id;
    return std::nullopt;
}

} // namespace

Context::Context(const Arguments& args, std::ostream& out, std::ostream& err, bool terminal,
                 zel::workflows::PrivateFile* output)
    : Args(args), Out(output ? output->Stream() : out), Err(err), mTerminal(terminal), mOutput(output)
{
}

void Context::CommitOutput()
{
    if (mOutput)
        mOutput->Commit();
}

std::string Context::SitePath() const
{
    return zel::data::ChooseSite(Args.Site, std::getenv(zel::data::SiteEnvironmentVariable));
}

std::string Context::ShownSite() const
{
    return zel::data::MaskedSite(SitePath());
}

std::string Context::SiteEngine() const
{
    std::string engine = zel::data::IsServerSite(SitePath()) ? "PostgreSQL server" : "SQLite file";
    if (auto store = zel::data::DataSource().GetConnection(); store && store->IsOpen())
        engine += ", " + store->EngineVersion();
    return engine;
}

std::string Context::Masked(const std::string& text) const
{
    return zel::data::MaskSiteIn(text, SitePath());
}

SiteError Context::SiteFailure(const zel::Error& error) const
{
    return SiteError("site database '" + ShownSite() + "': " + Masked(error.Description()) + " (error " +
                     std::to_string(error.Number()) + ")");
}

void Context::OpenSite()
{
    if (mSiteOpen)
        return;
    const std::string path = SitePath();
    try {
        zel::data::DataSource data;
        if (!mWritesSite && !mAppendsEvents && mFinishesErasures) {
            try {
                data.OpenDatabase(path, zel::data::OpenMode::Append);
            } catch (const zel::Error&) {
                data.ReleaseDatabase(); // a read-only file still serves the command
            }
        }
        data.OpenDatabase(path, mWritesSite      ? zel::data::OpenMode::ReadWrite
                                : mAppendsEvents ? zel::data::OpenMode::Append
                                                 : zel::data::OpenMode::ReadOnly);
        // Loading the lists here puts a site that cannot load under exit status 3 too.
        data.GetChannelDescriptionList();
        data.GetReaderDescriptionList();
        data.GetUserDescriptionList();
    } catch (const zel::Error& error) {
        throw SiteFailure(error);
    }
    mSiteOpen = true;
}

zel::workflows::ChannelMaker Context::Maker(bool dryRun) const
{
    return dryRun || DryRun() ? zel::workflows::DryRunChannelMaker() : zel::workflows::DefaultChannelMaker();
}

std::vector<Context::ReaderPtr> Context::Clocks(const std::vector<std::string>& names, bool all)
{
    OpenSite();
    auto list = zel::data::DataSource().GetReaderDescriptionList();
    std::vector<ReaderPtr> clocks;
    if (all) {
        if (!names.empty())
            throw UsageError("name clocks or give --all, not both");
        clocks = list->Items();
        if (clocks.empty())
            throw UsageError("the site has no clocks");
        return clocks;
    }
    if (names.empty())
        throw UsageError("name at least one clock (by name or database ID), or give --all");
    for (const std::string& name : names) {
        ReaderPtr clock;
        if (list->Contains(name))
            clock = list->Item(name);
        else if (const auto id = DatabaseIDIn(name))
            clock = list->GetByDatabaseID(*id);
        if (!clock)
            throw UsageError("the site has no clock named '" + name + "'");
        clocks.push_back(clock);
    }
    return clocks;
}

std::shared_ptr<zel::data::IChannelDescription> Context::Channel(const std::string& name)
{
    OpenSite();
    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    std::shared_ptr<zel::data::IChannelDescription> channel;
    if (channels->Contains(name))
        channel = channels->Item(name);
    else if (const auto id = DatabaseIDIn(name))
        channel = channels->GetByDatabaseID(*id);
    if (!channel)
        throw UsageError("the site has no channel named '" + name + "'");
    return channel;
}

void Context::Progress(const std::string& clock, const std::string& text)
{
    if (!mTerminal)
        return;
    Err << "\r\033[K" << zel::VisibleText(clock + ": " + text) << std::flush;
    mProgressShown = true;
}

void Context::EndProgress()
{
    if (mTerminal && mProgressShown)
        Err << "\r\033[K" << std::flush;
    mProgressShown = false;
}

void Context::Attach(zel::workflows::ClockRunner& runner)
{
    if (!mTerminal)
        return;
    runner.SetProgress([this](const ReaderPtr& clock, const std::string& stage) { Progress(clock->Name(), stage); });
    runner.SetFinished([this](const zel::workflows::ClockResult& result) {
        Progress(result.Clock->Name(), zel::workflows::OutcomeWord(result.Outcome));
        Err << '\n';
        mProgressShown = false;
    });
}

void Context::SetAuditAction(std::string action, std::vector<std::string> userIDs)
{
    mAudits = true;
    mAuditAction = std::move(action);
    mAuditUsers = std::move(userIDs);
}

void Context::TellAuditFailure(const std::string& failure)
{
    if (!failure.empty())
        Err << "zelctl: warning: " << Masked(failure) << '\n';
}

int Context::Finish(const std::vector<zel::workflows::ClockResult>& results)
{
    EndProgress();
    if (!mAuditAction.empty())
        TellAuditFailure(zel::workflows::AuditTrail().Record(mAuditAction, results, mAuditUsers));
    for (const auto& result : results) {
        if (result.Outcome == zel::workflows::ClockOutcome::Done)
            continue;
        std::string line = (result.Clock ? result.Clock->Name() : std::string("?")) + ": " +
                           zel::workflows::OutcomeWord(result.Outcome);
        if (result.ErrorNumber != 0)
            line += ": error " + std::to_string(result.ErrorNumber);
        if (!result.Detail.empty())
            line += ": " + result.Detail;
        Err << "zelctl: " << zel::VisibleText(line) << '\n';
    }
    if (zel::workflows::AllDone(results))
        return kExitDone;
    return zel::workflows::AnyReached(results) ? kExitSomeFailed : kExitNoClock;
}

} // namespace zel::cli
