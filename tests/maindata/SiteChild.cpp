// zel_maindata_child: a second process on a site database, for the tests of the one-writer rule
// and of crash safety.
//   hold FILE          opens FILE for writing, prints "ready" (or "error N text"), and holds it
//                      until its standard input closes; meanwhile each input line "add N" adds
//                      and saves user N (printing "saved N"), "remove N" removes user N and saves
//                      (printing "removed N");
//   writer FILE FIRST  adds and saves users FIRST, FIRST+1, ... until it is killed, printing
//                      "saved N" once the Save of user N has returned.
#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

int Hold(const std::string& file)
{
    zel::data::DataSource source;
    try {
        source.OpenDatabase(file);
        source.GetUserDescriptionList();
    } catch (const zel::Error& e) {
        std::printf("error %ld %s\n", e.Number(), e.Description().c_str());
        std::fflush(stdout);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    auto users = source.GetUserDescriptionList();
    std::string command;
    std::string id;
    while (std::cin >> command >> id) {
        try {
            if (command == "add") {
                users->Add(id, "User " + id);
                users->Save();
                std::printf("saved %s\n", id.c_str());
            } else if (command == "remove") {
                users->Remove(id);
                users->Save();
                std::printf("removed %s\n", id.c_str());
            }
        } catch (const zel::Error& e) {
            std::printf("error %ld %s\n", e.Number(), e.Description().c_str());
        }
        std::fflush(stdout);
    }
    source.CloseDatabase();
    return 0;
}

int Writer(const std::string& file, long first)
{
    zel::data::DataSource source;
    source.OpenDatabase(file);
    auto users = source.GetUserDescriptionList();
    for (long n = first;; ++n) {
        const std::string id = std::to_string(n);
        auto user = users->Add(id, "User " + id);
        user->SetAuthorityLevel(static_cast<std::int32_t>(n % 6));
        user->SetTemplate({1, 2, 3, 4, 5, 6, 7, 8, static_cast<std::uint8_t>(n & 0xFF)});
        user->SetEnrolled(true);
        users->Save();
        std::printf("saved %ld\n", n);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 3 && std::string(argv[1]) == "hold")
            return Hold(argv[2]);
        if (argc == 4 && std::string(argv[1]) == "writer")
            return Writer(argv[2], std::stol(argv[3]));
    } catch (const zel::Error& e) {
        std::printf("error %ld %s\n", e.Number(), e.Description().c_str());
        return 1;
    }
    std::fprintf(stderr, "usage: zel_maindata_child hold FILE | writer FILE FIRST\n");
    return 2;
}
