#pragma once
// Update.log in the shared data root: one section per ordinary installation, a stamp line with the
// installation's time and then the shared files it wrote, oldest section first; a file written again moves to
// the newest section. The word processor reads it; the setup only merges its new section in, at the finish.
#include "platform/Platform.h"
#include "utils/DateTime.h"
#include "utils/InstUtils.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

inline constexpr std::string_view kUpdateLogName = "Update.log";
// The file keeps at most one line per shared file ever installed (a few hundred, a few hundred kilobytes,
// even over many versions). One far beyond that is not the log this program keeps, and reading it whole, or
// comparing each of its lines with the list, would cost memory and time out of all proportion: it is left as
// it is.
inline constexpr std::uint64_t kMaxUpdateLogBytes = 16u << 20;
inline constexpr size_t kMaxUpdateLogLines = 1'000'000;

// "*" and the 16 upper-case hex digits of the 8 bytes of the time as a little-endian binary64, byte 0 first.
[[nodiscard]] std::string UpdateLogStampLine(TDateTime installTime);

// Sorts ascending with CompareStringA(NORM_IGNORECASE | SORT_STRINGSORT) through the text port; lines that
// compare equal keep their order.
void SortUpdateList(std::vector<std::string>& list, IText& text);

// The merge: the existing file's lines, this installation's list (full paths, so never empty nor beginning
// with "*") as SortUpdateList left it, and its stamp line in; the new file's lines out. Drops the empty lines
// and those equal, ignoring case as the sort compares, to a listed one; of adjacent lines beginning with "*"
// keeps the first (the oldest stamp), so the lines after them stand under it; drops a last line beginning
// with "*"; appends the stamp and the list.
[[nodiscard]] std::vector<std::string> MergeUpdateLog(std::vector<std::string> existing,
                                                      const std::vector<std::string>& sortedList,
                                                      const std::string& stampLine, IText& text);

// Lines of a file's text: CR LF, a lone CR and a lone LF each end a line; a NUL ends the text. A last line
// without an end counts when it is not empty.
[[nodiscard]] std::vector<std::string> SplitUpdateLogText(std::string_view text);

enum class TUpdateLogResult { Written, NothingToWrite, LeftUnchanged, WriteFailed };

// The whole operation, given the shared data root (with or without its trailing backslash): nothing when the
// list is empty; else sort, read an existing file (a folder of that name is no file), merge, and replace the
// file whole through a temporary file beside it. An existing file that cannot be read whole (open refused,
// read error, over the caps) is left exactly as it is and nothing is written (LeftUnchanged): a partial
// merge would lose sections the word processor relies on. A write or move that fails, or an empty folder,
// leaves the old file whole and no temporary file behind (WriteFailed).
[[nodiscard]] TUpdateLogResult StoreUpdateLog(TPlatform& platform, TInstUtils& utils,
                                              const std::string& sharedFolder,
                                              std::vector<std::string> updateList, TDateTime installTime);

// The warning shown (title "Avertissement", OK) when the result is LeftUnchanged or WriteFailed.
[[nodiscard]] std::string UpdateLogFailureText(const std::string& path);

} // namespace ulv
