#pragma once

#include "zel/data/ReaderDescription.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace zel::cli {

// What a command learnt of each clock, filled by the lines' workers side by side and read on the
// calling thread once the run has ended. Keyed by the clock's database ID.
template <class T> class PerClock {
public:
    void Put(const std::shared_ptr<zel::data::ReaderDescription>& clock, T value)
    {
        const std::lock_guard<std::mutex> hold(mLock);
        mValues[clock->DatabaseID()] = std::move(value);
    }

    // The clock's value, or nullptr when its work never got that far. Only after the run.
    const T* Find(const std::shared_ptr<zel::data::ReaderDescription>& clock) const
    {
        const auto it = mValues.find(clock->DatabaseID());
        return it == mValues.end() ? nullptr : &it->second;
    }

private:
    std::mutex mLock;
    std::map<std::int32_t, T> mValues;
};

} // namespace zel::cli
