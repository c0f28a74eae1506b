#pragma once

#include "zel/data/IStore.h"

#include <map>
#include <memory>
#include <string>

struct sqlite3;

namespace zel::data::detail {

class SqliteStatement;

// The site database on SQLite 3. The only place that holds statement texts.
class SqliteStore : public IStore {
public:
    SqliteStore();
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    // Opens an existing site database read-write; never creates a file (see DataSource).
    void Open(const std::string& filename);
    // Makes a new site database with the three tables; refuses an existing file.
    static void Create(const std::string& filename);

    bool IsOpen() const override { return mDb != nullptr; }
    void Close() override;
    std::string FileName() const override { return mFileName; }
    std::string EngineVersion() const override;

    void ReadAll(std::string_view table, const std::function<void(const Record&)>& onRow) override;
    std::int64_t Insert(std::string_view table, const std::vector<Field>& fields) override;
    int Update(std::string_view table, std::int64_t id, const std::vector<Field>& fields) override;
    int Delete(std::string_view table, std::int64_t id) override;

private:
    sqlite3* RequireOpen() const;
    // A prepared statement kept for the life of the connection, one per statement text.
    SqliteStatement& Cached(const std::string& sql);
    void CloseHandle() noexcept;

    sqlite3* mDb = nullptr;
    std::string mFileName;
    std::map<std::string, std::unique_ptr<SqliteStatement>> mStatements;
};

} // namespace zel::data::detail
