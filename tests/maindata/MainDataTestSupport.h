#pragma once

#include "zel/Error.h"

#include <functional>
#include <string>
#include <vector>

namespace zel::data {
class DataSource;
}

namespace zel::data::test {

// Runs `body` on a new thread and waits for it. The site database keeps its state per thread,
// so the body starts with no connection and no lists. An exception of the body is raised again
// here; gtest failures inside it count for the calling test.
void OnFreshThread(const std::function<void()>& body);

// Runs `body` on a fresh thread that has opened the site database `path`.
void WithOpenDatabase(const std::string& path, const std::function<void(DataSource&)>& body);

// A folder of its own for one test, removed with everything in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return mPath; }
    std::string File(const std::string& name) const { return mPath + "/" + name; }

private:
    std::string mPath;
};

// Makes a new, empty site database named `name` in `folder` and returns its path.
std::string NewDatabase(const TempFolder& folder, const std::string& name = "zel.mdb");

// Makes a site database as the program made them before the files held their keys: the three
// tables without NOT NULL and without the unique key indexes (through the sqlite3 client).
std::string OlderDatabase(const TempFolder& folder, const std::string& name = "zel.mdb");

// The user ID of an ordinary user (nobody) and whether these tests run as root, whose writes no
// file permission stops.
bool RunningAsRoot();
// Runs `body` in a child process as an ordinary user (nobody) when the tests run as root, else
// in a child process as this user; a failure inside it fails the calling test.
void AsOrdinaryUser(const std::function<void()>& body);
// Gives `path` (a file or folder, not recursively) to the ordinary user when running as root.
void GiveToOrdinaryUser(const std::string& path);

// A helper program of these tests (zel_maindata_child) started with its output on a pipe:
//   hold FILE          opens FILE for writing, says "ready", holds it until its input closes;
//                      meanwhile the line "add N" adds and saves user N ("saved N"), "remove N"
//                      removes user N and saves ("removed N");
//   writer FILE FIRST  adds and saves users FIRST, FIRST+1, ... for ever, saying "saved N" once
//                      each Save has returned.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int Pid() const { return mPid; }
    // The next line of its output (without the line end), waiting up to `timeoutMs`; empty when
    // none came.
    std::string ReadLine(int timeoutMs = 5000);
    // Writes `line` and a line end to its input.
    void Send(const std::string& line);
    // Everything it has written and not yet read, once it has ended.
    std::string ReadRest();
    // Ends it with SIGKILL and waits for it.
    void Kill();
    // Closes its input (a holder then ends) and waits for it; returns its exit status.
    int CloseAndWait();

private:
    int mPid = -1;
    int mInput = -1;
    int mOutput = -1;
    std::string mBuffer;
};

// Runs `sql` on the database file `path` through the sqlite3 command-line client (as another
// program would) and returns what it printed; a failing client fails the test.
std::string SqliteCli(const std::string& path, const std::string& sql);

// Runs `sql` on `path` through the SQLite library directly; returns the engine's message when it
// fails, the empty text when it succeeds (for statements that are expected to be refused).
std::string SqliteErrorOf(const std::string& path, const std::string& sql);

// The number of the zel::Error that `action` raises, or 0 when it raises none.
long ErrorNumberOf(const std::function<void()>& action);
// The description of the zel::Error that `action` raises, or the empty text.
std::string ErrorTextOf(const std::function<void()>& action);

} // namespace zel::data::test
