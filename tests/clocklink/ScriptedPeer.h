#pragma once
// A scripted clock for tests: answers each request frame it decodes on a Transport with whatever
// bytes the script returns (a proper response, garbage, a broken frame, nothing) and can hang up.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "zel/link/Frame.h"
#include "zel/link/FrameDecoder.h"
#include "zel/link/TcpListener.h"
#include "zel/link/Transport.h"

namespace zel::test {

struct PeerReply {
    std::vector<std::uint8_t> Bytes; // sent as they are
    bool HangUp = false;             // close the link after sending
};

class ScriptedPeer {
public:
    using Script = std::function<PeerReply(const link::Frame& request)>;

    // Serves requests on `transport` (the server side of a link) until destroyed.
    ScriptedPeer(std::unique_ptr<link::Transport> transport, Script script);
    // Listens on 127.0.0.1 (ephemeral port) and serves one connection after another.
    explicit ScriptedPeer(Script script);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    std::uint16_t Port() const;
    std::size_t RequestCount() const { return mRequests.load(); }
    std::vector<link::Frame> Requests() const;

    // A well-formed response to `request` carrying `data`: its reader ID, code and sequence number.
    static PeerReply Answer(const link::Frame& request, std::span<const std::uint8_t> data = {},
                            link::Status status = link::Status::Ok);
    // An Ok response with the command's exact response size, all zero.
    static PeerReply ZeroAnswer(const link::Frame& request);

private:
    void Serve(link::Transport& transport);

    Script mScript;
    std::unique_ptr<link::TcpListener> mListener;
    std::unique_ptr<link::Transport> mTransport;
    std::atomic<bool> mStop{false};
    std::atomic<std::size_t> mRequests{0};
    mutable std::mutex mMutex;
    std::vector<link::Frame> mLog;
    std::thread mThread;
};

} // namespace zel::test
