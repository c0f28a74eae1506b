#include "zel/link/FrameDecoder.h"

#include <algorithm>

#include "zel/link/Crc16.h"

namespace zel::link {

FrameDecoder::FrameDecoder(HeaderFilter filter) : mFilter(std::move(filter)) {}

void FrameDecoder::SetHeaderFilter(HeaderFilter filter)
{
    mFilter = std::move(filter);
}

void FrameDecoder::Feed(std::span<const std::uint8_t> bytes)
{
    Compact();
    mBuffer.insert(mBuffer.end(), bytes.begin(), bytes.end());
}

void FrameDecoder::Reset() noexcept
{
    mBuffer.clear();
    mStart = 0;
}

bool FrameDecoder::Acceptable(std::uint8_t readerId, std::uint8_t command, std::uint8_t sequence,
                              std::uint16_t length) const
{
    if (length > kMaxPayload) {
        return false;
    }
    return !mFilter || mFilter(readerId, command, sequence, length);
}

void FrameDecoder::Skip(std::size_t count) noexcept
{
    mStart += count;
    mDiscarded += count;
}

void FrameDecoder::Compact()
{
    if (mStart == 0) {
        return;
    }
    if (mStart >= mBuffer.size()) {
        mBuffer.clear();
    } else {
        mBuffer.erase(mBuffer.begin(), mBuffer.begin() + static_cast<std::ptrdiff_t>(mStart));
    }
    mStart = 0;
}

DecodeEvent FrameDecoder::Next(Frame& frame)
{
    for (;;) {
        // Hunt for a start byte.
        const auto begin = mBuffer.begin() + static_cast<std::ptrdiff_t>(mStart);
        const auto found = std::find(begin, mBuffer.end(), kStartByte);
        Skip(static_cast<std::size_t>(found - begin));
        const std::size_t available = mBuffer.size() - mStart;
        if (available < kHeaderSize) {
            return DecodeEvent::NeedMore;
        }
        const std::uint8_t* p = mBuffer.data() + mStart;
        const std::uint8_t readerId = p[1];
        const std::uint8_t command = p[2];
        const std::uint8_t sequence = p[3];
        const auto length = static_cast<std::uint16_t>(p[4] | (p[5] << 8));
        if (!Acceptable(readerId, command, sequence, length)) {
            Skip(1);
            continue;
        }
        const std::size_t total = FrameSize(length);
        if (available < total) {
            return DecodeEvent::NeedMore;
        }
        const std::uint16_t expected = Crc16({p + 1, kHeaderSize - 1 + length});
        const auto actual = static_cast<std::uint16_t>(p[kHeaderSize + length] | (p[kHeaderSize + length + 1] << 8));
        if (expected != actual) {
            // Drop the start byte only: a real frame may begin inside what looked like this one.
            Skip(1);
            ++mBadCrc;
            return DecodeEvent::BadCrc;
        }
        frame.ReaderId = readerId;
        frame.Command = command;
        frame.Sequence = sequence;
        frame.Payload.assign(p + kHeaderSize, p + kHeaderSize + length);
        mStart += total;
        if (mStart == mBuffer.size()) {
            mBuffer.clear();
            mStart = 0;
        }
        return DecodeEvent::Frame;
    }
}

} // namespace zel::link
