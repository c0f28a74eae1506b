#pragma once

#include "zel/KeyedCollection.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zel::data {

class ReaderDescription;

// Row access to table Readers on the thread's connection.
class ReaderDescriptionDB {
public:
    // Deletes the row; a missing row is no error.
    void Delete(std::int32_t databaseID);
    // Writes the clock's columns into its row when the row exists; otherwise writes nothing.
    void Update(const ReaderDescription& obj);
    // Appends a row for the clock; returns the new row's ID.
    std::int32_t Insert(const ReaderDescription& obj);
    // Stores a new row (Location empty) and returns its clean description (no owning list).
    // Error 5 "Reader name cannot be empty." for the empty name; then nothing is stored.
    std::shared_ptr<ReaderDescription> Create(std::uint8_t readerID, const std::string& name, std::int32_t channelID);
    // One new description per row (no owning list), keyed by Name, in the order the rows were
    // read; error 457 for two rows of one name. Empty before OpenDatabase or after a failed open.
    zel::KeyedCollection<std::shared_ptr<ReaderDescription>> GetList();
};

} // namespace zel::data
