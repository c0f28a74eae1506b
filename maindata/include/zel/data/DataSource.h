#pragma once

#include <memory>
#include <string>

namespace zel::data {

class IStore;
class UserDescriptionList;
class ReaderDescriptionList;
class ChannelDescriptionList;

// The entry object of the site database. It has no state of its own: every DataSource of a thread
// works on that thread's one connection and its one list each of users, clocks and channels.
class DataSource {
public:
    DataSource() = default;

    // Opens the site database `filename` read-write. The first call of a thread creates the
    // connection; every later call has no effect (also after a failed open or a close).
    // Never creates a file. Errors: 53 the file does not exist; 3343 a Microsoft Access (Jet) file
    // or any other file that is not a site database; 70 the file is write-protected; 3704/engine
    // errors otherwise.
    void OpenDatabase(const std::string& filename);
    // Closes the connection if the thread has one; error 3704 when it is not open.
    void CloseDatabase();
    // The thread's connection, or nullptr before the first OpenDatabase.
    std::shared_ptr<IStore> GetConnection() const;

    // The thread's lists: created and loaded at the first call, the same object afterwards.
    // A failed load stores nothing, so a later call tries again.
    std::shared_ptr<UserDescriptionList> GetUserDescriptionList();
    std::shared_ptr<ReaderDescriptionList> GetReaderDescriptionList();
    std::shared_ptr<ChannelDescriptionList> GetChannelDescriptionList();

    // Makes a new, empty site database `filename` with the tables Users, Readers and Channels,
    // readable and writable by its owner only. Refuses an existing file (error 58).
    static void CreateDatabase(const std::string& filename);
};

} // namespace zel::data
