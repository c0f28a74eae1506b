#pragma once
// Incremental frame decoder. Feed it whatever bytes arrive, then call Next until it says NeedMore.
//
// Resynchronisation: bytes before a start byte are skipped. A start byte whose header is not
// acceptable (length above kMaxPayload, or refused by the header filter) is skipped as garbage and
// the search goes on at the following byte. A frame whose CRC does not match is reported once as
// BadCrc, and the search goes on at the byte after its start byte, so a real frame hidden behind a
// false start byte is still found. The decoder never reads outside what it was given and never
// buffers more than one frame plus what was fed since.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "zel/link/Frame.h"

namespace zel::link {

enum class DecodeEvent {
    NeedMore, // no complete frame in the buffer; feed more bytes
    Frame,    // a frame with a good CRC was stored in the output argument
    BadCrc,   // a complete frame with an acceptable header had a wrong CRC; it was dropped
};

class FrameDecoder {
public:
    // Decides whether a header may start a frame (reader ID, raw command code, sequence number,
    // payload length).
    using HeaderFilter =
        std::function<bool(std::uint8_t readerId, std::uint8_t command, std::uint8_t sequence, std::uint16_t length)>;

    explicit FrameDecoder(HeaderFilter filter = {});

    void SetHeaderFilter(HeaderFilter filter);
    void Feed(std::span<const std::uint8_t> bytes);
    DecodeEvent Next(Frame& frame);
    // Drops everything buffered (the counters stay).
    void Reset() noexcept;

    std::size_t Buffered() const noexcept { return mBuffer.size() - mStart; }
    std::uint64_t DiscardedBytes() const noexcept { return mDiscarded; }
    std::uint64_t BadCrcCount() const noexcept { return mBadCrc; }

private:
    bool Acceptable(std::uint8_t readerId, std::uint8_t command, std::uint8_t sequence, std::uint16_t length) const;
    void Skip(std::size_t count) noexcept;
    void Compact();

    HeaderFilter mFilter;
    std::vector<std::uint8_t> mBuffer;
    std::size_t mStart = 0;
    std::uint64_t mDiscarded = 0;
    std::uint64_t mBadCrc = 0;
};

} // namespace zel::link
