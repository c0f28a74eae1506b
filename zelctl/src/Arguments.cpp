#include "Arguments.h"

namespace zel::cli {

namespace {

const std::set<std::string> kSingle{"site",
                                    "format",
                                    "ids",
                                    "since",
                                    "until",
                                    "output",
                                    "max-drift",
                                    "time-format",
                                    "dst",
                                    "time-attendance",
                                    "department-tracking",
                                    "type",
                                    "address",
                                    "port",
                                    "phone",
                                    "com-port",
                                    "bit-rate",
                                    "name",
                                    "reader-id",
                                    "channel",
                                    "level",
                                    "location",
                                    "time-zone",
                                    "new-id",
                                    "action"};
const std::set<std::string> kMulti{"from", "to", "user", "clock", "kind"};
const std::set<std::string> kFlags{"all",     "enrolled",          "all-users", "clear",          "yes",    "help",
                                   "csv-raw", "allow-no-template", "dry-run",   "remove-missing", "pending"};

const std::string kOutput = "--output";

bool IsOption(const std::string& arg)
{
    return arg.size() > 2 && arg.compare(0, 2, "--") == 0;
}

} // namespace

const std::vector<std::string>& Arguments::List(const std::string& name) const
{
    static const std::vector<std::string> none;
    auto it = Values.find(name);
    return it == Values.end() ? none : it->second;
}

std::string Arguments::Value(const std::string& name, const std::string& fallback) const
{
    auto it = Values.find(name);
    return it == Values.end() || it->second.empty() ? fallback : it->second.front();
}

Arguments Arguments::Parse(const std::vector<std::string>& args)
{
    Arguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        // -o FILE is --output FILE.
        const std::string& arg = (!optionsEnded && args[i] == "-o") ? kOutput : args[i];
        if (optionsEnded || (!IsOption(arg) && arg != "-h")) {
            if (!optionsEnded && arg == "--") {
                optionsEnded = true;
                continue;
            }
            if (!optionsEnded && arg.size() > 1 && arg[0] == '-' && arg != "-")
                throw UsageError("unknown option '" + arg + "'");
            parsed.Words.push_back(arg);
            continue;
        }
        if (arg == "-h") {
            parsed.Help = true;
            continue;
        }
        std::string name = arg.substr(2);
        std::string inlineValue;
        bool hasInline = false;
        if (auto eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasInline = true;
        }
        if (kFlags.count(name)) {
            if (hasInline)
                throw UsageError("option --" + name + " takes no value");
            if (name == "help")
                parsed.Help = true;
            else
                parsed.Flags.insert(name);
        } else if (kSingle.count(name)) {
            std::string value;
            if (hasInline) {
                value = inlineValue;
            } else {
                if (i + 1 >= args.size() || IsOption(args[i + 1]))
                    throw UsageError("option --" + name + " needs a value");
                value = args[++i];
            }
            if (parsed.Values.count(name))
                throw UsageError("option --" + name + " is given twice");
            if (name == "site") {
                if (value.empty())
                    throw UsageError("option --site needs a site: a file or a postgresql:// URI");
                parsed.Site = value;
            } else if (name == "format") {
                if (value == "table")
                    parsed.OutputFormat = Format::Table;
                else if (value == "json")
                    parsed.OutputFormat = Format::Json;
                else if (value == "csv")
                    parsed.OutputFormat = Format::Csv;
                else
                    throw UsageError("--format must be table, json or csv, not '" + value + "'");
            } else if (name == "output" && value.empty()) {
                throw UsageError("option --output needs a file name");
            }
            parsed.Values[name].push_back(value);
        } else if (kMulti.count(name)) {
            auto& values = parsed.Values[name];
            const std::size_t before = values.size();
            if (hasInline)
                values.push_back(inlineValue);
            while (i + 1 < args.size() && !IsOption(args[i + 1]) && args[i + 1] != "-h" && args[i + 1] != "-o")
                values.push_back(args[++i]);
            if (values.size() == before)
                throw UsageError("option --" + name + " needs at least one value");
        } else {
            throw UsageError("unknown option '--" + name + "'");
        }
    }
    // --csv-raw is CSV output with its texts as they are.
    if (parsed.Flag("csv-raw")) {
        if (parsed.Has("format") && parsed.OutputFormat != Format::Csv)
            throw UsageError("--csv-raw writes CSV; it does not go with --format " + parsed.Value("format"));
        parsed.OutputFormat = Format::CsvRaw;
    }
    return parsed;
}

} // namespace zel::cli
