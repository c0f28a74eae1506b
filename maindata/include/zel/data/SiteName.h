#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel::data {

// A site is where the site database lives: the path of a file, or the connection URI of a
// PostgreSQL server ("postgresql://user@host:5432/zel?sslmode=require"). These helpers choose it
// and name it in messages; none of them opens anything.

// The environment variable that names the site when no --site option does.
inline constexpr const char* SiteEnvironmentVariable = "ZEL_SITE";

// True when `site` is a PostgreSQL connection URI ("postgresql://" or "postgres://", the scheme in
// any case); false for a file path.
bool IsServerSite(std::string_view site);

// `site` as it may be shown: in a URI, a password is replaced by "****", both one in the user
// part ("user:****@host") and a "password=" parameter of the query; everything else is kept as
// written. A file path is returned unchanged.
std::string MaskedSite(std::string_view site);

// `text` (a message, a command line) with every URI in it masked as MaskedSite does; a URI runs
// from its scheme to the next blank or quote.
std::string MaskSitesIn(std::string_view text);

// `text` (a message that may quote the site) with every copy of `site` replaced by MaskedSite(site)
// and, for a URI, every copy of its password (as written and percent-decoded, when at least four
// characters long) replaced by "****"; then MaskSitesIn.
std::string MaskSiteIn(std::string_view text, std::string_view site);

// The value of "--site X" or "--site=X" among `args` (a program's arguments without the program's
// own name; "--" ends the options), or nothing when there is none. An option without a value, or
// one given twice, raises error 5 with a text that says so.
std::optional<std::string> SiteOption(const std::vector<std::string>& args);

// The site to open: `option` when it is not empty, else `environment` (the value of ZEL_SITE, or
// nullptr when unset) when it is not empty, else "zel.mdb" (in the working directory).
std::string ChooseSite(std::string_view option, const char* environment);
// The same with the option taken from `args` by SiteOption (which may raise error 5).
std::string ChooseSite(const std::vector<std::string>& args, const char* environment);

} // namespace zel::data
