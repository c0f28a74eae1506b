#pragma once

#include "zel/Error.h"
#include "zel/Text.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zel {

// An ordered collection whose items may carry a text key. Keys are compared without
// regard to letter case. Positions are 1-based. Errors:
//   5   a key that the collection does not hold,
//   9   a position outside 1..Count,
//   457 a key the collection already holds.
// Lookups by key are constant time; Item by position is constant time; removal is linear.
template <typename T> class KeyedCollection {
public:
    explicit KeyedCollection(std::string source = "zel") : mSource(std::move(source)) {}

    int Count() const noexcept { return static_cast<int>(mItems.size()); }
    bool Empty() const noexcept { return mItems.empty(); }

    // Appends an item, with an optional key.
    void Add(T value, std::optional<std::string_view> key = std::nullopt)
    {
        Insert(mItems.size(), std::move(value), key);
    }

    // Inserts an item before the item at 1-based position `before` (Count + 1 appends).
    void AddBefore(int before, T value, std::optional<std::string_view> key = std::nullopt)
    {
        if (before < 1 || before > Count() + 1)
            ThrowOutOfRange();
        Insert(static_cast<std::size_t>(before - 1), std::move(value), key);
    }

    // Adds an item under `key` unless the collection holds that key already: then nothing changes
    // and the answer is the item held under it (nullptr when added). One look-up of the key.
    T* AddUnlessHeld(T value, std::string_view key)
    {
        auto [at, added] = mIndex.try_emplace(FoldCase(key), nullptr);
        if (!added)
            return &at->second->value;
        try {
            mItems.push_back(std::make_unique<Node>(Node{std::move(value), std::string(key)}));
        } catch (...) {
            mIndex.erase(at);
            throw;
        }
        at->second = mItems.back().get();
        return nullptr;
    }

    // Makes room for `count` items in all (a size hint; nothing else changes).
    void Reserve(int count)
    {
        if (count <= 0)
            return;
        mItems.reserve(static_cast<std::size_t>(count));
        mIndex.reserve(static_cast<std::size_t>(count));
    }

    bool Contains(std::string_view key) const { return mIndex.count(FoldCase(key)) != 0; }

    T& Item(int position) { return mItems.at(CheckPosition(position))->value; }
    const T& Item(int position) const { return mItems.at(CheckPosition(position))->value; }
    T& Item(std::string_view key) { return FindNode(key)->value; }
    const T& Item(std::string_view key) const { return FindNode(key)->value; }

    // The item under `key`, or nullptr.
    T* Find(std::string_view key)
    {
        auto it = mIndex.find(FoldCase(key));
        return it == mIndex.end() ? nullptr : &it->second->value;
    }
    const T* Find(std::string_view key) const
    {
        auto it = mIndex.find(FoldCase(key));
        return it == mIndex.end() ? nullptr : &it->second->value;
    }

    // The key the item at `position` was added with (empty when it has none).
    std::string KeyAt(int position) const { return mItems.at(CheckPosition(position))->key.value_or(""); }

    // The 1-based position of the item under `key`, or 0.
    int PositionOf(std::string_view key) const
    {
        auto it = mIndex.find(FoldCase(key));
        if (it == mIndex.end())
            return 0;
        for (std::size_t i = 0; i < mItems.size(); ++i)
            if (mItems[i].get() == it->second)
                return static_cast<int>(i) + 1;
        return 0;
    }

    void Remove(int position)
    {
        auto index = CheckPosition(position);
        if (mItems[index]->key)
            mIndex.erase(FoldCase(*mItems[index]->key));
        mItems.erase(mItems.begin() + static_cast<std::ptrdiff_t>(index));
    }

    void Remove(std::string_view key)
    {
        int position = PositionOf(key);
        if (position == 0)
            ThrowMissingKey();
        Remove(position);
    }

    void Clear()
    {
        mIndex.clear();
        mItems.clear();
    }

    struct Node {
        T value;
        std::optional<std::string> key;
    };

    class Iterator {
    public:
        using NodeIt = typename std::vector<std::unique_ptr<Node>>::const_iterator;
        explicit Iterator(NodeIt it) : mIt(it) {}
        T& operator*() const { return (*mIt)->value; }
        T* operator->() const { return &(*mIt)->value; }
        Iterator& operator++()
        {
            ++mIt;
            return *this;
        }
        bool operator==(const Iterator& other) const { return mIt == other.mIt; }
        bool operator!=(const Iterator& other) const { return mIt != other.mIt; }

    private:
        NodeIt mIt;
    };

    Iterator begin() const { return Iterator(mItems.begin()); }
    Iterator end() const { return Iterator(mItems.end()); }

private:
    void Insert(std::size_t at, T value, std::optional<std::string_view> key)
    {
        std::string folded;
        if (key) {
            folded = FoldCase(*key);
            if (mIndex.count(folded))
                throw Error(errc::DuplicateKey, mSource,
                            "This key is already associated with an element of this collection");
        }
        auto node = std::make_unique<Node>(
            Node{std::move(value), key ? std::optional<std::string>(std::string(*key)) : std::nullopt});
        Node* raw = node.get();
        mItems.insert(mItems.begin() + static_cast<std::ptrdiff_t>(at), std::move(node));
        if (key)
            mIndex.emplace(std::move(folded), raw);
    }

    std::size_t CheckPosition(int position) const
    {
        if (position < 1 || position > Count())
            ThrowOutOfRange();
        return static_cast<std::size_t>(position - 1);
    }

    Node* FindNode(std::string_view key) const
    {
        auto it = mIndex.find(FoldCase(key));
        if (it == mIndex.end())
            ThrowMissingKey();
        return it->second;
    }

    [[noreturn]] void ThrowOutOfRange() const
    {
        throw Error(errc::SubscriptOutOfRange, mSource, "Subscript out of range");
    }
    [[noreturn]] void ThrowMissingKey() const
    {
        throw Error(errc::InvalidArgument, mSource, "Invalid procedure call or argument");
    }

    std::string mSource;
    std::vector<std::unique_ptr<Node>> mItems;
    std::unordered_map<std::string, Node*> mIndex;
};

} // namespace zel
