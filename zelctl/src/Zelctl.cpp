#include "Zelctl.h"

#include "Commands.h"

#include "zel/Error.h"
#include "zel/data/SiteName.h"
#include "zel/workflows/PrivateFile.h"

#include <array>
#include <exception>
#include <memory>
#include <ostream>
#include <unistd.h>

namespace zel::cli {

namespace {

struct CommandInfo {
    const char* Words; // "users send"
    const char* Synopsis;
    const char* Help;
    int (*Run)(Context&);
};

const std::array<CommandInfo, 21> kCommands{{
    {"clocks", "clocks", "Lists the site's clocks.", ListClocks},
    {"users", "users", "Lists the site's users.", ListUsers},
    {"channels", "channels", "Lists the site's channels.", ListChannels},
    {"status", "status (CLOCK...|--all)",
     "Per clock: answering or not (and why), model, users held and capacity, the clock's time and how many\n"
     "seconds it is ahead of this machine (negative: behind), measured from the middle of the exchange that\n"
     "read it, and whether its daylight-saving dates are this year's (dst: current, stale with the year\n"
     "they belong to in dst_year when it can be told, off). The table is headed by the site (a\n"
     "password masked) and how it is stored; JSON and CSV give the site in a last column, \"site\".",
     Status},
    {"time set", "time set (CLOCK...|--all) [--max-drift SECONDS] [--dry-run]",
     "Sets each clock to this machine's time; with --max-drift only the clocks off by more than SECONDS\n"
     "(above 0). Per clock: action (set, kept, would set), the difference before and after (seconds\n"
     "ahead of this machine). --dry-run reads the clocks and writes nothing.",
     TimeSet},
    {"users get", "users get CLOCK", "Lists the users a clock holds (ID, name in the site, template).", UsersGet},
    {"users import", "users import CLOCK",
     "Stores a clock's users in the site as enrolled users; users the site knows keep their name and level.",
     UsersImport},
    {"users send", "users send (CLOCK...|--all) (--user ID...|--enrolled) [--allow-no-template]",
     "Sends site users to clocks: those named, or every enrolled one. A user without a hand template (not\n"
     "enrolled) is left out and named (exit status 1) unless --allow-no-template sends it anyway.",
     UsersSend},
    {"users remove", "users remove (CLOCK...|--all) (--user ID...|--all-users)",
     "Removes users from clocks: those named (users of the site), or every user of the clock.\n"
     "A named user a clock does not hold is already gone: the clock counts as done and says so.",
     UsersRemove},
    {"sync", "sync --from CLOCK... --to CLOCK... [--clear]",
     "Reads the users of the source clocks into the site, then sends every enrolled user of the site to\n"
     "the destination clocks. With --clear each destination clock is made to hold exactly those users:\n"
     "the users it holds that are not enrolled are removed, and a user who stays is never taken off, so\n"
     "an interrupted run locks nobody out; running it again finishes the work.",
     Sync},
    {"diff", "diff CLOCK",
     "Compares the site's enrolled users with a clock's users: only on the clock, only in the site,\n"
     "not enrolled in the site (known there without a template), templates or levels that differ.\n"
     "Nothing is written.",
     Diff},
    {"scan", "scan CHANNEL [--ids FROM-TO]",
     "Asks every reader ID (default 0-255) on a channel and lists those that answer, with their model.\n"
     "Each silent ID costs one time-out: set ZEL_TIMEOUT_MS lower for a faster scan.",
     Scan},
    {"backup", "backup CLOCK FILE",
     "Writes everything the clock gives back (users with templates and levels, setup record) to FILE\n"
     "(mode 0600; see docs/zelctl.md for the format).",
     Backup},
    {"restore", "restore FILE CLOCK [--yes]",
     "Shows what it would change to make the clock hold what FILE holds; writes only with --yes.", Restore},
    {"events collect", "events collect (CLOCK...|--all)",
     "Reads each clock's event log onward from where the last collection stopped and stores the events\n"
     "in the site (each once). Per clock: events new, already known, and whether the log wrapped past\n"
     "the last collected event.",
     EventsCollect},
    {"events export",
     "events export [--since T] [--until T] [--clock C...] [--user U] [--kind K...] [--format csv|json] [--csv-raw] "
     "[-o FILE]",
     "Writes the stored events, newest first, as CSV (UTF-8, RFC 4180, the default) or JSON to FILE or\n"
     "standard output. T is YYYY-MM-DD (--until: the whole day) or YYYY-MM-DDTHH:MM:SS. K is a group of\n"
     "kinds (punch, refusal, user-change, setup, alarm) or one kind as the kind column writes it\n"
     "(\"Identity verified\"). A CSV text that a spreadsheet would run as a formula (it begins with =, +,\n"
     "-, @, a tab or a carriage return) is written with an apostrophe in front; --csv-raw writes it as\n"
     "it is.",
     EventsExport},
    {"site copy", "site copy --from SITE --to SITE",
     "Copies a whole site database (users with their templates byte for byte, clocks, channels, events;\n"
     "every row keeps its ID) from one site to another: a file to a PostgreSQL server, a server to a file,\n"
     "a file to a file. The destination is a new file, or a server database without the site's tables or\n"
     "with them empty; it is made in one transaction and its row counts are checked. The source is only\n"
     "read.",
     SiteCopy},
    {"settings get", "settings get (CLOCK...|--all)",
     "Per clock: time format (12 or 24), daylight saving (dst: current, stale with the year its dates\n"
     "belong to, off; dst_start and dst_end as MM-DD HH:MM), time and attendance, department tracking.",
     SettingsGet},
    {"settings set",
     "settings set (CLOCK...|--all) [--time-format 12|24] [--dst on|off] [--time-attendance on|off] "
     "[--department-tracking on|off] [--dry-run]",
     "Changes only the named settings on each clock: its settings are read first and saved only when a\n"
     "named setting differs. --dst on sends this year's daylight-saving dates of this machine's zone,\n"
     "off clears them. --dry-run tells what would change and sends nothing.",
     SettingsSet},
    {"settings dst", "settings dst (CLOCK...|--all) [--dry-run]",
     "Sends this year's daylight-saving dates to each clock whose dates are stale; clocks with this\n"
     "year's dates or none are left as they are. --dry-run tells which it would change.",
     SettingsDst},
    {"menu send", "menu send (CLOCK...|--all) FILE [--dry-run]",
     "Sends the menu program in FILE to each clock: a file of 1 to 4096 bytes, padded with zeros to\n"
     "4096 bytes. An empty or longer file is refused before anything is sent. --dry-run sends nothing.",
     MenuSend},
}};

void PrintHelp(std::ostream& out)
{
    out << "Usage: zelctl [--site SITE] [--format table|json|csv] [--csv-raw] [-o FILE] COMMAND [ARGS]\n\n"
           "Runs the site's clocks from the command line. The site database is --site SITE, else the\n"
           "site named by ZEL_SITE, else zel.mdb in the working directory. A site is a file or a\n"
           "PostgreSQL connection URI (postgresql://USER@HOST[:PORT]/DATABASE); keep its password in\n"
           "~/.pgpass, a service file or PGPASSWORD, not on the command line (it is masked in every\n"
           "message). CLOCK is a clock's name (any case) or database ID; --all means every clock of the\n"
           "site. -o FILE (--output FILE) writes the output to FILE (mode 0600) instead of standard\n"
           "output. In CSV, a text that a spreadsheet would run as a formula gets an apostrophe in\n"
           "front; --csv-raw (CSV output) writes every text as it is.\n\nCommands:\n";
    for (const auto& command : kCommands)
        out << "  zelctl " << command.Synopsis << '\n';
    out << "\nzelctl COMMAND --help tells more of one command.\n"
           "Exit status: 0 all done; 1 some clocks failed (each named on standard error); 2 usage;\n"
           "3 site database error; 4 no clock reached.\n";
}

const CommandInfo* FindCommand(const std::vector<std::string>& words, std::size_t& used)
{
    for (const auto& command : kCommands) {
        const std::string name = command.Words;
        const auto space = name.find(' ');
        if (space == std::string::npos) {
            // "users" alone lists; "users get" etc. are two words.
            if (!words.empty() && words[0] == name &&
                !(name == "users" && words.size() > 1 &&
                  (words[1] == "get" || words[1] == "import" || words[1] == "send" || words[1] == "remove"))) {
                used = 1;
                return &command;
            }
        } else if (words.size() >= 2 && words[0] == name.substr(0, space) && words[1] == name.substr(space + 1)) {
            used = 2;
            return &command;
        }
    }
    return nullptr;
}

} // namespace

int RunZelctl(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    const std::vector<std::string> raw(argv + (argc > 0 ? 1 : 0), argv + argc);
    Arguments args;
    try {
        args = Arguments::Parse(raw);
    } catch (const UsageError& error) {
        // It may quote a mistyped option with a site in it.
        err << "zelctl: " << zel::data::MaskSitesIn(error.what()) << "\nTry 'zelctl --help'.\n";
        return kExitUsage;
    }
    if (args.Words.empty()) {
        PrintHelp(args.Help ? out : err);
        return args.Help ? kExitDone : kExitUsage;
    }
    std::size_t used = 0;
    const CommandInfo* command = FindCommand(args.Words, used);
    if (!command) {
        err << "zelctl: unknown command '"
            << zel::data::MaskSitesIn(args.Words[0] +
                                      (args.Words.size() > 1 && args.Words[0] == "time" ? " " + args.Words[1] : ""))
            << "'\nTry 'zelctl --help'.\n";
        return kExitUsage;
    }
    if (args.Help) {
        out << "Usage: zelctl [--site SITE] [--format table|json|csv] " << command->Synopsis << "\n\n"
            << command->Help << '\n';
        return kExitDone;
    }
    // -o FILE: the output goes to FILE (mode 0600), put in place once the command has run.
    std::unique_ptr<zel::workflows::PrivateFile> output;
    if (args.Has("output")) {
        try {
            output = std::make_unique<zel::workflows::PrivateFile>(args.Value("output"));
        } catch (const zel::Error& error) {
            err << "zelctl: " << error.Description() << '\n';
            return kExitSite;
        }
    }
    Context ctx(args, out, err, ::isatty(STDERR_FILENO) == 1, output.get());
    // Only these change the site database; the others open it read-only.
    const std::string words = command->Words;
    ctx.SetWritesSite(words == "users import" || words == "sync");
    // Collection only appends events: it runs beside a program that has the site open.
    ctx.SetAppendsEvents(words == "events collect");
    ctx.Operands.assign(args.Words.begin() + static_cast<std::ptrdiff_t>(used), args.Words.end());
    try {
        const int status = command->Run(ctx);
        ctx.CommitOutput();
        return status;
    } catch (const UsageError& error) {
        ctx.EndProgress();
        err << "zelctl: " << ctx.Masked(error.what()) << "\nTry 'zelctl " << command->Words << " --help'.\n";
        return kExitUsage;
    } catch (const SiteError& error) {
        ctx.EndProgress();
        err << "zelctl: " << ctx.Masked(error.what()) << '\n';
        return kExitSite;
    } catch (const zel::Error& error) {
        // What a command raises outside its clocks is the site database's (a failed Save).
        ctx.EndProgress();
        err << "zelctl: error " << error.Number() << ": " << ctx.Masked(error.Description()) << '\n';
        return kExitSite;
    } catch (const std::exception& error) {
        ctx.EndProgress();
        err << "zelctl: " << ctx.Masked(error.what()) << '\n';
        return kExitSite;
    }
}

} // namespace zel::cli
