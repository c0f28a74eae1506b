#pragma once
// What every zelctl command is given: its arguments, where to write, how to show progress.
#include "Arguments.h"

#include "zel/workflows/ChannelGroups.h"
#include "zel/workflows/ClockResult.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace zel {
class Error;
}
namespace zel::data {
class IChannelDescription;
class ReaderDescription;
} // namespace zel::data
namespace zel::workflows {
class ClockRunner;
class PrivateFile;
} // namespace zel::workflows

namespace zel::cli {

// Exit statuses.
inline constexpr int kExitDone = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitSite = 3;
inline constexpr int kExitNoClock = 4;

// A failure of the site database (exit status 3).
class SiteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Context {
public:
    using ReaderPtr = std::shared_ptr<zel::data::ReaderDescription>;

    // With an output file (-o FILE), Out is that file's stream.
    Context(const Arguments& args, std::ostream& out, std::ostream& err, bool terminal,
            zel::workflows::PrivateFile* output = nullptr);

    const Arguments& Args;
    std::ostream& Out;
    std::ostream& Err;

    // Puts the output file in place (once; nothing without one). Raises zel::Error 75 when it
    // cannot be written.
    void CommitOutput();

    // The words after the command's own words.
    std::vector<std::string> Operands;

    // The site: --site, else ZEL_SITE, else zel.mdb in the working directory. A file path or a
    // PostgreSQL connection URI; never shown as it is (it may hold a password): see ShownSite.
    std::string SitePath() const;
    // The site as messages and outputs show it: a URI's password masked.
    std::string ShownSite() const;
    // How the site is stored: "SQLite file" or "PostgreSQL server", and the engine's version once
    // the site is open ("SQLite file, SQLite 3.46.1").
    std::string SiteEngine() const;
    // `text` with the site and its password masked wherever it quotes them.
    std::string Masked(const std::string& text) const;
    // The error for a failure of the site database: the shown site and the library's text.
    SiteError SiteFailure(const zel::Error& error) const;
    // Opens the site database (once): read-only unless the command writes it (SetWritesSite) or
    // appends events (SetAppendsEvents), so that reading and collecting commands also work while
    // the program, the site's one writer, has it open.
    // Raises SiteError with the shown site and the library's text (which names the writer).
    void OpenSite();
    void SetWritesSite(bool writes) { mWritesSite = writes; }
    // Appends rows to the append-only tables (the events collected, the audit trail): the site is
    // opened to append (OpenMode::Append) when the command writes no list.
    void SetAppendsEvents(bool appends) { mAppendsEvents = appends; }
    // The action word under which Finish writes one audit row per clock ("time-set"); "" (the
    // default) writes none: a command that only reads, a dry run, or a command whose workflow
    // logs its clocks itself. `userIDs` are the users the command concerns.
    void SetAuditAction(std::string action, std::vector<std::string> userIDs = {});
    // True once the command was given an audit action, even "" (it acts on clocks and is no dry
    // run): a command may then name a more precise action for what it does.
    bool Audits() const { return mAudits; }
    // Tells on standard error why a command's audit rows could not be written (nothing for "").
    void TellAuditFailure(const std::string& failure);
    // A command that reaches clocks finishes their pending erasures: it opens the site to append
    // (beside the program, as a collection does) so that it can record them, or read-only when the
    // site takes no appends (a read-only file; the erasures are recorded by a later command).
    void SetFinishesErasures(bool finishes) { mFinishesErasures = finishes; }
    // True for --dry-run: nothing is written to a clock or to the site.
    bool DryRun() const { return Args.Flag("dry-run"); }
    // The channels of the clock work: for a dry run (or `dryRun`), channels that leave pending
    // erasures alone.
    zel::workflows::ChannelMaker Maker(bool dryRun = false) const;
    // Clocks named by name (any case) or database ID; all clocks of the site for `all`.
    // Raises UsageError for a name that names no clock, or for no clock at all.
    std::vector<ReaderPtr> Clocks(const std::vector<std::string>& names, bool all);
    // The channel named by name (any case) or database ID; UsageError when the site has none.
    std::shared_ptr<zel::data::IChannelDescription> Channel(const std::string& name);

    // On a terminal: one line per clock on standard error, rewritten as the work goes on.
    // Elsewhere: nothing.
    void Progress(const std::string& clock, const std::string& text);
    void EndProgress();
    // Shows the runner's progress: the stage of the clock at hand, then a line per finished clock.
    void Attach(zel::workflows::ClockRunner& runner);

    // Writes the audit rows of the results (see SetAuditAction), reports the failed clocks on
    // standard error ("zelctl: CLOCK: not answering: ...") and gives the exit status for the
    // results: 0 all done, 4 none reached, 1 otherwise.
    int Finish(const std::vector<zel::workflows::ClockResult>& results);

private:
    bool mTerminal;
    zel::workflows::PrivateFile* mOutput;
    bool mSiteOpen = false;
    bool mWritesSite = false;
    bool mAppendsEvents = false;
    bool mFinishesErasures = false;
    bool mProgressShown = false;
    bool mAudits = false;
    std::string mAuditAction;
    std::vector<std::string> mAuditUsers;
};

} // namespace zel::cli
