// A DLL planted beside a program under the name of a system DLL: when loaded, it leaves "planted-loaded.txt"
// in its own folder. It exports nothing else, so a program that really loads it fails later; what matters is
// that it was loaded at all.
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(instance, path, MAX_PATH);
    while (n > 0 && path[n - 1] != '\\')
        --n;
    std::strcpy(path + n, "planted-loaded.txt");
    HANDLE marker =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    return TRUE;
}
