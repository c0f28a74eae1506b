#include "SpreadsheetCsv.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zel::test {

namespace {

// Prints each row as its cell count and the cells in hex (UTF-8), so any text comes back whole.
constexpr const char* kReader = R"(import csv, sys
with open(sys.argv[1], newline='', encoding='utf-8') as f:
    for row in csv.reader(f):
        print(' '.join([str(len(row))] + [c.encode('utf-8').hex() for c in row]))
)";

std::string FromHex(const std::string& hex)
{
    std::string text;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        text.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return text;
}

std::vector<std::string> SplitSpaces(const std::string& line)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = line.find(' ', from)) != std::string::npos; from = at + 1)
        parts.push_back(line.substr(from, at - from));
    parts.push_back(line.substr(from));
    return parts;
}

} // namespace

const std::vector<HostileName>& HostileNames()
{
    static const std::vector<HostileName> names{
        {"=HYPERLINK(\"http://x\",\"y\")", true},
        {"+1+2", true},
        {"-2+3+cmd|' /C calc'!A0", true},
        {"@SUM(A1:A9)", true},
        {"\t=1+1", true},
        {"\r=1+1", true},
        {"-", true},
        {"-17", false},
        {" =1+1", false},
        {"'=1+1", false},
        {"Smith, \"Jo\"\nZo\xC3\xAB", false},
        {"Ann \xE2\x80\xAE"
         "fdp.exe",
         false},
    };
    return names;
}

CsvRead ReadCsvWithPython(const std::string& path)
{
    CsvRead read;
    int out[2];
    if (::pipe(out) != 0) {
        read.Error = std::strerror(errno);
        return read;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string program = "python3", dashC = "-c", script = kReader, file = path;
    char* argv[] = {program.data(), dashC.data(), script.data(), file.data(), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, "python3", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; spawned == 0 && (n = ::read(out[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    if (spawned != 0) {
        read.Error = std::string("python3 cannot be started: ") + std::strerror(spawned);
        return read;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        read.Error = "python3's csv module could not read " + path;
        return read;
    }
    std::size_t from = 0;
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
        const auto parts = SplitSpaces(text.substr(from, end - from));
        std::vector<std::string> row;
        for (std::size_t i = 1; i < parts.size(); ++i)
            row.push_back(FromHex(parts[i]));
        if (std::to_string(row.size()) != parts.front())
            read.Error = "unexpected reader output: " + text;
        read.Rows.push_back(std::move(row));
    }
    return read;
}

int FileMode(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return -1;
    return static_cast<int>(info.st_mode & 07777);
}

} // namespace zel::test
