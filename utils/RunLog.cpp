#include "RunLog.h"
#include "utils/InstUtils.h"
#include "utils/TextLines.h"

namespace ulv {

// The log is made new under a name of ours beside the asked one and renamed over it while open: whatever
// stood at the name (a link, a hard link to another file) is replaced, never written through.
bool TRunLog::Open(IFiles& files, const std::string& path) {
    std::lock_guard guard(Lock);
    size_t cut = path.find_last_of("\\/:");
    std::string folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    auto made = NewWorkFile(files, folder, kGenericWrite | kDeleteAccess, kFileShareRead | kFileShareDelete);
    File = UniqueFile();
    Files = nullptr;
    if (!made) return false;
    auto& [work, file] = *made;
    if (!files.MoveFileExA(work, path, kMoveFileReplaceExisting)) {
        (void)files.DeleteByHandle(file.Get());
        return false;
    }
    File = std::move(file);
    Files = &files;
    return true;
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
