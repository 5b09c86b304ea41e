// NaiveLoader NAME: loads a DLL by its bare name with the default search order, as a careless program would.
// The DLL-planting test runs it beside a planted DLL to show that the plant works when nothing prevents it.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    HMODULE module = LoadLibraryA(argv[1]);
    std::printf("%s\n", module ? "loaded" : "not loaded");
    return module ? 0 : 1;
}
