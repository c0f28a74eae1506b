#pragma once

namespace zel::data::detail {

// What a write changes: the lists (users, clocks, channels; the site's writer only), or only the
// append-only tables (Events), which a connection opened to append may write too.
enum class WriteKind { Lists, Append };

// The write transaction of one store operation: the outermost scope begins and commits the
// transaction, nested ones are savepoints inside it. A kind of write the connection may not make
// is refused first, through the store's gate (CheckWritable, or CheckCanAppend for appends).
// Rolled back unless committed; the destructor never throws (the store's RollbackWrite is
// noexcept). `Store` befriends this class for its BeginWrite, CommitWrite and RollbackWrite.
template <typename Store> class WriteScope {
public:
    explicit WriteScope(Store& store, WriteKind kind = WriteKind::Lists) : mStore(store)
    {
        if (kind == WriteKind::Append)
            mStore.CheckCanAppend();
        else
            mStore.CheckWritable();
        mStore.BeginWrite();
    }
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
