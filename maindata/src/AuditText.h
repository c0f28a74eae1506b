#pragma once

#include <string>
#include <vector>

// How both engines keep the list of user IDs of an audit row: one text, the IDs joined by ",".
namespace zel::data::detail {

inline std::string JoinUserIDs(const std::vector<std::string>& ids)
{
    std::string text;
    for (const auto& id : ids)
        text += (text.empty() ? "" : ",") + id;
    return text;
}

inline std::vector<std::string> SplitUserIDs(const std::string& text)
{
    std::vector<std::string> ids;
    std::size_t from = 0;
    while (!text.empty() && from <= text.size()) {
        const std::size_t comma = text.find(',', from);
        ids.push_back(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (comma == std::string::npos)
            break;
        from = comma + 1;
    }
    return ids;
}

} // namespace zel::data::detail
