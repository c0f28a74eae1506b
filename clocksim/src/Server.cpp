#include "clocksim/Server.h"

#include "clocksim/ClockBus.h"

#include "zel/link/FrameDecoder.h"
#include "zel/link/PseudoTerminal.h"
#include "zel/link/TcpListener.h"
#include "zel/link/Timing.h"

#include <array>
#include <condition_variable>
#include <cstdio>
#include <list>
#include <mutex>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zel::sim {

namespace {

using namespace std::chrono_literals;

enum class LinkEnd { Closed, Dropped, Stopped };

} // namespace

struct Server::Impl {
    struct Connection {
        std::shared_ptr<link::Transport> Transport;
        std::thread Thread;
        std::atomic<bool> Done{false};
    };

    explicit Impl(ServerOptions options) : Options(std::move(options)), Bus(Options.Time), Faults(Options.Faults) {}

    ServerOptions Options;
    ClockBus Bus;

    mutable std::mutex Mutex; // guards the fields below
    FaultOptions Faults;
    std::list<std::unique_ptr<Connection>> Connections;
    std::shared_ptr<link::PseudoTerminal> Pty;
    std::string PtyPath;
    std::uint16_t Port = 0;

    std::unique_ptr<link::TcpListener> Listener;
    std::thread AcceptThread;
    std::thread PtyThread;

    std::atomic<bool> Stopping{false};
    std::mutex StopMutex;
    std::condition_variable StopSignal;

    // The state file is written by a thread of its own: a command only asks for a write, and
    // changes that come while one is being written share the next one.
    std::thread SaverThread;
    std::mutex SaveMutex;
    std::condition_variable SaveSignal;
    bool SaveWanted = false;
    bool SaverStop = false;
    bool SavesState = false; // set before the links start

    std::atomic<std::uint64_t> FramesAnswered{0};
    std::atomic<std::uint64_t> BytesExchanged{0};
    std::atomic<std::uint64_t> LinksDropped{0};
    std::atomic<std::uint64_t> AnswersForCorruption{0};

    FaultOptions CurrentFaults() const
    {
        std::scoped_lock lock(Mutex);
        return Faults;
    }

    // Waits, unless the server stops first (then false).
    bool Delay(std::chrono::microseconds wait)
    {
        if (wait <= 0us)
            return !Stopping.load();
        std::unique_lock lock(StopMutex);
        return !StopSignal.wait_for(lock, wait, [this] { return Stopping.load(); });
    }

    void RequestSave()
    {
        // Without a state file there is nothing to write: the saver is not woken for every frame.
        if (!SavesState)
            return;
        {
            std::scoped_lock lock(SaveMutex);
            SaveWanted = true;
        }
        SaveSignal.notify_one();
    }
    void SaverLoop();

    LinkEnd Serve(link::Transport& transport);
    void AcceptLoop();
    void PtyLoop();
    bool OpenPty(); // a new pty in place of the old one
    void ReapConnections(bool all);
};

LinkEnd Server::Impl::Serve(link::Transport& transport)
{
    // Any sequence number: the clock only echoes it.
    link::FrameDecoder decoder([this](std::uint8_t readerId, std::uint8_t command, std::uint8_t, std::uint16_t length) {
        return Bus.AcceptsHeader(readerId, command, length);
    });
    std::array<std::uint8_t, 4096> buffer{};
    int answeredOnLink = 0;
    while (!Stopping.load()) {
        const link::IoResult read = transport.Read(buffer, link::Clock::now() + 1s);
        if (read.Status == link::IoStatus::TimedOut)
            continue;
        if (read.Status != link::IoStatus::Ok)
            return Stopping.load() ? LinkEnd::Stopped : LinkEnd::Closed;
        decoder.Feed(std::span<const std::uint8_t>(buffer.data(), read.Count));

        link::Frame frame;
        for (;;) {
            const link::DecodeEvent event = decoder.Next(frame);
            if (event == link::DecodeEvent::NeedMore)
                break;
            if (event == link::DecodeEvent::BadCrc)
                continue; // a damaged request is not answered: the client times out and retries
            const FaultOptions faults = CurrentFaults();
            // The line goes down when the request after the last answered one arrives, so every
            // answer that was sent has reached the client; that request is carried out or not.
            if (faults.DropAfterFrames > 0 && answeredOnLink >= faults.DropAfterFrames) {
                if (faults.DropLosesAnswer) {
                    Bus.Handle(frame);
                    RequestSave();
                }
                ++LinksDropped;
                return LinkEnd::Dropped;
            }
            std::optional<Bytes> answer = Bus.Handle(frame);
            RequestSave();
            if (!answer)
                continue;

            if (!Delay(AnswerDelay(faults, link::FrameSize(frame.Payload.size()), answer->size())))
                return LinkEnd::Stopped;
            if (faults.CorruptEvery > 0 &&
                ++AnswersForCorruption % static_cast<std::uint64_t>(faults.CorruptEvery) == 0)
                answer->back() ^= 0xFF; // the CRC no longer matches
            // Counted before it leaves, so a client that has its answer sees it counted.
            ++FramesAnswered;
            BytesExchanged += link::FrameSize(frame.Payload.size()) + answer->size();
            ++answeredOnLink;
            const link::IoResult written = transport.Write(*answer, link::Clock::now() + 10s);
            if (written.Status != link::IoStatus::Ok)
                return Stopping.load() ? LinkEnd::Stopped : LinkEnd::Closed;
        }
    }
    return LinkEnd::Stopped;
}

