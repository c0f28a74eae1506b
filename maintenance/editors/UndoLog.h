#pragma once

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace zel::ui {

// The changes an editor has made to an entry while storing it, each with the step that takes
// it back. When storing fails part-way the editor rolls the entry back, so that no half-made
// change waits in memory to be written by a later save.
class UndoLog {
public:
    void Push(std::function<void()> undo) { mSteps.push_back(std::move(undo)); }

    // Sets one property of `object` through its setter and records how to set it back.
    template <typename Object, typename Getter, typename Setter, typename Value>
    void Set(const std::shared_ptr<Object>& object, Getter get, Setter set, const Value& value)
    {
        std::decay_t<decltype(((*object).*get)())> old = ((*object).*get)();
        ((*object).*set)(value);
        Push([object, set, old] { ((*object).*set)(old); });
    }

    // Takes the changes back, last first. A step that fails is skipped.
    void Rollback() noexcept
    {
        while (!mSteps.empty()) {
            auto step = std::move(mSteps.back());
            mSteps.pop_back();
            try {
                step();
            } catch (...) { // NOLINT(bugprone-empty-catch): best effort, the error being reported is the first one
            }
        }
    }

    bool Empty() const { return mSteps.empty(); }

private:
    std::vector<std::function<void()>> mSteps;
};

} // namespace zel::ui
