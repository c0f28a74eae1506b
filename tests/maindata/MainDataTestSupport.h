#pragma once

#include "zel/Error.h"

#include <functional>
#include <string>

namespace zel::data {
class DataSource;
}

namespace zel::data::test {

// Runs `body` on a new thread and waits for it. The site database keeps its state per thread,
// so the body starts with no connection and no lists. An exception of the body is raised again
// here; gtest failures inside it count for the calling test.
void OnFreshThread(const std::function<void()>& body);

// Runs `body` on a fresh thread that has opened the site database `path`.
void WithOpenDatabase(const std::string& path, const std::function<void(DataSource&)>& body);

// A folder of its own for one test, removed with everything in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return mPath; }
    std::string File(const std::string& name) const { return mPath + "/" + name; }

private:
    std::string mPath;
};

// Makes a new, empty site database named `name` in `folder` and returns its path.
std::string NewDatabase(const TempFolder& folder, const std::string& name = "zel.mdb");

// Runs `sql` on the database file `path` through the sqlite3 command-line client (as another
// program would) and returns what it printed; a failing client fails the test.
std::string SqliteCli(const std::string& path, const std::string& sql);

// The number of the zel::Error that `action` raises, or 0 when it raises none.
long ErrorNumberOf(const std::function<void()>& action);
// The description of the zel::Error that `action` raises, or the empty text.
std::string ErrorTextOf(const std::function<void()>& action);

} // namespace zel::data::test
