#pragma once
// The command line of zelctl, taken apart.
#include "Table.h"

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace zel::cli {

// A mistake on the command line (exit status 2). The text says what is wrong.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Options may stand anywhere after the program name. Options with one value: --site, --format,
// --ids, --since, --until, --output (-o) (as "--site SITE" or "--site=SITE"). Options with one or more values, up to
// the next option: --from, --to, --user, --clock, --kind (given twice, the values add up). Flags: --all, --enrolled,
// --all-users, --clear, --yes, --csv-raw (CSV output, texts as they are), --allow-no-template, --help (-h). "--" ends
// the options. Also --max-drift, --time-format, --dst, --time-attendance, --department-tracking (one value) and the
// flags --dry-run and --pending; those of the list commands, --type, --address, --port, --phone, --com-port,
// --bit-rate, --name,
// --reader-id, --channel, --level, --location, --new-id (one value), and the flag --remove-missing. Everything else
// is a word: the command's words, then its arguments, in order.
struct Arguments {
    std::string Site; // empty: not given
    Format OutputFormat = Format::Table;
    bool Help = false;
    std::vector<std::string> Words;
    std::map<std::string, std::vector<std::string>> Values; // key without dashes
    std::set<std::string> Flags;                            // key without dashes

    bool Flag(const std::string& name) const { return Flags.count(name) != 0; }
    bool Has(const std::string& name) const { return Values.count(name) != 0; }
    const std::vector<std::string>& List(const std::string& name) const;
    // The one value of an option, or `fallback` when it was not given.
    std::string Value(const std::string& name, const std::string& fallback = {}) const;

    static Arguments Parse(const std::vector<std::string>& args);
};

} // namespace zel::cli
