#include "Commands.h"
#include "Table.h"

#include "zel/Error.h"
#include "zel/data/CopySite.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"
#include "zel/data/SiteName.h"

#include <exception>
#include <filesystem>
#include <ostream>
#include <thread>

namespace zel::cli {

namespace {

constexpr const char* kTables[] = {"Channels", "Readers", "Users", "Events", "AuditLog"};

// The one site named by an option (--from or --to).
std::string OneSite(Context& ctx, const char* option)
{
    if (!ctx.Args.Has(option) || ctx.Args.List(option).size() != 1)
        throw UsageError(std::string("site copy needs --") + option + " SITE (one file or PostgreSQL URI)");
    return ctx.Args.List(option).front();
}

// A failure of one of the two sites, named (its password masked).
SiteError Failure(const std::string& site, const zel::Error& error)
{
    return SiteError("site database '" + zel::data::MaskedSite(site) +
                     "': " + zel::data::MaskSiteIn(error.Description(), site) + " (error " +
                     std::to_string(error.Number()) + ")");
}

} // namespace

int SiteCopy(Context& ctx)
{
    if (!ctx.Operands.empty())
        throw UsageError("site copy takes its sites with --from and --to");
    const std::string from = OneSite(ctx, "from");
    const std::string to = OneSite(ctx, "to");
    if (from == to)
        throw UsageError("--from and --to name the same site");

    // The library keeps one connection a thread: the source is opened here (read-only, so that it
    // may stay in use), the destination on a thread of its own.
    zel::data::DataSource source;
    try {
        source.OpenDatabase(from, zel::data::OpenMode::ReadOnly);
    } catch (const zel::Error& error) {
        throw Failure(from, error);
    }
    auto reading = source.GetConnection();

    std::exception_ptr failure;
    std::vector<std::pair<std::string, std::int64_t>> counts;
    std::thread([&] {
        zel::data::DataSource destination;
        bool made = false;
        try {
            // A new file is made; an empty server database gets the tables.
            if (zel::data::IsServerSite(to) || !std::filesystem::exists(to)) {
                try {
                    zel::data::DataSource::CreateDatabase(to);
                    made = !zel::data::IsServerSite(to);
                } catch (const zel::Error& error) {
                    if (error.Number() != 58 || !zel::data::IsServerSite(to))
                        throw; // a server database with the tables already is checked by the copy
                }
            }
            destination.OpenDatabase(to);
            auto writing = destination.GetConnection();
            zel::data::CopySite(*reading, *writing);
            for (const char* table : kTables)
                if (writing->HasTable(table))
                    counts.emplace_back(table, writing->CountRows(table));
            destination.CloseDatabase();
        } catch (const zel::Error& error) {
            failure = std::make_exception_ptr(Failure(to, error));
            try {
                destination.CloseDatabase();
            } catch (const std::exception&) {
                // never opened
            }
            if (made)
                std::filesystem::remove(to); // nothing half made is left behind
        } catch (...) {
            failure = std::current_exception();
        }
    }).join();
    if (failure)
        std::rethrow_exception(failure);

    Table table({{"table", "Table"}, {"rows", "Rows copied"}});
    for (const auto& [name, rows] : counts)
        table.Add({Cell(name), Cell(rows)});
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return kExitDone;
}

} // namespace zel::cli
