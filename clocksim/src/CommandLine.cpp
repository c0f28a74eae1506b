#include "clocksim/CommandLine.h"

#include <limits>
#include <stdexcept>

namespace zel::sim {
namespace {

constexpr std::uint16_t kDefaultTcpPort = 3001;

long long ParseNumber(const std::string& option, const std::string& text, long long lo, long long hi)
{
    std::size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used, 10);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size() || value < lo || value > hi)
        throw std::invalid_argument(option + " wants a number from " + std::to_string(lo) + " to " +
                                    std::to_string(hi) + ", not \"" + text + "\"");
    return value;
}

int ParseInt(const std::string& option, const std::string& text, int lo = 0, int hi = std::numeric_limits<int>::max())
{
    return static_cast<int>(ParseNumber(option, text, lo, hi));
}

void ParseTcp(const std::string& text, ServerOptions& options, std::size_t& lines)
{
    lines = 1;
    // A range of ports, FIRST-LAST: a line on each.
    const auto lastColon = text.rfind(':');
    const std::size_t portsAt = lastColon == std::string::npos ? 0 : lastColon + 1;
    if (const auto dash = text.find('-', portsAt);
        dash != std::string::npos && text.find('.', portsAt) == std::string::npos) {
        const std::string address = lastColon == std::string::npos ? std::string() : text.substr(0, lastColon);
        const int from = ParseInt("--tcp", text.substr(portsAt, dash - portsAt), 1, 65535);
        const int to = ParseInt("--tcp", text.substr(dash + 1), from, 65535);
        options.TcpAddress = address.empty() ? "127.0.0.1" : address;
        options.TcpPort = static_cast<std::uint16_t>(from);
        lines = static_cast<std::size_t>(to - from + 1);
        return;
    }
    const auto colon = text.rfind(':');
    if (colon == std::string::npos) {
        if (!text.empty() && text.find('.') == std::string::npos) {
            options.TcpPort = static_cast<std::uint16_t>(ParseInt("--tcp", text, 0, 65535));
        } else {
            options.TcpAddress = text;
            options.TcpPort = kDefaultTcpPort;
        }
        return;
    }
    options.TcpAddress = colon == 0 ? "127.0.0.1" : text.substr(0, colon);
    options.TcpPort = static_cast<std::uint16_t>(ParseInt("--tcp", text.substr(colon + 1), 0, 65535));
}

} // namespace

ClockModel CommandLine::ParseModel(const std::string& text)
{
    if (text == "base" || text == "1")
        return ClockModel::Base;
    if (text == "vt9" || text == "newer" || text == "2")
        return ClockModel::Vt9;
    throw std::invalid_argument("unknown clock model \"" + text + "\" (base or vt9)");
}

CommandLine CommandLine::Parse(const std::vector<std::string>& args)
{
    CommandLine cl;
    ServerOptions& o = cl.Options;
    o.TcpPort = kDefaultTcpPort;
    bool tcpGiven = false;
    bool noTcp = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = option.find('='); option.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = option.substr(eq + 1);
            option = option.substr(0, eq);
            hasValue = true;
        }
        auto next = [&]() -> std::string {
            if (hasValue)
                return value;
            if (i + 1 >= args.size())
                throw std::invalid_argument(option + " wants a value");
            return args[++i];
        };
        auto flag = [&] {
            if (hasValue)
                throw std::invalid_argument(option + " takes no value");
        };

        if (option == "--help" || option == "-h") {
            flag();
            cl.Help = true;
        } else if (option == "--tcp") {
            ParseTcp(next(), o, cl.Lines);
            tcpGiven = true;
        } else if (option == "--no-tcp") {
            flag();
            noTcp = true;
        } else if (option == "--pty") {
            flag();
            o.Pty = true;
        } else if (option == "--pty-link") {
            o.PtyLink = next();
            o.Pty = true;
        } else if (option == "--clock") {
            const std::string text = next();
            const auto colon = text.find(':');
            const std::uint8_t id = static_cast<std::uint8_t>(
                ParseInt("--clock", colon == std::string::npos ? text : text.substr(0, colon), 0, 255));
            const ClockModel model = colon == std::string::npos ? ClockModel::Base : ParseModel(text.substr(colon + 1));
            for (const auto& c : cl.Clocks)
                if (c.first == id)
                    throw std::invalid_argument("--clock " + std::to_string(id) + " given twice");
            cl.Clocks.emplace_back(id, model);
        } else if (option == "--state") {
            o.StateFile = next();
        } else if (option == "--no-fsync") {
            flag();
            o.SyncStateFile = false;
        } else if (option == "--enroll-reads") {
            o.Enrollment.ReadsNeeded = ParseInt(option, next(), 1, 100);
        } else if (option == "--verify-reads") {
            o.Enrollment.VerifyReads = ParseInt(option, next(), 1, 100);
        } else if (option == "--read-time-ms") {
            o.Enrollment.ReadTimeMs = ParseInt(option, next(), 0, 600000);
        } else if (option == "--enroll-timeout") {
            flag();
            o.Enrollment.Timeout = TimeoutPhase::Enrollment;
        } else if (option == "--verify-timeout") {
            flag();
            o.Enrollment.Timeout = TimeoutPhase::Verification;
        } else if (option == "--no-person") {
            flag();
            o.Enrollment.NoPerson = true;
        } else if (option == "--idle-timeout-ms") {
            o.Enrollment.IdleTimeoutMs = ParseInt(option, next(), 0, 3600000);
        } else if (option == "--person") {
            o.Enrollment.Person = static_cast<std::uint32_t>(ParseNumber(option, next(), 0, 0xFFFFFFFFLL));
        } else if (option == "--baud") {
            o.Faults.BitRate = ParseInt(option, next(), 0, 4000000);
        } else if (option == "--latency-ms") {
            o.Faults.LatencyMs = ParseInt(option, next(), 0, 600000);
        } else if (option == "--drop-after") {
            o.Faults.DropAfterFrames = ParseInt(option, next(), 0);
        } else if (option == "--drop-loses-answer") {
            flag();
            o.Faults.DropLosesAnswer = true;
        } else if (option == "--corrupt-every") {
            o.Faults.CorruptEvery = ParseInt(option, next(), 0);
        } else if (option == "--late") {
            flag();
            o.Faults.Late = true;
        } else if (option == "--late-ms") {
            o.Faults.Late = true;
            o.Faults.LateMs = ParseInt(option, next(), 0, 600000);
        } else if (option == "--offset") {
            o.ClockTime.OffsetSeconds = ParseNumber(option, next(), -3'155'760'000LL, 3'155'760'000LL);
        } else if (option == "--drift-ppm") {
            o.ClockTime.DriftPpm = ParseInt(option, next(), -1'000'000, 1'000'000);
        } else if (option == "--punch-every") {
            o.PunchEverySec = ParseInt(option, next(), 0, 86400);
        } else if (option == "--events") {
            cl.StartEvents = ParseInt(option, next(), 0, 1000000);
        } else if (option == "--seed") {
            o.Seed = static_cast<std::uint32_t>(ParseNumber(option, next(), 0, 0xFFFFFFFFLL));
        } else if (option == "--quiet" || option == "-q") {
            flag();
            cl.Quiet = true;
        } else {
            throw std::invalid_argument("unknown option \"" + args[i] + "\" (see --help)");
        }
    }
    if (noTcp && tcpGiven)
        throw std::invalid_argument("--tcp and --no-tcp exclude each other");
    // TCP unless it was switched off, or only a pty was asked for.
    o.Tcp = !noTcp && (tcpGiven || !o.Pty);
    if (!o.Tcp && !o.Pty)
        throw std::invalid_argument("--no-tcp without --pty leaves nothing to listen on");
    if (cl.Lines > 1 && o.Pty)
        throw std::invalid_argument("a range of TCP ports is a fleet of TCP lines; --pty serves one line");
    return cl;
}

