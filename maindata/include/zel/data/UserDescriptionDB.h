#pragma once

#include "zel/KeyedCollection.h"

#include <cstdint>
#include <memory>

namespace zel::data {

class UserDescription;

// Row access to table Users on the thread's connection.
class UserDescriptionDB {
public:
    // Deletes the row; a missing row is no error.
    void Delete(std::int32_t databaseID);
    // Writes the user's columns into its row when the row exists; otherwise writes nothing.
    void Update(const UserDescription& obj);
    // Appends a row for the user; returns the new row's ID.
    std::int32_t Insert(const UserDescription& obj);
    // One new description per row (no owning list), keyed by the decimal text of its
    // DatabaseID, in the order the rows were read. Empty before OpenDatabase.
    zel::KeyedCollection<std::shared_ptr<UserDescription>> GetList();
};

} // namespace zel::data
