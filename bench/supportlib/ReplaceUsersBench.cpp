// Timing driver: run it from the build folder's bin/ (it finds libzeldll32.so beside itself).
//
//   bench_replace_users [base-users] [newer-users] [bit-rate]   defaults 600 150 9600; 0 unthrottled
//
// Makes an emulated clock of each model hold a set of users, two ways: clearing it and writing
// the users in data banks (how a synchronization with "Clear Destination Clocks" used to do it,
// locking out everyone not yet written while it runs), and replacing its users
// (zel::support::UserReplacement: read the clock, remove who goes, write what is missing, never
// dropping a user who stays). Three clocks each: an empty one, one that holds all but a few of the
// users and a few others (the usual synchronization), and one whose users all go.
//
// Each figure stands beside its wire bound: the bytes its exchanges put on the line (10 bits a
// byte at the bit rate), the selection of the clock included; the reader lookup before is left
// out of both. The last column compares the replacement's bytes with clearing's.
#include "BenchSupport.h"
#include "clocksim/ClockUser.h"
#include "clocksim/Server.h"
#include "zel/support/ChannelFactory.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"
#include "zel/support/UserReplacement.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using zel::support::ClockGeometry;

zel::sim::ClockUser MakeUser(int id)
{
    zel::sim::ClockUser user;
    user.Id = *zel::sim::UserIdFromText(std::to_string(id));
    for (std::size_t i = 0; i < user.Hand.size(); ++i)
        user.Hand[i] = static_cast<std::uint8_t>(id * 7 + static_cast<int>(i));
    return user;
}

zel::support::VisitorList Wanted(int first, int count)
{
    zel::support::VisitorList users;
    for (int id = first; id < first + count; ++id) {
        const auto clockUser = MakeUser(id);
        auto user = std::make_shared<zel::support::ExtendedUser>();
        user->SetID(std::to_string(id));
        user->SetTemplate(std::vector<std::uint8_t>(clockUser.Hand.begin(), clockUser.Hand.end()));
        users.push_back(user);
    }
    return users;
}

struct Case {
    const char* Name;
    int Held;      // users 100000.. on the clock before
    int FirstHeld; // the first of them
};

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool RunModel(const char* model, zel::sim::ClockModel clockModel, const ClockGeometry& geometry, int users, int bitRate)
{
    zel::sim::ServerOptions options;
    options.Faults.BitRate = bitRate;
    zel::sim::Server server(options);
    server.AddClock(1, clockModel);
    server.Start();
    const int changed = users / 60; // the usual synchronization: a few go, as many come
    const Case cases[] = {
        {"empty clock", 0, 0},
        {"a few users to remove and to add", users, 100000 - changed},
        {"every user to replace", users, 500000},
    };
    const auto wanted = Wanted(100000, users);
    const double perByte = bitRate > 0 ? 10.0 / bitRate : 0.0;
    std::printf("%s model, %d users wanted (%s)\n", model, users,
                bitRate ? (std::to_string(bitRate) + " bit/s").c_str() : "unthrottled");
    std::printf("  %-34s %-9s %9s %9s %9s %9s\n", "", "way", "bytes", "measured", "bound", "ratio");
    bool ok = true;
    std::size_t clearing = 0; // the bytes of the clearing way, for the case at hand
    for (const Case& test : cases) {
        for (const bool replace : {false, true}) {
            auto& clock = server.Clock(1);
            clock.ClearUserDataBase();
            for (int i = 0; i < test.Held; ++i)
                clock.PutUser(MakeUser(test.FirstHeld + i));
            auto channel = zel::support::ChannelFactory().CreateEthernetChannel("127.0.0.1", server.Port());
            channel->Connect();
            auto reader = channel->GetReader(1);
            if (!reader) {
                std::printf("  the clock did not answer\n");
                return false;
            }
            std::size_t bytes = 0;
            const auto start = std::chrono::steady_clock::now();
            if (replace) {
                zel::support::UserReplacement replacement(*reader);
                replacement.Run(wanted);
                bytes = replacement.WireBytes();
            } else {
                reader->RemoveAllUsers();
                reader->SendUserList(wanted);
                const std::size_t banks = (wanted.size() + geometry.SlotsPerBank - 1) / geometry.SlotsPerBank;
                bytes = 2 * geometry.SelectBytes() + geometry.ClearBytes() + banks * geometry.BankBytes();
            }
            const double measured = Seconds(start);
            channel->Disconnect();
            ok = ok && clock.UserCount() == static_cast<std::size_t>(users);
            const double bound = static_cast<double>(bytes) * perByte;
            if (!replace)
                clearing = bytes;
            std::printf("  %-34s %-9s %9zu %8.2fs %8.2fs %9.2f", replace ? "" : test.Name,
                        replace ? "replace" : "clear", bytes, measured, bound, bound > 0 ? measured / bound : 0.0);
            if (replace)
                std::printf("   bytes / clearing's = %.2f", static_cast<double>(bytes) / static_cast<double>(clearing));
            std::printf("\n");
        }
    }
    server.Stop();
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    const int base = argc > 1 ? std::atoi(argv[1]) : 600;
    const int newer = argc > 2 ? std::atoi(argv[2]) : 150;
    const int bitRate = argc > 3 ? std::atoi(argv[3]) : 9600;
    if (base < 1 || base > 2560 || newer < 1 || newer > 530 || bitRate < 0) {
        std::fprintf(stderr, "usage: bench_replace_users [base-users 1..2560] [newer-users 1..530] [bit-rate]\n");
        return 2;
    }
    zel::bench::UseClockLibraryBesideProgram();
    bool ok = RunModel("Base", zel::sim::ClockModel::Base, ClockGeometry::Base(), base, bitRate);
    ok = RunModel("Newer", zel::sim::ClockModel::Vt9, ClockGeometry::Newer(), newer, bitRate) && ok;
    return ok ? 0 : 1;
}
