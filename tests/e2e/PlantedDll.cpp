// A DLL planted beside a program under the name of a system DLL: when loaded, it leaves "planted-loaded.txt"
// in its own folder, naming the copy that was loaded. It exports nothing else, so a program that really loads
// it fails later; what matters is that it was loaded at all.
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char self[MAX_PATH], path[MAX_PATH];
    DWORD n = GetModuleFileNameA(instance, self, MAX_PATH);
    std::memcpy(path, self, n);
    while (n > 0 && path[n - 1] != '\\')
        --n;
    std::strcpy(path + n, "planted-loaded.txt");
    HANDLE marker = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker == INVALID_HANDLE_VALUE) return TRUE;
    DWORD written = 0;
    WriteFile(marker, self + n, static_cast<DWORD>(std::strlen(self + n)), &written, nullptr);
    WriteFile(marker, " ", 1, &written, nullptr);
    CloseHandle(marker);
    return TRUE;
}
