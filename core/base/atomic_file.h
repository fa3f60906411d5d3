// Replacing a whole file so that a crash or power loss leaves either the old contents or the new,
// never a torn mixture: the bytes go to a temporary file beside the target, are flushed to disk,
// and the temporary file is then renamed over the target in one step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

namespace orvak {

// Writes `bytes` as the whole of `file`, creating its folder when needed. Throws
// std::filesystem::filesystem_error on any failure; the old file is then untouched and no
// temporary file is left behind. The new file is readable and writable by its owner only.
//
// `beforeReplace`, when given, runs after the new contents are safely on disk in the temporary
// file and before the rename; tests use it to stop the process at the most fragile moment.
void writeFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                         const std::function<void()>& beforeReplace = {});

// Who may read the new file.
enum class FileMode {
  ownerOnly,     // readable and writable by its owner only: settings, keys, records
  userDocument,  // the permissions any new file of the user gets (0666 less the umask): exports
};

// The same, with the new file's permissions chosen.
void writeFileAtomically(const std::filesystem::path& file, std::string_view bytes, FileMode mode,
                         const std::function<void()>& beforeReplace = {});

// Removes the temporary files of writes that a killed process left in `folder` (ours only, by
// their name, and only those last changed at least `olderThanSeconds` before `nowMillis`, so a
// write under way is never disturbed). Returns how many were removed; never throws.
std::size_t sweepStaleTemporaryFiles(const std::filesystem::path& folder, std::int64_t nowMillis,
                                     double olderThanSeconds = 3600);

}  // namespace orvak
