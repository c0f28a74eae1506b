#pragma once
// The menu program a clock takes as function-key data, read from a menu file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zel::workflows {

// The rule for menu files shared by the Clock Setup page and zelctl menu send: a file of 1 to
// 4096 bytes is the program, padded with zeros to 4096 bytes. Holds nothing.
//
// How it fails: an empty name, a file that cannot be read (missing, a folder, a read error), an
// empty file and a file longer than 4096 bytes (a clock would get only part of the program) are
// refused with number 5, source "MenuProgram", and a sentence naming the file, before anything
// is sent.
class MenuProgram {
public:
    static constexpr std::size_t Size = 4096;

    static std::vector<std::uint8_t> Read(const std::string& fileName);
};

} // namespace zel::workflows
