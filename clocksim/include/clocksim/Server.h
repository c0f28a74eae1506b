#pragma once
// The clock emulator as a server: any number of emulated clocks behind one TCP endpoint and/or
// one pseudo-terminal. The daemon zelclockd is a thin shell around it, and tests run it
// in-process:
//
//     zel::sim::ServerOptions options;             // TCP on 127.0.0.1, ephemeral port
//     options.Enrollment.ReadTimeMs = 0;           // enrollments move on with every status poll
//     zel::sim::Server server(options);
//     server.AddClock(1, zel::sim::ClockModel::Base);
//     server.AddClock(2, zel::sim::ClockModel::Vt9);
//     server.Start();                              // throws std::runtime_error when it cannot
//     ... zelInitWsock("127.0.0.1", server.Port()) ...
//     EXPECT_EQ(server.Clock(1).UserCount(), 3u);  // inspect or set up a clock at any time
//     server.Stop();                               // also done by the destructor
//
// With options.Pty the server also listens on a pseudo-terminal; PtyPath() is its device (give
// it to the serial side through ZEL_COM<n>). Nothing here sleeps to wait for the server: Start()
// returns when it listens, and every answer is written before the next request is read.
#include "clocksim/ClockOptions.h"
#include "clocksim/ClockTypes.h"
#include "clocksim/SimClock.h"
#include "clocksim/TimeSource.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zel::sim {

class ClockBus;

struct ServerOptions {
    bool Tcp = true;
    std::string TcpAddress = "127.0.0.1";
    std::uint16_t TcpPort = 0; // 0 = an ephemeral port, see Server::Port()
    bool Pty = false;
    std::string PtyLink;          // when set, a symbolic link to the pty device is kept here
    std::string StateFile;        // when set, the clocks are restored from it and saved to it after every change
    bool SyncStateFile = true;    // fsync the state file before it replaces the old one
    EnrollmentOptions Enrollment; // given to every clock added
    FaultOptions Faults;
    ClockTimeOptions ClockTime;             // every clock this far off the host's time, drifting so
    int PunchEverySec = 0;                  // an "identity verified" event for a random user of each clock
    std::uint32_t Seed = 1;                 // for the punches' choice of users
    std::shared_ptr<const TimeSource> Time; // nothing = the host's time
    // Receives one readable line per command served (nothing = silent).
    std::function<void(const std::string&)> CommandLog;
};

class Server {
public:
    explicit Server(ServerOptions options = {});
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Adds a clock (or changes the model of the one with that reader ID) and returns it. Allowed
    // before and after Start. The clock lives as long as the server.
    SimClock& AddClock(std::uint8_t readerId, ClockModel model = ClockModel::Base);
    SimClock* FindClock(std::uint8_t readerId);
    // Throws std::out_of_range for an unknown reader ID.
    SimClock& Clock(std::uint8_t readerId);
    std::vector<std::uint8_t> ReaderIds() const;

    // Restores the state file (clocks in it are added), opens the TCP port and/or the pty and
    // starts serving. Throws std::runtime_error (state file unreadable, port in use, no pty).
    void Start();
    // Stops serving, closes every link, saves the state. Safe to call more than once.
    void Stop();
    bool IsRunning() const { return mRunning.load(); }

    std::uint16_t Port() const;  // the TCP port listened on (0 without TCP or before Start)
    std::string PtyPath() const; // the pty device ("" without one); a new one after a dropped link

    void SetFaults(const FaultOptions& faults); // takes effect with the next frame
    FaultOptions Faults() const;
    void SetEnrollmentOptions(const EnrollmentOptions& options); // every clock
    std::uint64_t FramesAnswered() const;
    // The bytes of the exchanges answered, request and answer frames: at the line's bit rate (10
    // bits a byte) their wire time is what no work on this line can beat.
    std::uint64_t BytesExchanged() const;
    std::uint64_t LinksDropped() const;

    // How long an answer is held back under these faults: latency, the wire time of request and
    // answer frames at the throttled bit rate, and the lateness.
    static std::chrono::microseconds AnswerDelay(const FaultOptions& faults, std::size_t requestFrameBytes,
                                                 std::size_t answerFrameBytes);

    // Writes the state file now (it is also written after every change a command makes).
    void SaveState();
    ClockBus& Bus();

private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
    std::atomic<bool> mRunning{false};
};

} // namespace zel::sim
