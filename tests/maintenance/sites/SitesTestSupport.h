#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <string>
#include <utility>
#include <vector>

namespace zel::ui::test {

// A site database file `name` in `dir` with these users (ID, name), written on a thread of its own
// as another program would; returns its path.
QString MakeSiteFile(const QTemporaryDir& dir, const QString& name,
                     const std::vector<std::pair<std::string, std::string>>& users = {});

// The file's bytes; `path` gets them.
void WriteBytes(const QString& path, const QByteArray& bytes);

// Another program (zel_maindata_child) with the site database `path` open for writing while the
// object lives; Holding() tells whether it could open it so.
class OtherWriter {
public:
    explicit OtherWriter(const QString& path);
    ~OtherWriter();
    OtherWriter(const OtherWriter&) = delete;
    OtherWriter& operator=(const OtherWriter&) = delete;
    bool Holding() const { return mHolding; }

private:
    QProcess mProcess;
    bool mHolding = false;
};

// Whether another program could open `path` for writing now.
bool OthersCanWrite(const QString& path);

} // namespace zel::ui::test
