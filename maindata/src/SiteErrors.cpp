#include "zel/data/SiteErrors.h"

#include "zel/data/DataErrors.h"

namespace zel::data {

namespace {

std::string LoadDescription(const std::string& fileName, const std::string& table, const std::string& rowID,
                            const std::string& column, const std::string& rule)
{
    return "The site database '" + fileName + "' cannot be loaded: table " + table + ", row ID " + rowID + ", column " +
           column + ": " + rule + ".";
}

std::string WriteAccessDescription(const std::string& fileName, const std::string& detail)
{
    return "The site database '" + fileName + "' cannot be opened for writing: " + detail + ".";
}

long WriteAccessNumber(SiteWriteAccessError::Reason reason)
{
    return reason == SiteWriteAccessError::Reason::InUse ? errc::DatabaseInUse : errc::PermissionDenied;
}

} // namespace

std::string SiteWriter::ToString() const
{
    if (Pid == 0)
        return "a program that did not say which (its lock file holds no details)";
    std::string text = Program.empty() ? std::string("a program") : Program;
    text += ", process " + std::to_string(Pid);
    if (!Host.empty())
        text += " on host " + Host;
    if (!Since.empty())
        text += ", since " + Since;
    return text;
}

SiteLoadError::SiteLoadError(long number, std::string fileName, std::string table, std::string rowID,
                             std::string column, std::string rule)
    : zel::Error(number, ErrorSource, LoadDescription(fileName, table, rowID, column, rule)),
      mFileName(std::move(fileName)), mTable(std::move(table)), mRowID(std::move(rowID)), mColumn(std::move(column)),
      mRule(std::move(rule))
{
}

SiteWriteAccessError::SiteWriteAccessError(Reason reason, std::string fileName, SiteWriter writer, std::string detail)
    : zel::Error(WriteAccessNumber(reason), ErrorSource, WriteAccessDescription(fileName, detail)), mReason(reason),
      mFileName(std::move(fileName)), mWriter(std::move(writer)), mDetail(std::move(detail))
{
}

} // namespace zel::data
