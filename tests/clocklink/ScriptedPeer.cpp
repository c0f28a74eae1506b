#include "ScriptedPeer.h"

#include <array>

namespace zel::test {

ScriptedPeer::ScriptedPeer(std::unique_ptr<link::Transport> transport, Script script)
    : mScript(std::move(script)), mTransport(std::move(transport))
{
    mThread = std::thread([this] { Serve(*mTransport); });
}

ScriptedPeer::ScriptedPeer(Script script)
    : mScript(std::move(script)), mListener(std::make_unique<link::TcpListener>("127.0.0.1", 0))
{
    mThread = std::thread([this] {
        while (!mStop.load()) {
            auto connection = mListener->Accept();
            if (!connection) {
                return;
            }
            Serve(*connection);
        }
    });
}

ScriptedPeer::~ScriptedPeer()
{
    mStop.store(true);
    if (mListener) {
        mListener->Cancel();
    }
    if (mTransport) {
        mTransport->Cancel();
    }
    mThread.join();
}

std::uint16_t ScriptedPeer::Port() const
{
    return mListener ? mListener->Port() : 0;
}

std::vector<link::Frame> ScriptedPeer::Requests() const
{
    std::lock_guard lock(mMutex);
    return mLog;
}

PeerReply ScriptedPeer::Answer(const link::Frame& request, std::span<const std::uint8_t> data, link::Status status)
{
    return {link::EncodeResponseTo(request, status, data), false};
}

PeerReply ScriptedPeer::ZeroAnswer(const link::Frame& request)
{
    const auto* info = link::FindCommand(request.Command);
    std::vector<std::uint8_t> data(info ? info->ResponseSize : 0, 0);
    return Answer(request, data);
}

void ScriptedPeer::Serve(link::Transport& transport)
{
    link::FrameDecoder decoder;
    std::array<std::uint8_t, 4096> chunk{};
    link::Frame frame;
    while (!mStop.load() && transport.IsOpen()) {
        // Short waits so that the destructor's stop flag is seen on an idle link.
        const auto read = transport.Read(chunk, link::Clock::now() + std::chrono::milliseconds(50));
        if (read.Status == link::IoStatus::TimedOut) {
            continue;
        }
        if (read.Status != link::IoStatus::Ok) {
            break;
        }
        decoder.Feed(std::span<const std::uint8_t>(chunk.data(), read.Count));
        bool hungUp = false;
        while (!hungUp && decoder.Next(frame) == link::DecodeEvent::Frame) {
            {
                std::lock_guard lock(mMutex);
                mLog.push_back(frame);
            }
            ++mRequests;
            const PeerReply reply = mScript(frame);
            if (!reply.Bytes.empty()) {
                transport.Write(reply.Bytes, link::Clock::now() + std::chrono::seconds(10));
            }
            if (reply.HangUp) {
                transport.Close();
                hungUp = true;
            }
        }
        if (hungUp) {
            break;
        }
    }
}

} // namespace zel::test
