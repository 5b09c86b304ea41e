#include "RunLog.h"
#include "utils/TextLines.h"

namespace ulv {

bool TRunLog::Open(IFiles& files, const std::string& path) {
    std::lock_guard guard(Lock);
    File = UniqueFile(
        files, files.CreateFileA(path, kGenericWrite, kFileShareRead, kCreateAlways, kFileAttributeNormal));
    Files = File ? &files : nullptr;
    return static_cast<bool>(File);
}

void TRunLog::Line(std::string_view text) {
    std::lock_guard guard(Lock);
    if (!File) return;
    std::string lines;
    bool first = true;
    (void)ForEachTextLine(text, {.NulEndsText = true, .Last = TLastLine::Always}, [&](std::string_view line) {
        lines += first || line.empty() ? "" : "    ";
        lines += line;
        lines += "\r\n";
        first = false;
    });
    std::uint32_t written = 0;
    auto size = static_cast<std::uint32_t>(lines.size());
    if (!Files->WriteFile(File.Get(), lines.data(), size, written) || written != size) (void)File.Reset();
}

bool TRunLog::IsOpen() const {
    std::lock_guard guard(Lock);
    return static_cast<bool>(File);
}

} // namespace ulv
