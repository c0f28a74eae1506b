#pragma once

#include "zel/data/FieldValue.h"
#include "zel/data/Record.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zel::data {

// The connection to the site database: row-level operations on the three tables. The description
// classes speak only to this interface; the engine behind it (SQLite) owns every statement text.
// Every operation on a store that is not open fails with error 3704.
class IStore {
public:
    virtual ~IStore() = default;

    virtual bool IsOpen() const = 0;
    // Closes the connection; error 3704 when it is not open.
    virtual void Close() = 0;

    // The file the store was opened on, and the engine's name and version (for the About box).
    virtual std::string FileName() const = 0;
    virtual std::string EngineVersion() const = 0;

    // Calls `onRow` for every row of `table`, in the order the engine returns them.
    virtual void ReadAll(std::string_view table, const std::function<void(const Record&)>& onRow) = 0;
    // Appends a row with the given columns set (the others keep their defaults); returns its ID,
    // which the engine assigns and never hands out again.
    virtual std::int64_t Insert(std::string_view table, const std::vector<Field>& fields) = 0;
    // Sets the given columns of the row `id`; returns the number of rows changed (0 or 1).
    virtual int Update(std::string_view table, std::int64_t id, const std::vector<Field>& fields) = 0;
    // Deletes the row `id`; returns the number of rows deleted (0 or 1).
    virtual int Delete(std::string_view table, std::int64_t id) = 0;
};

} // namespace zel::data
