#include "PgConnection.h"

#include "../Conversions.h"
#include "zel/data/DataErrors.h"
#include "zel/data/SiteName.h"

#include <libpq-fe.h>

#include <array>
#include <cstdio>
#include <cstring>

namespace zel::data::detail {

namespace {

constexpr Oid ByteaType = 17;

void IgnoreNotice(void*, const char*) {}

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

std::string Text(const char* text)
{
    return text != nullptr ? text : "";
}

// The text form of a value, as the server reads it for the column's type.
std::string TextOf(const FieldValue& value)
{
    if (auto number = std::get_if<std::int64_t>(&value))
        return std::to_string(*number);
    if (auto real = std::get_if<double>(&value)) {
        std::array<char, 32> buffer{};
        std::snprintf(buffer.data(), buffer.size(), "%.17g", *real);
        return buffer.data();
    }
    return std::get<std::string>(value);
}

} // namespace

PgConnection::PgConnection(const std::string& site) : mSite(site)
{
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(site.c_str(), &error);
    if (options == nullptr) {
        std::string why = Trimmed(Text(error));
        PQfreemem(error);
        // The parser quotes the part it did not understand, which may be the password.
        const bool hasPassword = MaskedSite(site) != site;
        detail::Raise(errc::StoreError, "The site database address " + MaskedSite(site) +
                                            " is not a valid connection URI" + (hasPassword ? "." : ": " + why));
    }
    PQconninfoFree(options);
    Connect();
}

PgConnection::~PgConnection()
{
    PQfinish(mConn);
}

void PgConnection::Connect()
{
    // Parameters before "dbname" are defaults that the URI may override; those after it hold.
    const std::array<const char*, 5> keywords = {"connect_timeout", "fallback_application_name", "dbname",
                                                 "client_encoding", nullptr};
    const std::array<const char*, 5> values = {"10", "zel", mSite.c_str(), "UTF8", nullptr};
    PQfinish(mConn);
    mPrepared.clear();
    mConn = PQconnectdbParams(keywords.data(), values.data(), 1);
    if (mConn == nullptr)
        detail::Raise(errc::StoreError, "Cannot connect to the site database server: out of memory.");
    PQsetNoticeProcessor(mConn, IgnoreNotice, nullptr);

    const std::string host = Text(PQhost(mConn));
    const std::string port = Text(PQport(mConn));
    std::string where = host.empty() ? std::string("local socket") : host;
    if (!host.empty() && host.front() == '/')
        where = "socket folder " + host;
    mServer =
        where + (port.empty() ? "" : ":" + port) + ", database " + Text(PQdb(mConn)) + ", user " + Text(PQuser(mConn));
    if (PQstatus(mConn) != CONNECTION_OK) {
        std::string why = Masked(Trimmed(Text(PQerrorMessage(mConn))));
        PQfinish(mConn);
        mConn = nullptr;
        detail::Raise(errc::StoreError, "Cannot connect to the site database server (" + mServer + "): " + why);
    }
}

std::string PgConnection::Masked(std::string text) const
{
    return MaskSiteIn(text, mSite);
}

std::string PgConnection::ServerVersion() const
{
    const int version = mConn != nullptr ? PQserverVersion(mConn) : 0;
    std::string text = "PostgreSQL " + std::to_string(version / 10000) + "." + std::to_string(version % 10000);
    return text + " (libpq " + std::to_string(PQlibVersion() / 10000) + ")";
}

bool PgConnection::IsBroken() const
{
    return mConn == nullptr || PQstatus(mConn) == CONNECTION_BAD;
}

void PgConnection::Reconnect()
{
    Connect();
}

void PgConnection::Raise(const PgResult& result, std::string_view context) const
{
    if (IsBroken())
        detail::Raise(errc::StoreError,
                      std::string(context) + ": the connection to the site database server (" + mServer +
                          ") was lost: " + Masked(Trimmed(Text(mConn != nullptr ? PQerrorMessage(mConn) : ""))));
    const pg_result* raw = result.Get();
    const std::string state = raw != nullptr ? Text(PQresultErrorField(raw, PG_DIAG_SQLSTATE)) : "";
    std::string message = raw != nullptr ? Trimmed(Text(PQresultErrorMessage(raw))) : "";
    if (message.empty())
        message = Trimmed(Text(PQerrorMessage(mConn)));
    message = Masked(message);
    if (state == "25006")
        detail::Raise(errc::ReadOnlyDatabase, "Cannot update: the site database server (" + mServer +
                                                  ") accepts no changes on this connection: " + message +
                                                  ". The change was not saved.");
    if (state == "42501")
        detail::Raise(errc::PermissionDenied, std::string(context) + ": " + message);
    if (state == "40001" || state == "40P01")
        detail::Raise(errc::RowChangedByAnother,
                      "Another user was saving the same records at the same moment; nothing was saved. Reload to "
                      "see the current values, then try again.");
    detail::Raise(errc::StoreError,
                  std::string(context) + ": " + message + (state.empty() ? "" : " (PostgreSQL error " + state + ")"));
}

PgResult PgConnection::Run(const std::string& sql, const std::vector<PgParam>& params, bool cached,
                           std::string_view context)
{
    if (mConn == nullptr)
        detail::Raise(errc::ObjectClosed, "Operation is not allowed when the object is closed.");
    std::vector<std::string> texts(params.size());
    std::vector<const char*> values(params.size(), nullptr);
    std::vector<int> lengths(params.size(), 0);
    std::vector<int> formats(params.size(), 0);
    std::vector<Oid> types(params.size(), 0);
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (params[i].Bytes) {
            formats[i] = 1;
            types[i] = ByteaType;
        }
        if (IsNull(params[i].Value))
            continue;
        texts[i] = TextOf(params[i].Value);
        values[i] = texts[i].data();
        lengths[i] = static_cast<int>(texts[i].size());
    }
    const int count = static_cast<int>(params.size());
    PgResult result;
    if (cached) {
        // Prepared with the types of its first use; a bytea value is always bound as bytes.
        auto it = mPrepared.find(sql);
        if (it == mPrepared.end()) {
            std::string name = "zel" + std::to_string(mPrepared.size() + 1);
            PgResult prepared(PQprepare(mConn, name.c_str(), sql.c_str(), count, types.data()));
            if (PQresultStatus(prepared.Get()) != PGRES_COMMAND_OK)
                Raise(prepared, context);
            it = mPrepared.emplace(sql, name).first;
        }
        result = PgResult(
            PQexecPrepared(mConn, it->second.c_str(), count, values.data(), lengths.data(), formats.data(), 1));
    } else {
        result = PgResult(
            PQexecParams(mConn, sql.c_str(), count, types.data(), values.data(), lengths.data(), formats.data(), 1));
    }
    const auto status = PQresultStatus(result.Get());
    if (result.Get() == nullptr || (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK))
        Raise(result, context);
    return result;
}

void PgConnection::Execute(const std::string& sql, std::string_view context)
{
    if (mConn == nullptr)
        detail::Raise(errc::ObjectClosed, "Operation is not allowed when the object is closed.");
    PgResult result(PQexec(mConn, sql.c_str()));
    const auto status = PQresultStatus(result.Get());
    if (result.Get() == nullptr || (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK))
        Raise(result, context);
}

} // namespace zel::data::detail
