#include "EditSupport.h"

#include "zel/Error.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"
#include "zel/workflows/ListRules.h"
#include "zel/workflows/Refusal.h"

#include <algorithm>
#include <set>

namespace zel::cli {

void AcceptOnly(const Context& ctx, std::initializer_list<const char*> options)
{
    std::set<std::string> allowed{"site", "format", "csv-raw", "output", "dry-run"};
    allowed.insert(options.begin(), options.end());
    const auto check = [&](const std::string& name) {
        if (allowed.count(name) == 0)
            throw UsageError("option --" + name + " does not apply to this command");
    };
    for (const auto& [name, values] : ctx.Args.Values)
        check(name);
    for (const auto& name : ctx.Args.Flags)
        check(name);
}

void Refuse(const std::optional<zel::workflows::Refusal>& refusal)
{
    if (refusal)
        throw RuleError(refusal->Message);
}

bool IsDryRun(const Context& ctx)
{
    return ctx.Args.Flag("dry-run");
}

const char* ActionWord(const Context& ctx, const char* done, const char* planned)
{
    return IsDryRun(ctx) ? planned : done;
}

void StoreChange(Context& ctx, const std::function<void()>& change)
{
    if (IsDryRun(ctx))
        return;
    try {
        auto store = zel::data::DataSource().GetConnection();
        if (!store)
            throw zel::Error(zel::data::errc::ObjectNotSet, "zelctl", "the site database is not open");
        store->Transact(change);
    } catch (const zel::Error& error) {
        if (error.Number() == zel::errc::InvalidArgument)
            throw RuleError(error.Description());
        throw ctx.SiteFailure(error);
    }
}

std::optional<std::int32_t> NumberOption(const Context& ctx, const char* name)
{
    if (!ctx.Args.Has(name))
        return std::nullopt;
    const std::string text = ctx.Args.Value(name);
    const auto number = zel::workflows::WholeNumber(text);
    if (!number)
        throw UsageError("option --" + std::string(name) + " takes a whole number, not '" + text + "'");
    return static_cast<std::int32_t>(*number);
}

} // namespace zel::cli
