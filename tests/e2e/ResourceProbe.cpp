// ResourceProbe show EXE        prints what the program carries: payload, manifest, icon
// ResourceProbe replace EXE FILE  replaces the payload resource of EXE with the bytes of FILE
#include "engine/AttachFiles.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE Width, Height, Colors, Reserved;
    WORD Planes, BitCount;
    DWORD BytesInRes;
    WORD Id;
};
#pragma pack(pop)

std::vector<BYTE> Resource(HMODULE module, LPCSTR name, LPCSTR type, WORD* language = nullptr) {
    HRSRC info = FindResourceA(module, name, type);
    if (!info) return {};
    if (language) {
        *language = 0xFFFF;
        EnumResourceLanguagesA(
            module, type, name,
            [](HMODULE, LPCSTR, LPCSTR, WORD lang, LONG_PTR out) CALLBACK -> BOOL {
                *reinterpret_cast<WORD*>(out) = lang;
                return FALSE;
            },
            reinterpret_cast<LONG_PTR>(language));
    }
    auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, info)));
    return bytes ? std::vector<BYTE>(bytes, bytes + SizeofResource(module, info)) : std::vector<BYTE>{};
}

void ShowPayload(HMODULE exe) {
    WORD language = 0;
    std::vector<BYTE> stream = Resource(exe, "FILES", "FILES", &language);
    std::printf("payload.compressed=%zu\npayload.language=%u\n", stream.size(), language);
    if (stream.size() >= 2) std::printf("payload.header=%02X%02X\n", stream[0], stream[1]);
    ulv::TPayloadFault fault;
    auto files = ulv::TAttachedFiles::FromStream(stream, fault);
    if (!files) {
        std::printf("payload.fault=%s\n", ulv::PayloadFaultName(fault));
        return;
    }
    const auto& e = files->Entries;
    std::printf("payload.inflated=%d\npayload.entries=%zu\n", files->PayloadSize(), e.size());
    std::printf("first.name=%s\nfirst.size=%d\nfirst.offset=%d\n", e[0].Name.c_str(), e[0].Size,
                e[0].DataOffset);
    std::printf("last.name=%s\n", e.back().Name.c_str());
    const BYTE* program = files->Payload() + e[0].DataOffset;
    std::printf("first.is_pe=%d\n", e[0].Size > 2 && program[0] == 'M' && program[1] == 'Z');
}

void ShowManifest(HMODULE exe) {
    std::vector<BYTE> manifest = Resource(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    std::string text(manifest.begin(), manifest.end());
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    std::printf("manifest=%s\n", text.c_str());
}

void ShowIcon(HMODULE exe) {
    std::vector<BYTE> group = Resource(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14));
    if (group.size() < 6) return;
    WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
    for (WORD i = 0; i < count && 6 + (i + 1) * sizeof(GroupIconEntry) <= group.size(); ++i) {
        GroupIconEntry entry;
        std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
        int size = entry.Width == 0 ? 256 : entry.Width;
        std::printf("icon=%dx%d@%d\n", size, entry.Height == 0 ? 256 : entry.Height, entry.BitCount);
    }
}

int Replace(const char* exe, const char* file) {
    std::FILE* f = std::fopen(file, "rb");
    if (!f) return 1;
    std::vector<BYTE> bytes;
    BYTE chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    HANDLE update = BeginUpdateResourceA(exe, FALSE);
    if (!update) return 1;
    BOOL ok = UpdateResourceA(update, "FILES", "FILES", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                              bytes.empty() ? nullptr : bytes.data(), static_cast<DWORD>(bytes.size()));
    return EndUpdateResourceA(update, !ok) && ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && !std::strcmp(argv[1], "show")) {
        HMODULE exe =
            LoadLibraryExA(argv[2], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        if (!exe) return 1;
        ShowPayload(exe);
        ShowManifest(exe);
        ShowIcon(exe);
        return 0;
    }
    if (argc == 4 && !std::strcmp(argv[1], "replace")) return Replace(argv[2], argv[3]);
    std::fprintf(stderr, "usage: ResourceProbe show EXE | replace EXE FILE\n");
    return 2;
}
