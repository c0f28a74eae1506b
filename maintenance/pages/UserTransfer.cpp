
#include "pages/UserTransfer.h"

#include <array>

namespace zel::ui {

QString AuthorityLevelName(std::int32_t level)
{
    static const std::array<const char*, 6> names{"None", "Service", "Setup", "Management", "Enrollment", "Security"};
    if (level < 0 || level >= static_cast<std::int32_t>(names.size()))
        return QStringLiteral("Invalid Authority Level");
    return QString::fromLatin1(names[static_cast<std::size_t>(level)]);
}

QString YesNo(bool value)
{
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

} // namespace zel::ui
