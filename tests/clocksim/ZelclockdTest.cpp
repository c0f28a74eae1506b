// The daemon as a script would use it: start, read what it prints, talk to it, stop it.
#include "clocksim/StateFile.h"

#include "zel/link/Requester.h"
#include "zel/link/TcpTransport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// A running zelclockd with its standard output on a pipe and its standard error in a file.
class Daemon {
public:
    Daemon(std::vector<std::string> args, const std::string& errFile)
    {
        int out[2];
        EXPECT_EQ(::pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        args.insert(args.begin(), ZELCLOCKD_PATH);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(::posix_spawn(&mPid, ZELCLOCKD_PATH, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        mOut = ::fdopen(out[0], "r");
    }

    ~Daemon()
    {
        if (mPid > 0) {
            ::kill(mPid, SIGKILL);
            ::waitpid(mPid, nullptr, 0);
        }
        if (mOut)
            std::fclose(mOut);
    }

    // The next line of standard output ("" at its end).
    std::string Line()
    {
        char buffer[512];
        if (!mOut || !std::fgets(buffer, sizeof buffer, mOut))
            return {};
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        return line;
    }

    // Sends the signal and gives the exit status.
    int StopWith(int signal)
    {
        ::kill(mPid, signal);
        int status = 0;
        ::waitpid(mPid, &status, 0);
        mPid = -1;
        return status;
    }

private:
    pid_t mPid = -1;
    std::FILE* mOut = nullptr;
};

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ZelclockdTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mDir =
            std::filesystem::temp_directory_path() / ("zelclockd-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(mDir);
    }
    void TearDown() override { std::filesystem::remove_all(mDir); }
    std::filesystem::path mDir;
};

} // namespace

TEST_F(ZelclockdTest, PrintsWhereItListensServesLogsAndStopsOnSigterm)
{
    const std::string state = (mDir / "state").string();
    const std::string link = (mDir / "line").string();
    Daemon d({"--tcp", "127.0.0.1:0", "--pty-link", link, "--clock", "1:base", "--clock", "2:vt9", "--state", state,
              "--read-time-ms", "0"},
             (mDir / "err").string());
    const std::string tcp = d.Line();
    ASSERT_EQ(tcp.rfind("tcp 127.0.0.1:", 0), 0u) << tcp;
    const std::string pty = d.Line();
    ASSERT_EQ(pty.rfind("pty /dev/", 0), 0u) << pty;
    EXPECT_EQ(d.Line(), "clock 1 base");
    EXPECT_EQ(d.Line(), "clock 2 vt9");
    ASSERT_EQ(d.Line(), "ready");
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), pty.substr(4));

    const auto port = static_cast<std::uint16_t>(std::stoi(tcp.substr(tcp.rfind(':') + 1)));
    auto transport = zel::link::TcpTransport::Connect("127.0.0.1", port, zel::link::Clock::now() + 5s);
    ASSERT_TRUE(transport);
    zel::link::Requester requester(*transport);
    std::vector<std::uint8_t> info(104);
    ASSERT_EQ(requester.Exchange(2, zel::link::Command::GetReaderInfo, {}, info), 0);
    EXPECT_EQ(info[0], 2);
    const std::vector<std::uint8_t> time{0, 0, 9, 1, 2, 4};
    ASSERT_EQ(requester.Exchange(1, zel::link::Command::PutTime, time, {}), 0);

    const int status = d.StopWith(SIGTERM);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_EQ(zel::sim::StateFile::Load(state).size(), 2u);
    const std::string log = ReadFile(mDir / "err");
    EXPECT_NE(log.find("clock 2 (vt9): GetReaderInfo -> Ok"), std::string::npos) << log;
    EXPECT_NE(log.find("clock 1 (base): PutTime 04-02-01 09:00:00 -> Ok"), std::string::npos) << log;
}

TEST_F(ZelclockdTest, QuietStopsOnSigintWithoutLogging)
{
    Daemon d({"--tcp", "0", "--quiet"}, (mDir / "err").string());
    ASSERT_EQ(d.Line().rfind("tcp ", 0), 0u);
    EXPECT_EQ(d.Line(), "clock 1 base"); // a base clock 1 when none is named
    ASSERT_EQ(d.Line(), "ready");
    const int status = d.StopWith(SIGINT);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(mDir / "err"), "");
}

TEST_F(ZelclockdTest, HelpAndBadOptions)
{
    Daemon help({"--help"}, (mDir / "err").string());
    EXPECT_EQ(help.Line().rfind("Usage: zelclockd", 0), 0u);
    EXPECT_EQ(WEXITSTATUS(help.StopWith(0)), 0);

    Daemon bad({"--clock", "1:vt8"}, (mDir / "err2").string());
    EXPECT_EQ(bad.Line(), "");
    EXPECT_EQ(WEXITSTATUS(bad.StopWith(0)), 2);
    EXPECT_NE(ReadFile(mDir / "err2").find("unknown clock model"), std::string::npos);
}
