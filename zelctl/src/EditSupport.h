#pragma once
// What the commands that change the site's lists share: the options they accept, the refusals of
// the list editors' rules, dry runs, and the change written as one transaction.
#include "Context.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>

namespace zel::workflows {
struct Refusal;
}

namespace zel::cli {

// A change refused by the rules of the list editors or of the site database (exit status 2); the
// text is theirs.
class RuleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// UsageError for any option given beyond --site, --format, --csv-raw, -o, --dry-run and `options`.
void AcceptOnly(const Context& ctx, std::initializer_list<const char*> options);

// Raises RuleError with the refusal's words, when there is one.
void Refuse(const std::optional<zel::workflows::Refusal>& refusal);

bool IsDryRun(const Context& ctx);
// "added" or, for a dry run, "would add" (`done` and `planned`).
const char* ActionWord(const Context& ctx, const char* done, const char* planned);

// Runs `change` as one transaction of the site database: all of it is written, or nothing. A dry
// run runs nothing. The site database's refusals of a value (error 5: "Invalid port number",
// "New User ID already exists.") become RuleError; its other failures SiteError naming the site.
void StoreChange(Context& ctx, const std::function<void()>& change);

// The option's whole number (blanks around allowed); nothing when it is not given. UsageError
// naming the option when it is not a number.
std::optional<std::int32_t> NumberOption(const Context& ctx, const char* name);

} // namespace zel::cli
