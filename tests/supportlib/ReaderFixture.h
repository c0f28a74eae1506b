#pragma once

#include "FakeVendor.h"

#include "zel/support/ChannelFactory.h"
#include "zel/support/IReader.h"
#include "zel/support/MessagePump.h"

#include <gtest/gtest.h>

namespace zel::test {

// A connected serial channel on the fake clock library and the reader of one clock.
class ReaderFixture : public ::testing::Test {
protected:
    // userCount: what the clock reports; the most a clock holds, so any bank may be read.
    void MakeReader(std::uint8_t model, std::int32_t readerID = 5, std::int16_t userCount = 2560)
    {
        Fake.ReaderInfos[readerID] = FakeVendor::Info(model, userCount);
        Chan = zel::support::ChannelFactory().CreateDirectChannel(1);
        Chan->Connect();
        Rdr = Chan->GetReader(readerID);
        ASSERT_TRUE(Rdr);
        Fake.ClearCalls();
    }

    // A bank holding `count` users with IDs first, first+1, ... in slots of `slotSize` bytes.
    static zel::support::DataBank Bank(int count, int first, std::size_t slotSize = 16)
    {
        zel::support::DataBank bank;
        bank.fill(0xFF);
        for (int i = 0; i < count; ++i) {
            auto* slot = bank.data() + static_cast<std::size_t>(i) * slotSize;
            auto id = FakeVendor::IdRecord(std::to_string(first + i));
            std::copy(id.begin(), id.end(), slot);
            for (int t = 0; t < 9; ++t)
                slot[5 + t] = static_cast<std::uint8_t>(t + 1);
            slot[14] = 0;
            slot[15] = 0;
        }
        return bank;
    }

    FakeVendor Fake;
    std::shared_ptr<zel::support::Channel> Chan;
    std::shared_ptr<zel::support::IReader> Rdr;
};

} // namespace zel::test