void Server::Impl::SaverLoop()
{
    std::unique_lock lock(SaveMutex);
    for (;;) {
        if (Options.PunchEverySec > 0) {
            // Punches are made as they fall due, even while nobody asks, so the state file has them.
            SaveSignal.wait_for(lock, 1s, [this] { return SaveWanted || SaverStop; });
            if (SaverStop)
                return;
        } else {
            SaveSignal.wait(lock, [this] { return SaveWanted || SaverStop; });
            if (!SaveWanted)
                return;
        }
        SaveWanted = false;
        lock.unlock();
        try {
            Bus.Tick();
            Bus.SaveState();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "zelclockd: %s\n", e.what());
        }
        lock.lock();
    }
}

void Server::Impl::ReapConnections(bool all)
{
    std::list<std::unique_ptr<Connection>> finished;
    {
        std::scoped_lock lock(Mutex);
        for (auto it = Connections.begin(); it != Connections.end();) {
            if (all || (*it)->Done.load()) {
                finished.push_back(std::move(*it));
                it = Connections.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& c : finished)
        if (c->Thread.joinable())
            c->Thread.join();
}

void Server::Impl::AcceptLoop()
{
    while (!Stopping.load()) {
        std::unique_ptr<link::TcpTransport> accepted = Listener->Accept();
        if (!accepted) {
            if (Stopping.load())
                break;
            Delay(50ms); // a failed accept (out of descriptors, say): try again shortly
            continue;
        }
        ReapConnections(false);
        auto connection = std::make_unique<Connection>();
        connection->Transport = std::shared_ptr<link::Transport>(std::move(accepted));
        Connection* c = connection.get();
        {
            std::scoped_lock lock(Mutex);
            if (Stopping.load())
                break;
            Connections.push_back(std::move(connection));
            c->Thread = std::thread([this, c] {
                Serve(*c->Transport);
                c->Transport->Close();
                c->Done.store(true);
            });
        }
    }
}

bool Server::Impl::OpenPty()
{
    std::shared_ptr<link::PseudoTerminal> pty =
        link::PseudoTerminal::Create(static_cast<std::uint32_t>(std::max(CurrentFaults().BitRate, 0)));
    if (!pty)
        return false;
    const std::string path = pty->SlavePath();
    {
        std::scoped_lock lock(Mutex);
        Pty = pty;
        PtyPath = path;
    }
    if (!Options.PtyLink.empty()) {
        // Point the link at the new device in one step.
        const std::string temp = Options.PtyLink + ".new" + std::to_string(::getpid());
        ::unlink(temp.c_str());
        if (::symlink(path.c_str(), temp.c_str()) != 0 || ::rename(temp.c_str(), Options.PtyLink.c_str()) != 0) {
            ::unlink(temp.c_str());
            std::fprintf(stderr, "zelclockd: cannot link %s to %s\n", Options.PtyLink.c_str(), path.c_str());
        }
    }
    return true;
}

void Server::Impl::PtyLoop()
{
    while (!Stopping.load()) {
        std::shared_ptr<link::PseudoTerminal> pty;
        {
            std::scoped_lock lock(Mutex);
            pty = Pty;
        }
        if (!pty)
            return;
        const LinkEnd end = Serve(*pty);
        if (end == LinkEnd::Stopped || Stopping.load())
            return;
        // The line went down: offer a fresh device, then hang up on whoever holds the old one
        // (so a client that sees the hang-up finds the new device already in place).
        const bool reopened = OpenPty();
        pty->Close();
        if (!reopened) {
            std::fprintf(stderr, "zelclockd: cannot open a new pseudo-terminal\n");
            return;
        }
    }
}

std::chrono::microseconds Server::AnswerDelay(const FaultOptions& faults, std::size_t requestFrameBytes,
                                              std::size_t answerFrameBytes)
{
    std::chrono::microseconds wait = std::chrono::milliseconds(std::max(faults.LatencyMs, 0));
    if (faults.BitRate > 0)
        wait += link::WireTime(requestFrameBytes + answerFrameBytes, static_cast<std::uint32_t>(faults.BitRate));
    if (faults.Late)
        wait += std::chrono::milliseconds(std::max(faults.LateMs, 0));
    return wait;
}

Server::Server(ServerOptions options) : mImpl(std::make_unique<Impl>(std::move(options)))
{
    Impl& d = *mImpl;
    d.Bus.SetEnrollmentOptions(d.Options.Enrollment);
    d.Bus.SetPunches(d.Options.PunchEverySec, d.Options.Seed);
    d.Bus.SetClockTime(d.Options.ClockTime);
    d.Bus.SetCommandLog(d.Options.CommandLog);
    d.Bus.SetStateFile(d.Options.StateFile, d.Options.SyncStateFile);
    d.Bus.SetAutoSave(false);
}

Server::~Server()
{
    try {
        Stop();
    } catch (...) {
        // Nothing more can be done for the state file here.
    }
}

SimClock& Server::AddClock(std::uint8_t readerId, ClockModel model)
{
    return mImpl->Bus.AddClock(readerId, model);
}

SimClock* Server::FindClock(std::uint8_t readerId)
{
    return mImpl->Bus.FindClock(readerId);
}

SimClock& Server::Clock(std::uint8_t readerId)
{
    SimClock* clock = FindClock(readerId);
    if (!clock)
        throw std::out_of_range("no emulated clock with reader ID " + std::to_string(readerId));
    return *clock;
}

std::vector<std::uint8_t> Server::ReaderIds() const
{
    return mImpl->Bus.ReaderIds();
}

void Server::Start()
{
    if (mRunning.load())
        return;
    Impl& d = *mImpl;
    d.Stopping.store(false);
    d.Bus.LoadState();
    d.Bus.SaveState(true);

    if (d.Options.Tcp) {
        try {
            d.Listener = std::make_unique<link::TcpListener>(d.Options.TcpAddress, d.Options.TcpPort);
        } catch (const std::exception& e) {
            throw std::runtime_error(std::string("cannot listen on ") + d.Options.TcpAddress + ":" +
                                     std::to_string(d.Options.TcpPort) + ": " + e.what());
        }
        std::scoped_lock lock(d.Mutex);
        d.Port = d.Listener->Port();
    }
    if (d.Options.Pty && !d.OpenPty()) {
        d.Listener.reset();
        throw std::runtime_error("cannot open a pseudo-terminal");
    }
    {
        std::scoped_lock lock(d.SaveMutex);
        d.SaveWanted = false;
        d.SaverStop = false;
    }
    d.SavesState = d.Bus.HasStateFile();
    d.SaverThread = std::thread([&d] { d.SaverLoop(); });
    if (d.Listener)
        d.AcceptThread = std::thread([&d] { d.AcceptLoop(); });
    if (d.Options.Pty)
        d.PtyThread = std::thread([&d] { d.PtyLoop(); });
    mRunning.store(true);
}

void Server::Stop()
{
    if (!mRunning.exchange(false))
        return;
    Impl& d = *mImpl;
    {
        std::scoped_lock lock(d.StopMutex);
        d.Stopping.store(true);
    }
    d.StopSignal.notify_all();
    if (d.Listener)
        d.Listener->Cancel();
    {
        std::scoped_lock lock(d.Mutex);
        for (auto& c : d.Connections)
            c->Transport->Cancel();
        if (d.Pty)
            d.Pty->Cancel();
    }
    if (d.AcceptThread.joinable())
        d.AcceptThread.join();
    if (d.PtyThread.joinable())
        d.PtyThread.join();
    d.ReapConnections(true);
    if (d.Listener) {
        d.Listener->Close();
        d.Listener.reset();
    }
    {
        std::scoped_lock lock(d.Mutex);
        if (d.Pty)
            d.Pty->Close();
        d.Pty.reset();
        d.PtyPath.clear();
    }
    struct stat info {};
    {
        std::scoped_lock lock(d.SaveMutex);
        d.SaverStop = true;
    }
    d.SaveSignal.notify_one();
    if (d.SaverThread.joinable())
        d.SaverThread.join();
    if (!d.Options.PtyLink.empty() && ::lstat(d.Options.PtyLink.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
        ::unlink(d.Options.PtyLink.c_str());
    d.Bus.SaveState();
}

std::uint16_t Server::Port() const
{
    std::scoped_lock lock(mImpl->Mutex);
    return mImpl->Port;
}

std::string Server::PtyPath() const
{
    std::scoped_lock lock(mImpl->Mutex);
    return mImpl->PtyPath;
}

void Server::SetFaults(const FaultOptions& faults)
{
    std::scoped_lock lock(mImpl->Mutex);
    mImpl->Faults = faults;
}

FaultOptions Server::Faults() const
{
    return mImpl->CurrentFaults();
}

void Server::SetEnrollmentOptions(const EnrollmentOptions& options)
{
    mImpl->Bus.SetEnrollmentOptions(options);
}

std::uint64_t Server::FramesAnswered() const
{
    return mImpl->FramesAnswered.load();
}

std::uint64_t Server::BytesExchanged() const
{
    return mImpl->BytesExchanged.load();
}

std::uint64_t Server::LinksDropped() const
{
    return mImpl->LinksDropped.load();
}

void Server::SaveState()
{
    mImpl->Bus.SaveState(true);
}

ClockBus& Server::Bus()
{
    return mImpl->Bus;
}

} // namespace zel::sim
