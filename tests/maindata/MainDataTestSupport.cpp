#include "MainDataTestSupport.h"

#include "zel/data/DataSource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zel::data::test {

void OnFreshThread(const std::function<void()>& body)
{
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            body();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

void WithOpenDatabase(const std::string& path, const std::function<void(DataSource&)>& body)
{
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(path);
        body(ds);
    });
}

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zelmaindata-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    mPath = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
}

std::string NewDatabase(const TempFolder& folder, const std::string& name)
{
    std::string path = folder.File(name);
    DataSource::CreateDatabase(path);
    return path;
}

std::string SqliteCli(const std::string& path, const std::string& sql)
{
    std::string script = path + ".cli.sql";
    {
        std::ofstream out(script, std::ios::binary);
        out << sql << "\n";
    }
    std::string command = "sqlite3 -batch -bail '" + path + "' < '" + script + "' 2>&1";
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot start the sqlite3 client";
        return output;
    }
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    int status = ::pclose(pipe);
    std::filesystem::remove(script);
    EXPECT_EQ(status, 0) << "sqlite3 failed on: " << sql << "\n" << output;
    return output;
}

long ErrorNumberOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const zel::Error& e) {
        return e.Number();
    }
    return 0;
}

std::string ErrorTextOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const zel::Error& e) {
        return e.Description();
    }
    return "";
}

} // namespace zel::data::test

namespace zel::data::test {

namespace {

constexpr uid_t OrdinaryUser = 65534;
constexpr gid_t OrdinaryGroup = 65534;

} // namespace

std::string OlderDatabase(const TempFolder& folder, const std::string& name)
{
    std::string path = folder.File(name);
    { // made through the library directly: quicker than the client, and the same file
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        sqlite3_close_v2(db);
    }
    std::string error = SqliteErrorOf(path, R"(BEGIN;
CREATE TABLE Users (ID INTEGER PRIMARY KEY AUTOINCREMENT, UserID TEXT, Name TEXT, AuthorityLevel INTEGER,
    Enrolled BOOLEAN NOT NULL DEFAULT 0, Template TEXT);
CREATE TABLE Readers (ID INTEGER PRIMARY KEY AUTOINCREMENT, ReaderID INTEGER, Name TEXT, ChannelDescID INTEGER,
    Location TEXT);
CREATE TABLE Channels (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT, Type TEXT, Port INTEGER, BitRate INTEGER,
    Location TEXT);
COMMIT;
)");
    EXPECT_EQ(error, "");
    ::chmod(path.c_str(), 0600);
    return path;
}

std::string SqliteErrorOf(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    std::string error;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : "cannot open";
    } else {
        sqlite3_busy_timeout(db, 2000);
        sqlite3_exec(db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr); // test set-up: no waits for the disk
        char* message = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK)
            error = message ? message : "failed";
        sqlite3_free(message);
    }
    sqlite3_close_v2(db);
    return error;
}

bool RunningAsRoot()
{
    return ::geteuid() == 0;
}

void GiveToOrdinaryUser(const std::string& path)
{
    if (RunningAsRoot() && ::chown(path.c_str(), OrdinaryUser, OrdinaryGroup) != 0)
        ADD_FAILURE() << "cannot give " << path << " to the ordinary user";
}

void AsOrdinaryUser(const std::function<void()>& body)
{
    std::fflush(nullptr);
    pid_t child = ::fork();
    ASSERT_GE(child, 0) << "fork failed";
    if (child == 0) {
        int status = 0;
        if (RunningAsRoot() &&
            (::setgroups(0, nullptr) != 0 || ::setgid(OrdinaryGroup) != 0 || ::setuid(OrdinaryUser) != 0)) {
            std::fprintf(stderr, "cannot become the ordinary user\n");
            status = 3;
        } else {
            try {
                body();
                status = ::testing::Test::HasFailure() ? 1 : 0;
            } catch (const zel::Error& e) {
                std::fprintf(stderr, "unexpected error %ld: %s\n", e.Number(), e.Description().c_str());
                status = 2;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "unexpected exception: %s\n", e.what());
                status = 2;
            }
        }
        std::fflush(nullptr);
        ::_exit(status);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the part run as an ordinary user failed";
}

ChildProcess::ChildProcess(const std::vector<std::string>& arguments)
{
    int input[2];
    int output[2];
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make pipes");
    std::vector<std::string> args{ZEL_MAINDATA_CHILD};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::fflush(nullptr);
    mPid = ::fork();
    if (mPid < 0)
        throw std::runtime_error("cannot fork");
    if (mPid == 0) {
        ::dup2(input[0], 0);
        ::dup2(output[1], 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    mInput = input[1];
    mOutput = output[0];
}

ChildProcess::~ChildProcess()
{
    if (mPid > 0)
        Kill();
    if (mInput >= 0)
        ::close(mInput);
    if (mOutput >= 0)
        ::close(mOutput);
}

std::string ChildProcess::ReadLine(int timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto end = mBuffer.find('\n');
        if (end != std::string::npos) {
            std::string line = mBuffer.substr(0, end);
            mBuffer.erase(0, end + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || mOutput < 0)
            return {};
        pollfd poll{mOutput, POLLIN, 0};
        if (::poll(&poll, 1, static_cast<int>(left.count())) <= 0)
            return {};
        char buffer[4096];
        ssize_t got = ::read(mOutput, buffer, sizeof buffer);
        if (got <= 0)
            return {};
        mBuffer.append(buffer, static_cast<std::size_t>(got));
    }
}

void ChildProcess::Send(const std::string& line)
{
    const std::string text = line + "\n";
    if (mInput < 0 || ::write(mInput, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        ADD_FAILURE() << "cannot write to the child process";
}

std::string ChildProcess::ReadRest()
{
    std::string rest = mBuffer;
    mBuffer.clear();
    char buffer[4096];
    ssize_t got = 0;
    while (mOutput >= 0 && (got = ::read(mOutput, buffer, sizeof buffer)) > 0)
        rest.append(buffer, static_cast<std::size_t>(got));
    return rest;
}

void ChildProcess::Kill()
{
    if (mPid <= 0)
        return;
    ::kill(mPid, SIGKILL);
    ::waitpid(mPid, nullptr, 0);
    mPid = -1;
}

int ChildProcess::CloseAndWait()
{
    if (mInput >= 0) {
        ::close(mInput);
        mInput = -1;
    }
    int status = 0;
    if (mPid > 0) {
        ::waitpid(mPid, &status, 0);
        mPid = -1;
    }
    return status;
}

} // namespace zel::data::test
