// The thread library that std::thread stands on (winpthreads) calls two kernel32 functions that older
// Windows lack: GetTickCount64 (Windows Vista) and AddVectoredExceptionHandler / RemoveVectoredExceptionHandler
// (Windows XP). Imported, they would keep the program from starting there at all. This file defines the
// import pointers the thread library links against, each set to a function that looks the system's own up
// at run time and falls back where it is missing; the static link takes these before kernel32's import
// library. Linked into the program itself (an object file, never a library member), so that they are there
// before the thread library asks for them.
#include <windows.h>

namespace {

FARPROC Kernel32Function(const char* name) {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    return kernel32 ? GetProcAddress(kernel32, name) : nullptr;
}

template <typename F> F Resolved(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(Kernel32Function(name)));
}

// Without GetTickCount64, the 32-bit count is widened, its wraps after 49.7 days counted: the thread library
// only measures waits with it.
ULONGLONG WINAPI TickCount64() {
    using F = ULONGLONG(WINAPI*)();
    static const F system = Resolved<F>("GetTickCount64");
    if (system) return system();
    static volatile LONG lock = 0;
    static DWORD last = 0;
    static ULONGLONG high = 0;
    while (InterlockedCompareExchange(&lock, 1, 0) != 0)
        Sleep(0);
    DWORD now = GetTickCount();
    if (now < last) high += 0x100000000ULL;
    last = now;
    ULONGLONG result = high | now;
    InterlockedExchange(&lock, 0);
    return result;
}

// Without vectored handlers (Windows 2000), none is added: the thread library uses one only to name its
// threads for a debugger.
PVOID WINAPI AddHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) {
    using F = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);
    static const F system = Resolved<F>("AddVectoredExceptionHandler");
    return system ? system(first, handler) : nullptr;
}

ULONG WINAPI RemoveHandler(PVOID handle) {
    using F = ULONG(WINAPI*)(PVOID);
    static const F system = Resolved<F>("RemoveVectoredExceptionHandler");
    return system && handle ? system(handle) : 0;
}

} // namespace

#if defined(__i386__)
#define ULV_IMPORT(name, bytes) "__imp__" #name "@" #bytes
#else
#define ULV_IMPORT(name, bytes) "__imp_" #name
#endif

extern "C" {
ULONGLONG(WINAPI* ulv_imp_GetTickCount64)() __asm__(ULV_IMPORT(GetTickCount64, 0)) = TickCount64;
PVOID(WINAPI* ulv_imp_AddVectoredExceptionHandler)(ULONG, PVECTORED_EXCEPTION_HANDLER) __asm__(
    ULV_IMPORT(AddVectoredExceptionHandler, 8)) = AddHandler;
ULONG(WINAPI* ulv_imp_RemoveVectoredExceptionHandler)(PVOID) __asm__(
    ULV_IMPORT(RemoveVectoredExceptionHandler, 4)) = RemoveHandler;
}
