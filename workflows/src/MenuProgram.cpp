#include "zel/workflows/MenuProgram.h"

#include "zel/Error.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace zel::workflows {

namespace {

[[noreturn]] void Refuse(const std::string& text)
{
    throw zel::Error(5, "MenuProgram", text);
}

} // namespace

std::vector<std::uint8_t> MenuProgram::Read(const std::string& fileName)
{
    if (fileName.find_first_not_of(" \t") == std::string::npos)
        Refuse("Please enter the name of the menu file to send.");
    std::error_code error;
    if (std::filesystem::is_directory(fileName, error))
        Refuse("The menu file \"" + fileName + "\" cannot be read.");
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        Refuse("The menu file \"" + fileName + "\" cannot be read.");
    // One byte more than a program, to tell a file that is too long.
    std::vector<std::uint8_t> program(Size + 1);
    file.read(reinterpret_cast<char*>(program.data()), static_cast<std::streamsize>(program.size()));
    if (file.bad())
        Refuse("The menu file \"" + fileName + "\" cannot be read.");
    const auto got = static_cast<std::size_t>(file.gcount());
    if (got == 0)
        Refuse("The menu file \"" + fileName + "\" is empty.");
    if (got > Size)
        Refuse("The menu file \"" + fileName + "\" is longer than the 4096 bytes of a menu program.");
    std::fill(program.begin() + static_cast<std::ptrdiff_t>(got), program.end(), 0);
    program.resize(Size);
    return program;
}

} // namespace zel::workflows
