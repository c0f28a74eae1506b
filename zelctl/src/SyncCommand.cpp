#include "Commands.h"

namespace zel::cli {

int Sync(Context&)
{
    throw UsageError("sync is not built yet");
}

} // namespace zel::cli
