#include "SitesTestSupport.h"

#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include <QFile>

#include <thread>

namespace zel::ui::test {

QString MakeSiteFile(const QTemporaryDir& dir, const QString& name,
                     const std::vector<std::pair<std::string, std::string>>& users)
{
    const QString path = dir.filePath(name);
    std::thread maker([&] {
        const std::string file = QFile::encodeName(path).toStdString();
        zel::data::DataSource::CreateDatabase(file);
        zel::data::DataSource source;
        source.OpenDatabase(file);
        for (const auto& [id, userName] : users)
            source.GetUserDescriptionList()->Add(id, userName);
        source.CloseDatabase();
    });
    maker.join();
    return path;
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

OtherWriter::OtherWriter(const QString& path)
{
    mProcess.start(QStringLiteral(ZEL_MAINDATA_CHILD), {QStringLiteral("hold"), path});
    mProcess.waitForStarted();
    while (mProcess.state() == QProcess::Running && !mProcess.canReadLine())
        mProcess.waitForReadyRead(-1); // it answers "ready" or "error ..." at once
    mHolding = mProcess.readLine().trimmed() == "ready";
}

OtherWriter::~OtherWriter()
{
    mProcess.closeWriteChannel();
    mProcess.waitForFinished(-1);
}

bool OthersCanWrite(const QString& path)
{
    return OtherWriter(path).Holding();
}

} // namespace zel::ui::test