std::string CommandLine::HelpText()
{
    return R"(Usage: zelclockd [OPTION]...
Plays one or more hand-geometry time clocks behind a TCP port and/or a pseudo-terminal,
speaking the clock wire protocol. Prints "tcp ADDRESS:PORT", "pty DEVICE" and "ready" on
standard output once it listens; logs every command it serves on standard error; stops
cleanly on SIGINT or SIGTERM.

Links:
  --tcp [ADDRESS:]PORT  listen on TCP (default 127.0.0.1:3001; port 0 = any free port).
                        TCP is on unless --no-tcp is given or only --pty is asked for.
  --tcp [ADDRESS:]FIRST-LAST
                        a fleet: one line on each port FIRST..LAST, each with its own clocks (the
                        --clock list on every line) and, with --state FILE, its own state file
                        FILE.PORT. Prints one "tcp" line per port.
  --no-tcp              no TCP listener.
  --pty                 also serve on a new pseudo-terminal (give its device to ZEL_COM<n>).
  --pty-link PATH       keep a symbolic link to the pty device at PATH (implies --pty); the
                        link follows a new device after a dropped line.

Clocks:
  --clock ID[:MODEL]    a clock with reader ID 0..255; MODEL base (default, 2560 users) or vt9
                        (the newer model, model code 2, 530 users). Repeat for more clocks.
                        Without any, clock 1 of the base model (unless the state file has clocks).
  --state FILE          restore the clocks from FILE and save them there after every change
                        (atomic replace). Clocks in FILE are added; --clock keeps its model.
  --no-fsync            do not flush the state file to disk before replacing it (faster).

Enrollment (a simulated person at the hand reader):
  --enroll-reads N      hand reads an enrollment needs (default 4).
  --verify-reads N      hand reads of the verification (default 1).
  --read-time-ms MS     time per hand read (default 800); 0 = one step per status poll.
  --enroll-timeout      the enrollment ends "timed out" instead of "complete".
  --verify-timeout      the verification ends "timed out" instead of "complete".
  --no-person           nobody comes: the reader times out after the idle time-out.
  --idle-timeout-ms MS  the idle time-out (default 10000).
  --person N            always the same person (same template); default a new one each time.

Faults:
  --baud N              throttle to N bit/s: each exchange costs its bytes x 10 / N seconds.
  --latency-ms MS       wait MS before every answer.
  --drop-after N        drop the link after answering N frames (a pty gets a new device).
  --drop-loses-answer   the request that meets the drop is carried out first, its answer lost.
  --corrupt-every N     every Nth answer goes out with a broken CRC.
  --late                answer every request after the client's time-out (3000 ms late).
  --late-ms MS          as --late, MS late.

Clock time (clocks that need correcting):
  --offset SECONDS      every clock starts SECONDS ahead of this machine's time (negative:
                        behind); a clock restored from --state keeps the time it had there.
  --drift-ppm N         every clock gains N parts per million (negative: loses), also after it
                        is set: 1000 ppm is 86.4 seconds a day.

Events:
  --punch-every SEC     log "identity verified" for a random user of each clock every SEC seconds.
  --events N            start with N "identity verified" events logged, one a minute up to now, on
                        each clock whose log is empty (the log grows to hold them).
  --seed N              seed for the choice of users (default 1).

Other:
  --quiet, -q           do not log commands.
  --help, -h            show this text.
)";
}

} // namespace zel::sim
