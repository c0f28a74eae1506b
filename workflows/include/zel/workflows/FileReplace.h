#pragma once
// Files written whole or not at all.
#include <string>

namespace zel::workflows {

// Writes `text` to `path` through a new file beside it (mode 0600: what is written may be
// personal data or hand templates), flushed to the disk and then renamed into place in one step:
// `path` afterwards holds either all of `text` or what it held before. zel::Error 75 naming the
// file and the system's reason when it cannot be written; nothing is left behind then.
void WriteFileReplacing(const std::string& path, const std::string& text);

} // namespace zel::workflows
