#pragma once

#include <stdexcept>
#include <string>

namespace zel {

// A raised error: a number, the name of the component that raised it and a description.
// Runtime numbers keep their classic values (5 invalid argument, 6 overflow, 9 out of range,
// 13 type mismatch, 94 invalid use of Null, 457 duplicate key).
class Error : public std::runtime_error {
public:
    Error(long number, std::string source, std::string description)
        : std::runtime_error(description), mNumber(number), mSource(std::move(source)),
          mDescription(std::move(description))
    {
    }

    long Number() const noexcept { return mNumber; }
    const std::string& Source() const noexcept { return mSource; }
    const std::string& Description() const noexcept { return mDescription; }

private:
    long mNumber;
    std::string mSource;
    std::string mDescription;
};

namespace errc {
inline constexpr long InvalidArgument = 5;
inline constexpr long Overflow = 6;
inline constexpr long SubscriptOutOfRange = 9;
inline constexpr long TypeMismatch = 13;
inline constexpr long FileNotFound = 53;
inline constexpr long InvalidUseOfNull = 94;
inline constexpr long EntryPointNotFound = 453;
inline constexpr long DuplicateKey = 457;
} // namespace errc

} // namespace zel
