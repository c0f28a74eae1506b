#pragma once

namespace zel::data::detail {

// The write transaction of one store operation: the outermost scope begins and commits the
// transaction, nested ones are savepoints inside it. Rolled back unless committed; the destructor
// never throws (the store's RollbackWrite is noexcept). `Store` befriends this class for its
// BeginWrite, CommitWrite and RollbackWrite.
template <typename Store> class WriteScope {
public:
    explicit WriteScope(Store& store) : mStore(store) { mStore.BeginWrite(); }
    ~WriteScope()
    {
        if (!mDone)
            mStore.RollbackWrite();
    }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;
    void Commit()
    {
        mStore.CommitWrite();
        mDone = true;
    }

private:
    Store& mStore;
    bool mDone = false;
};

} // namespace zel::data::detail
