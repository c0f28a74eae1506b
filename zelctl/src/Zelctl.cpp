#include "Zelctl.h"

#include "Commands.h"
#include "EditSupport.h"

#include "zel/Error.h"
#include "zel/data/SiteName.h"
#include "zel/workflows/PrivateFile.h"

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <ostream>
#include <unistd.h>

namespace zel::cli {

namespace {

// Whether a command changes the site database: the others open it read-only, so that they also
// work while the program, the site's one writer, has it open. A dry run never writes.
enum class Writes { No, Yes, WithYes };

struct CommandInfo {
    const char* Words; // "users send"
    const char* Synopsis;
    const char* Help;
    int (*Run)(Context&);
    Writes ChangesSite = Writes::No;
};

const std::array<CommandInfo, 40> kCommands{{
    {"clocks", "clocks",
     "Lists the site's clocks, with each clock's time zone (time_zone; empty: this machine's zone).", ListClocks},
    {"users", "users", "Lists the site's users.", ListUsers},
    {"channels", "channels", "Lists the site's channels.", ListChannels},
    {"status", "status (CLOCK...|--all)",
     "Per clock: answering or not (and why), model, users held and capacity, the clock's time and how many\n"
     "seconds it is ahead of the local time of its zone (negative: behind), measured from the middle of\n"
     "the exchange that read it, and whether its daylight-saving dates are its zone's dates of this year\n"
     "(dst: current, stale with the year\n"
     "they belong to in dst_year when it can be told, off). The table is headed by the site (a\n"
     "password masked) and how it is stored; JSON and CSV give the site in a last column, \"site\".",
     Status},
    {"time set", "time set (CLOCK...|--all) [--max-drift SECONDS] [--dry-run]",
     "Sets each clock to the local time of its zone (the clock's time zone, else this machine's); with\n"
     "--max-drift only the clocks off by more than SECONDS (above 0). Per clock: action (set, kept, would\n"
     "set), the difference before and after (seconds ahead). --dry-run reads the clocks and writes nothing.",
     TimeSet},
    {"users get", "users get CLOCK", "Lists the users a clock holds (ID, name in the site, template).", UsersGet},
    {"users import", "users import CLOCK [--dry-run]",
     "Stores a clock's users in the site as enrolled users; users the site knows keep their name and level.\n"
     "--dry-run reads the clock and tells how many users it would store.",
     UsersImport, Writes::Yes},
    {"users send", "users send (CLOCK...|--all) (--user ID...|--enrolled) [--allow-no-template] [--dry-run]",
     "Sends site users to clocks: those named, or every enrolled one. A user without a hand template (not\n"
     "enrolled) is left out and named (exit status 1) unless --allow-no-template sends it anyway.\n"
     "--dry-run reads each clock's users and tells what it would send.",
     UsersSend},
    {"users remove", "users remove (CLOCK...|--all) (--user ID...|--all-users) [--dry-run]",
     "Removes users from clocks: those named (users of the site), or every user of the clock.\n"
     "A named user a clock does not hold is already gone: the clock counts as done and says so.\n"
     "--dry-run reads each clock's users and tells what it would remove.",
     UsersRemove},
    {"users forget", "users forget (ID...|--pending) [--yes] [--dry-run]",
     "Forgets people: removes each user from every clock of the site, then takes the hand template out of\n"
     "the site (the user stays, not enrolled). A clock that cannot be reached keeps a pending erasure, which\n"
     "the next command that reaches the clock finishes first. Without --yes (or with --dry-run) it reads\n"
     "the clocks and tells what it would do. --pending lists the pending erasures and retries them\n"
     "(with --dry-run: lists only).",
     UsersForget, Writes::WithYes},
    {"retention plan", "retention plan",
     "Lists the users whose templates are due under the site's retention schedule: counted from the last\n"
     "punch collected (or, for one who never punched or was enrolled again since, from when the template\n"
     "was stored), with the days over the period.",
     RetentionPlan},
    {"retention apply", "retention apply [--yes] [--dry-run]",
     "Forgets the users 'retention plan' lists, as 'users forget' does; without --yes it tells what it would do.",
     RetentionApply, Writes::WithYes},
    {"retention policy", "retention policy",
     "Prints the site's written retention schedule for biometric data in plain words, ready to publish.",
     RetentionPolicy},
    {"retention set", "retention set DAYS [--dry-run]",
     "Sets how many days templates are kept after the last punch (1 to 36500; the default is 1095).", RetentionSet,
     Writes::Yes},
    {"sync", "sync --from CLOCK... --to CLOCK... [--clear] [--dry-run]",
     "Reads the users of the source clocks into the site, then sends every enrolled user of the site to\n"
     "the destination clocks. With --clear each destination clock is made to hold exactly those users:\n"
     "the users it holds that are not enrolled are removed, and a user who stays is never taken off, so\n"
     "an interrupted run locks nobody out; running it again finishes the work. --dry-run reads the clocks\n"
     "and tells what it would read and send.",
     Sync, Writes::Yes},
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
    {"restore", "restore FILE CLOCK [--yes] [--dry-run]",
     "Shows what it would change to make the clock hold what FILE holds; writes only with --yes (and\n"
     "without --dry-run).",
     Restore},
    {"events collect", "events collect (CLOCK...|--all)",
     "Reads each clock's event log onward from where the last collection stopped and stores the events\n"
     "in the site (each once), the channels side by side. Per clock, the reconciliation: events the log\n"
     "held, stored new, read again (known), lost because the log wrapped before they were collected\n"
     "(with the time span they lie in), kept with the collection for events status.",
     EventsCollect},
    {"events status", "events status",
     "Per clock ever collected: when it was last collected and how that ended, how many collections,\n"
     "whether any collection found events lost (and how many), and how full of events not yet collected\n"
     "its log was at the last collection.",
     EventsStatus},
    {"events export",
     "events export [--since T] [--until T] [--clock C...] [--user U] [--kind K...] [--format csv|json] [--csv-raw] "
     "[-o FILE]",
     "Writes the stored events, newest first, as CSV (UTF-8, RFC 4180, the default) or JSON to FILE or\n"
     "standard output. T is YYYY-MM-DD (--until: the whole day) or YYYY-MM-DDTHH:MM:SS. K is a group of\n"
     "kinds (punch, refusal, user-change, setup, alarm) or one kind as the kind column writes it\n"
     "(\"Identity verified\"). time_utc is the clock's time in UTC by the clock's zone (see docs/zelctl.md\n"
     "for the hours a change of daylight saving repeats or skips). A CSV text that a spreadsheet would run\n"
     "as a formula (it begins with =, +, -, @, a tab or a carriage return) is written with an apostrophe\n"
     "in front; --csv-raw writes it as it is.",
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
     "named setting differs. --dst on sends this year's daylight-saving dates of the clock's zone (none\n"
     "in a zone without daylight saving), off clears them. --dry-run tells what would change and sends\n"
     "nothing.",
     SettingsSet},
    {"settings dst", "settings dst (CLOCK...|--all) [--dry-run]",
     "Sends this year's daylight-saving dates of the clock's zone to each clock whose dates are stale;\n"
     "clocks with this year's dates or none are left as they are. --dry-run tells which it would change.",
     SettingsDst},
    {"menu send", "menu send (CLOCK...|--all) FILE [--dry-run]",
     "Sends the menu program in FILE to each clock: a file of 1 to 4096 bytes, padded with zeros to\n"
     "4096 bytes. An empty or longer file is refused before anything is sent. --dry-run sends nothing.",
     MenuSend},
    {"channels add",
     "channels add NAME --type ethernet|direct|modem [--address A --port P] [--com-port N --bit-rate B] "
     "[--phone NUMBER] [--dry-run]",
     "Adds a channel, as the channel editor does and with its rules: Ethernet with IP address and port,\n"
     "direct serial with COM port (1-8) and bit rate (300, 1200, 4800, 9600, 19200, 28800; default COM 1\n"
     "at 9600), modem with phone number, COM port and bit rate.",
     ChannelsAdd, Writes::Yes},
    {"channels set",
     "channels set CHANNEL [--name NAME] [--address A] [--port P] [--com-port N] [--bit-rate B] [--phone NUMBER] "
     "[--dry-run]",
     "Changes a channel's name and the settings of its kind (the kind stays), with the channel editor's rules.",
     ChannelsSet, Writes::Yes},
    {"channels remove", "channels remove CHANNEL... [--dry-run]",
     "Removes channels from the site. Clocks that named one are told on standard error.", ChannelsRemove, Writes::Yes},
    {"clocks add", "clocks add NAME --reader-id N --channel CHANNEL [--location TEXT] [--time-zone ZONE] [--dry-run]",
     "Adds a clock, as the clock editor does and with its rules (reader ID 0 to 255, name of 1 to 20\n"
     "characters, a channel of the site). ZONE is a name of the system's time zone database such as\n"
     "America/Chicago; without it (or empty) the clock keeps this machine's zone. An unknown ZONE is\n"
     "refused and nothing is stored.",
     ClocksAdd, Writes::Yes},
    {"clocks set",
     "clocks set CLOCK [--name NAME] [--reader-id N] [--channel CHANNEL] [--location TEXT] [--time-zone ZONE] "
     "[--dry-run]",
     "Changes a clock, with the clock editor's rules; --time-zone \"\" gives it this machine's zone again.", ClocksSet,
     Writes::Yes},
    {"clocks remove", "clocks remove CLOCK... [--dry-run]", "Removes clocks from the site.", ClocksRemove, Writes::Yes},
    {"users add", "users add ID NAME [--level LEVEL] [--dry-run]",
     "Adds a user to the site (not enrolled), as the user editor does and with its rules. LEVEL is 0 to 5\n"
     "or None, Service, Setup, Management, Enrollment, Security (default None). Leading zeros of the ID are\n"
     "dropped, as the clocks drop them.",
     UsersAdd, Writes::Yes},
    {"users set", "users set ID [--name NAME] [--level LEVEL] [--new-id ID] [--dry-run]",
     "Changes a user of the site, with the user editor's rules. The template and enrollment stay.", UsersSet,
     Writes::Yes},
    {"users delete", "users delete ID... [--dry-run]",
     "Removes users from the site (with their templates). Not to be mixed up with 'users remove', which\n"
     "removes users from clocks.",
     UsersDelete, Writes::Yes},
    {"users import-csv", "users import-csv FILE [--remove-missing] [--dry-run|--yes]",
     "Plans the site's users after a roster file (CSV: columns user_id, name, authority_level, found by their\n"
     "header in any case; others ignored; comma or semicolon; UTF-8) and prints the plan: users to add, to\n"
     "change, refused rows with line and reason, users of the site the file lacks. Writes only with --yes,\n"
     "in one transaction, and only when no row is refused. Users the file lacks are kept unless\n"
     "--remove-missing. Templates and enrollment are never touched. Exit status 1 when rows are refused.",
     UsersImportCsv, Writes::WithYes},
    {"users export-csv", "users export-csv [-o FILE]",
     "Writes the site's users as CSV (user_id, name, authority_level, enrolled; never a template) to FILE\n"
     "(mode 0600, put in place whole) or to standard output; a name a spreadsheet would run as a formula\n"
     "gets an apostrophe in front unless --csv-raw (users import-csv reads it back without).",
     UsersExportCsv},
    {"audit verify", "audit verify",
     "Walks the site's audit trail, oldest row first, and checks each row against its hash and the hash\n"
     "of the row before it. Exit status 0 when the chain is intact; 1, naming the first row that was\n"
     "changed, removed or inserted behind the programs' back, otherwise.",
     AuditVerify},
    {"audit list", "audit list [--since T] [--until T] [--user ID] [--clock C] [--action A]",
     "Lists the site's audit trail, newest first: when (UTC), who, from which host and program, what\n"
     "(action), on which clock, which users, the outcome on the clock and a detail. T is YYYY-MM-DD\n"
     "(--until: the whole day), YYYY-MM-DD HH:MM or YYYY-MM-DDTHH:MM:SSZ, in UTC.",
     AuditList},
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
           "Exit status: 0 all done; 1 some clocks failed, or roster rows refused (each named on standard\n"
           "error); 2 usage, or a value the list editors' rules refuse; 3 site database error; 4 no clock\n"
           "reached.\n";
}

// The commands that act on clocks, with the action word of their audit rows ("": the command's
// workflow writes them itself). They open the site to append at least, so that the rows can be
// written beside the program that holds the site; a dry run writes none.
struct AuditedCommand {
    const char* Words;
    const char* Action;
};
constexpr AuditedCommand kAudited[] = {
    {"time set", "time-set"},
    {"users import", "import"},
    {"users send", ""},
    {"users remove", ""},
    {"sync", ""},
    {"restore", "restore"},
    {"backup", "backup"},
    {"events collect", ""},
    {"settings set", "settings"},
    {"settings dst", "settings"},
    {"menu send", "menu"},
};

const AuditedCommand* FindAudited(const std::string& words)
{
    for (const auto& audited : kAudited)
        if (words == audited.Words)
            return &audited;
    return nullptr;
}

bool ReachesClocks(const std::string& words)
{
    static const std::array<const char*, 15> kClockCommands{
        "status", "time set", "users get",    "users import", "users send",   "users remove", "diff", "scan",
        "backup", "restore",  "settings get", "settings set", "settings dst", "menu send",    "sync"};
    return std::find(kClockCommands.begin(), kClockCommands.end(), words) != kClockCommands.end();
}

const CommandInfo* FindCommand(const std::vector<std::string>& words, std::size_t& used)
{
    // Two words first: "users" alone lists, "users get" is a command of its own.
    for (const auto& command : kCommands) {
        const std::string name = command.Words;
        const auto space = name.find(' ');
        if (space != std::string::npos && words.size() >= 2 && words[0] == name.substr(0, space) &&
            words[1] == name.substr(space + 1)) {
            used = 2;
            return &command;
        }
    }
    for (const auto& command : kCommands) {
        if (!words.empty() && words[0] == command.Words) {
            used = 1;
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
    const std::string words = command->Words;
    const bool dryRun = args.Flag("dry-run");
    ctx.SetWritesSite(!dryRun && (command->ChangesSite == Writes::Yes ||
                                  (command->ChangesSite == Writes::WithYes && args.Flag("yes"))));
    // A command that acts on clocks appends its audit rows (and collection its events): it runs
    // beside a program that has the site open. A restore without --yes only plans.
    const AuditedCommand* audited = FindAudited(words);
    const bool logs = audited != nullptr && !dryRun && (words != "restore" || args.Flag("yes"));
    ctx.SetAppendsEvents(logs);
    if (logs)
        ctx.SetAuditAction(audited->Action);
    // Every command that reaches clocks finishes their pending erasures (a dry run leaves them).
    ctx.SetFinishesErasures(!dryRun && ReachesClocks(words));
    ctx.Operands.assign(args.Words.begin() + static_cast<std::ptrdiff_t>(used), args.Words.end());
    try {
        const int status = command->Run(ctx);
        ctx.CommitOutput();
        return status;
    } catch (const UsageError& error) {
        ctx.EndProgress();
        err << "zelctl: " << ctx.Masked(error.what()) << "\nTry 'zelctl " << command->Words << " --help'.\n";
        return kExitUsage;
    } catch (const RuleError& error) {
        ctx.EndProgress();
        err << "zelctl: " << ctx.Masked(error.what()) << "\nzelctl: nothing was written.\n";
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
