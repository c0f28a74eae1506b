// zel_support_demo: connects to a clock over TCP (for instance a zelclockd started with
// "zelclockd --tcp 3001 --clock 1"), enrolls a user, lists the clock's users and reads its
// data log, using only the public headers of ZelSupportLib.
//
//   zel_support_demo [--host ADDRESS] [--port PORT] [--reader ID] [--user ID]
#include "zel/Error.h"
#include "zel/support/ChannelFactory.h"
#include "zel/support/IEnrollmentStatus.h"
#include "zel/support/IReader.h"
#include "zel/support/VendorLibrary.h"

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

namespace {

using namespace zel::support;

class ConsoleStatus : public IEnrollmentStatus {
public:
    void Update(EnrollmentStatusType& status) override
    {
        if (status.ReadCount != mShownReads) {
            mShownReads = status.ReadCount;
            std::cout << "  hand reads: " << status.ReadCount << "\n";
        }
    }
    void BeginEnrollment() override { std::cout << "  place the hand on the reader\n"; }
    void EndEnrollment() override { std::cout << "  enrollment ended\n"; }
    void Aborted() override { std::cout << "  enrollment aborted\n"; }
    void Timeout() override { std::cout << "  enrollment timed out\n"; }

private:
    int mShownReads = 0;
};

struct Arguments {
    std::string Host = "127.0.0.1";
    int Port = 3001;
    int ReaderID = 1;
    std::string UserID = "4242";
};

bool Parse(int argc, char** argv, Arguments& args)
{
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (i + 1 >= argc)
            return false;
        std::string value = argv[++i];
        if (name == "--host")
            args.Host = value;
        else if (name == "--port")
            args.Port = std::atoi(value.c_str());
        else if (name == "--reader")
            args.ReaderID = std::atoi(value.c_str());
        else if (name == "--user")
            args.UserID = value;
        else
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Arguments args;
    if (!Parse(argc, argv, args)) {
        std::cerr << "usage: zel_support_demo [--host ADDRESS] [--port PORT] [--reader ID] [--user ID]\n";
        return 2;
    }
    try {
        auto channel = ChannelFactory().CreateEthernetChannel(args.Host, args.Port);
        channel->Connect();
        if (!channel->IsConnected()) {
            std::cerr << "No connection to " << args.Host << ":" << args.Port << "\n";
            return 1;
        }
        std::cout << "Connected to " << args.Host << ":" << args.Port << " (clock library "
                  << VendorLibrary::LoadedPath() << ")\n";
        auto reader = channel->GetReader(args.ReaderID);
        if (!reader) {
            std::cerr << "Clock " << args.ReaderID << " does not answer\n";
            return 1;
        }
        std::cout << "Clock " << args.ReaderID << ": " << reader->UserCount() << " users, time "
                  << reader->GetTime().ToString() << "\n";

        std::cout << "Enrolling user " << args.UserID << "\n";
        auto user = reader->EnrollUser(args.UserID, UserAuthorityLevel::None, std::make_shared<ConsoleStatus>());
        std::cout << (user ? "Enrolled user " + user->ID() : std::string("Nobody was enrolled")) << "\n";

        auto users = reader->GetUserList();
        std::cout << "Users of the clock (" << users->Count() << "):\n";
        for (const auto& item : *users) {
            std::cout << "  " << item->ID() << "\n";
        }

        auto log = reader->GetDataLogElementList();
        std::cout << "Data log (" << log->size() << " events):\n";
        for (const auto& element : *log)
            std::cout << "  " << DisplayName(element->FormatType()) << " " << element->ToString() << "\n";

        channel->Disconnect();
        return 0;
    } catch (const zel::Error& e) {
        std::cerr << "Error " << e.Number() << " (" << e.Source() << "): " << e.Description() << "\n";
        return 1;
    }
}
