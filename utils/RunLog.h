#pragma once
// The log of a run that an administrator asks for with /LOG=: plain Windows-1252 text, one line per fact,
// each written to the file as it comes, so that a run killed half-way leaves what happened until then.
// Closed, it writes nothing; the worker's facts and the wizard's reach it from both threads.
#include "platform/Files.h"

#include <mutex>
#include <string>
#include <string_view>

namespace ulv {

// The run log's line for a failure the program did not foresee (followed by what it was, where known).
inline constexpr std::string_view kUnexpectedFailureLogLine = "Erreur inattendue";

class TRunLog {
public:
    // Creates (or empties) the file, shared for reading so that it can be followed while the run goes on;
    // false when it cannot be created, and the log stays closed.
    bool Open(IFiles& files, const std::string& path);
    // The text and CR LF; a text of several lines ("\r" or "\n" between them) is written as that many lines,
    // the later ones indented. A write that fails closes the log: nothing half is added after it.
    void Line(std::string_view text);
    [[nodiscard]] bool IsOpen() const;

private:
    mutable std::mutex Lock;
    UniqueFile File;
    IFiles* Files = nullptr;
};

} // namespace ulv
