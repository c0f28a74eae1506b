#pragma once
// The in-process emulator with a base clock (reader 1) and a newer-model clock (reader 2), and a
// TCP channel to it through the vendor library.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "ZelTestSupport.h"
#include "clocksim/Server.h"

namespace zel::test {

inline constexpr std::int32_t kBaseReader = 1;
inline constexpr std::int32_t kNewerReader = 2;

class SimFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::ServerOptions options;
        options.Pty = WantPty();
        options.Enrollment.ReadTimeMs = 0; // every status poll is one step of the hand reader
        server = std::make_unique<sim::Server>(options);
        server->AddClock(kBaseReader, sim::ClockModel::Base);
        server->AddClock(kNewerReader, sim::ClockModel::Vt9);
        server->Start();
        ScopedEnv timeout("ZEL_TIMEOUT_MS", TimeoutMs());
        h = Open();
        ASSERT_GT(h, 0);
    }

    void TearDown() override
    {
        zelCloseChannel(h);
        server->Stop();
    }

    virtual bool WantPty() const { return false; }
    virtual std::string TimeoutMs() const { return "200"; } // ZEL_TIMEOUT_MS while the channel opens
    virtual std::int32_t Open() { return zelInitWsock("127.0.0.1", server->Port()); }

    void Select(std::int32_t readerId)
    {
        std::uint8_t status[ZEL_STATUS_RECORD_SIZE] = {};
        ASSERT_EQ(zelSetHandReader(h, readerId, status), 0);
    }

    static std::array<std::uint8_t, ZEL_EXT_USER_RECORD_SIZE> MakeUser(const char* id, std::uint8_t seed)
    {
        std::array<std::uint8_t, ZEL_EXT_USER_RECORD_SIZE> user{};
        EXPECT_EQ(zelTextToID(id, user.data()), 0);
        for (int i = 0; i < ZEL_TEMPLATE_SIZE; ++i) {
            user[5 + i] = static_cast<std::uint8_t>(seed + i);
        }
        user[16] = 3;   // authority level Management
        user[20] = 120; // reject threshold
        user[22] = 3;   // time zone
        return user;
    }

    static std::uint32_t Word(const std::uint8_t* p)
    {
        return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    }

    SocketLayer sockets;
    std::unique_ptr<sim::Server> server;
    std::int32_t h = 0;
};

} // namespace zel::test
