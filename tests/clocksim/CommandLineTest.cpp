#include "clocksim/CommandLine.h"

#include <gtest/gtest.h>

using namespace zel::sim;

namespace {

CommandLine Parse(std::vector<std::string> args)
{
    return CommandLine::Parse(args);
}

} // namespace

TEST(CommandLineTest, DefaultsToTcpOnTheProtocolPort)
{
    const CommandLine cl = Parse({});
    EXPECT_TRUE(cl.Options.Tcp);
    EXPECT_FALSE(cl.Options.Pty);
    EXPECT_EQ(cl.Options.TcpAddress, "127.0.0.1");
    EXPECT_EQ(cl.Options.TcpPort, 3001);
    EXPECT_TRUE(cl.Clocks.empty());
}

TEST(CommandLineTest, TheSuggestedCommandLineParses)
{
    const CommandLine cl = Parse({"--tcp",
                                  "127.0.0.1:3005",
                                  "--pty",
                                  "--clock",
                                  "1:base",
                                  "--clock",
                                  "2:vt9",
                                  "--state",
                                  "/tmp/s",
                                  "--enroll-reads",
                                  "3",
                                  "--read-time-ms=0",
                                  "--enroll-timeout",
                                  "--no-person",
                                  "--baud",
                                  "9600",
                                  "--latency-ms",
                                  "5",
                                  "--drop-after",
                                  "7",
                                  "--corrupt-every",
                                  "4",
                                  "--late",
                                  "--punch-every",
                                  "30",
                                  "--offset",
                                  "-120",
                                  "--drift-ppm=250",
                                  "--quiet",
                                  "--pty-link",
                                  "/tmp/clock0"});
    EXPECT_TRUE(cl.Options.Tcp);
    EXPECT_TRUE(cl.Options.Pty);
    EXPECT_EQ(cl.Options.TcpPort, 3005);
    ASSERT_EQ(cl.Clocks.size(), 2u);
    EXPECT_EQ(cl.Clocks[1], (std::pair<std::uint8_t, ClockModel>{2, ClockModel::Vt9}));
    EXPECT_EQ(cl.Options.StateFile, "/tmp/s");
    EXPECT_EQ(cl.Options.Enrollment.ReadsNeeded, 3);
    EXPECT_EQ(cl.Options.Enrollment.ReadTimeMs, 0);
    EXPECT_EQ(cl.Options.Enrollment.Timeout, TimeoutPhase::Enrollment);
    EXPECT_TRUE(cl.Options.Enrollment.NoPerson);
    EXPECT_EQ(cl.Options.Faults.BitRate, 9600);
    EXPECT_EQ(cl.Options.Faults.LatencyMs, 5);
    EXPECT_EQ(cl.Options.Faults.DropAfterFrames, 7);
    EXPECT_EQ(cl.Options.Faults.CorruptEvery, 4);
    EXPECT_TRUE(cl.Options.Faults.Late);
    EXPECT_EQ(cl.Options.PunchEverySec, 30);
    EXPECT_EQ(cl.Options.ClockTime.OffsetSeconds, -120);
    EXPECT_EQ(cl.Options.ClockTime.DriftPpm, 250);
    EXPECT_TRUE(cl.Quiet);
    EXPECT_EQ(cl.Options.PtyLink, "/tmp/clock0");
}

TEST(CommandLineTest, PtyAloneMeansNoTcp)
{
    EXPECT_FALSE(Parse({"--pty"}).Options.Tcp);
    EXPECT_TRUE(Parse({"--pty", "--tcp", "0"}).Options.Tcp);
    EXPECT_EQ(Parse({"--tcp", "0"}).Options.TcpPort, 0);
    EXPECT_EQ(Parse({"--tcp", "10.0.0.5"}).Options.TcpAddress, "10.0.0.5");
}

TEST(CommandLineTest, ARangeOfPortsIsAFleetOfLines)
{
    struct Case {
        const char* Tcp;
        const char* Address;
        std::uint16_t First;
        std::size_t Lines;
    };
    for (const Case& c : {Case{"127.0.0.1:4000-4499", "127.0.0.1", 4000, 500}, Case{"4000-4000", "127.0.0.1", 4000, 1},
                          Case{"10.1.2.3:5000-5001", "10.1.2.3", 5000, 2}, Case{"3005", "127.0.0.1", 3005, 1}}) {
        const CommandLine cl = Parse({"--tcp", c.Tcp});
        EXPECT_EQ(cl.Options.TcpAddress, c.Address) << c.Tcp;
        EXPECT_EQ(cl.Options.TcpPort, c.First) << c.Tcp;
        EXPECT_EQ(cl.Lines, c.Lines) << c.Tcp;
    }
}

TEST(CommandLineTest, MistakesAreRefusedWithAMessage)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{"--bogus"},
                                                                  {"--clock"},
                                                                  {"--clock", "300"},
                                                                  {"--clock", "1:vt8"},
                                                                  {"--clock", "1", "--clock", "1:vt9"},
                                                                  {"--tcp", "127.0.0.1:70000"},
                                                                  {"--enroll-reads", "0"},
                                                                  {"--baud", "fast"},
                                                                  {"--offset", "1.5"},
                                                                  {"--drift-ppm", "2000000"},
                                                                  {"--late=1"},
                                                                  {"--no-tcp"},
                                                                  {"--no-tcp", "--tcp", "1"},
                                                                  {"--tcp", "4001-4000"},
                                                                  {"--tcp", "0-10"},
                                                                  {"--tcp", "4000-4001", "--pty"}})
        EXPECT_THROW(CommandLine::Parse(args), std::invalid_argument) << args[0];
}

TEST(CommandLineTest, HelpNamesEveryOption)
{
    const std::string help = CommandLine::HelpText();
    for (const char* option : {"--tcp",
                               "--no-tcp",
                               "--pty",
                               "--pty-link",
                               "--clock",
                               "--state",
                               "--no-fsync",
                               "--enroll-reads",
                               "--verify-reads",
                               "--read-time-ms",
                               "--enroll-timeout",
                               "--verify-timeout",
                               "--no-person",
                               "--idle-timeout-ms",
                               "--person",
                               "--baud",
                               "--latency-ms",
                               "--drop-after",
                               "--corrupt-every",
                               "--late",
                               "--late-ms",
                               "--punch-every",
                               "--offset",
                               "--drift-ppm",
                               "--seed",
                               "--quiet",
                               "--help"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_TRUE(Parse({"--help"}).Help);
}
