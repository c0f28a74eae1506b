#include "zel/data/SiteName.h"

#include "zel/Text.h"
#include "zel/data/DataErrors.h"

#include <cctype>
#include <utility>

namespace zel::data {

namespace {

constexpr std::string_view Mask = "****";
// Shorter passwords are not looked for in free text: they would mask ordinary words.
constexpr std::size_t ShortestPasswordToFind = 4;

using Range = std::pair<std::size_t, std::size_t>; // [begin, end) in the site text

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && zel::EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "%40" becomes "@"; a '%' not followed by two hex digits is kept as it is.
std::string PercentDecoded(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// Where a URI holds a password. The user part ends at an '@'; a password may hold unencoded '@',
// '/', '?' or ':' (written carelessly), so the last '@' of the URI is taken, unless the text before
// it would give a user name with a '/' or '?' (then that '@' is in the path or query). An '@' in the
// query of a URI with a user part masks a little too much, which is better than showing part of a
// password.
std::vector<Range> SecretRanges(std::string_view site)
{
    std::vector<Range> ranges;
    if (!IsServerSite(site))
        return ranges;
    const std::size_t start = site.find("://") + 3;
    std::size_t hostStart = start;
    if (const std::size_t at = site.rfind('@'); at != std::string_view::npos && at >= start) {
        const std::string_view userInfo = site.substr(start, at - start);
        const std::size_t colon = userInfo.find(':');
        if (userInfo.substr(0, colon).find_first_of("/?") == std::string_view::npos) {
            if (colon != std::string_view::npos)
                ranges.emplace_back(start + colon + 1, at);
            hostStart = at + 1;
        }
    }
    const std::size_t query = site.find('?', hostStart);
    if (query == std::string_view::npos)
        return ranges;
    // "key=value" pairs split by '&'. A password's value runs on over '&'s that start no
    // "key=value" of their own (an unencoded '&' in the password).
    std::size_t begin = query + 1;
    while (begin <= site.size()) {
        std::size_t end = site.find('&', begin);
        if (end == std::string_view::npos)
            end = site.size();
        const std::string_view parameter = site.substr(begin, end - begin);
        const std::size_t equals = parameter.find('=');
        if (equals != std::string_view::npos &&
            zel::EqualsNoCase(PercentDecoded(parameter.substr(0, equals)), "password")) {
            while (end < site.size()) {
                const std::size_t next = site.find('&', end + 1);
                const std::string_view following =
                    site.substr(end + 1, (next == std::string_view::npos ? site.size() : next) - end - 1);
                if (following.find('=') != std::string_view::npos)
                    break;
                end = next == std::string_view::npos ? site.size() : next;
            }
            ranges.emplace_back(begin + equals + 1, end);
        }
        begin = end + 1;
    }
    return ranges;
}

void ReplaceAll(std::string& text, std::string_view what, std::string_view with)
{
    if (what.empty())
        return;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

} // namespace

bool IsServerSite(std::string_view site)
{
    return StartsWithNoCase(site, "postgresql://") || StartsWithNoCase(site, "postgres://");
}

std::string MaskedSite(std::string_view site)
{
    std::string masked;
    std::size_t copied = 0;
    for (const auto& [begin, end] : SecretRanges(site)) {
        masked.append(site.substr(copied, begin - copied));
        masked.append(Mask);
        copied = end;
    }
    masked.append(site.substr(copied));
    return masked;
}

std::string MaskSitesIn(std::string_view text)
{
    std::string masked;
    std::size_t copied = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!IsServerSite(text.substr(at)) || (at > 0 && std::isalnum(static_cast<unsigned char>(text[at - 1]))))
            continue;
        std::size_t end = text.find_first_of(" \t\r\n'\"", at);
        if (end == std::string_view::npos)
            end = text.size();
        masked.append(text.substr(copied, at - copied));
        masked.append(MaskedSite(text.substr(at, end - at)));
        copied = end;
        at = end;
    }
    masked.append(text.substr(copied));
    return masked;
}

std::string MaskSiteIn(std::string_view text, std::string_view site)
{
    std::string masked(text);
    if (const std::string shown = MaskedSite(site); shown != site) {
        ReplaceAll(masked, site, shown);
        for (const auto& [begin, end] : SecretRanges(site)) {
            const std::string_view written = site.substr(begin, end - begin);
            for (const std::string& password : {std::string(written), PercentDecoded(written)})
                if (password.size() >= ShortestPasswordToFind)
                    ReplaceAll(masked, password, Mask);
        }
    }
    return MaskSitesIn(masked);
}

std::optional<std::string> SiteOption(const std::vector<std::string>& args)
{
    constexpr std::string_view Name = "--site";
    std::optional<std::string> site;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--")
            break;
        std::string value;
        if (arg == Name) {
            if (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1].compare(0, 2, "--") == 0)
                throw zel::Error(errc::InvalidArgument, ErrorSource,
                                 "The option --site needs a site: a file or a postgresql:// URI.");
            value = args[++i];
        } else if (arg.size() > Name.size() && arg.substr(0, Name.size() + 1) == "--site=") {
            value = std::string(arg.substr(Name.size() + 1));
        } else {
            continue;
        }
        if (value.empty())
            throw zel::Error(errc::InvalidArgument, ErrorSource,
                             "The option --site needs a site: a file or a postgresql:// URI.");
        if (site)
            throw zel::Error(errc::InvalidArgument, ErrorSource, "The option --site is given twice.");
        site = std::move(value);
    }
    return site;
}

std::string ChooseSite(std::string_view option, const char* environment)
{
    if (!option.empty())
        return std::string(option);
    if (environment && *environment)
        return environment;
    return DefaultDatabaseFileName;
}

std::string ChooseSite(const std::vector<std::string>& args, const char* environment)
{
    const auto option = SiteOption(args);
    return ChooseSite(option ? std::string_view(*option) : std::string_view(), environment);
}

} // namespace zel::data
