// A program started by the desktop's shell: the shell runs it in its own process, with the token of the
// person who logged on, whatever rights the setup holds.
#include "ComPtr.h"
#include "DllLoading.h"
#include "Win32Convert.h"
#include "Win32Shell.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include <string>

namespace ulv::win32 {
namespace {

// The automation strings the shell's object takes, from oleaut32 in the system folder, loaded when first
// needed: the setup imports nothing of it.
class AutomationStrings {
public:
    AutomationStrings() {
        if (HMODULE oleaut = LoadSystemLibrary("oleaut32.dll")) {
            Alloc =
                reinterpret_cast<AllocFn>(reinterpret_cast<void*>(GetProcAddress(oleaut, "SysAllocString")));
            Free = reinterpret_cast<FreeFn>(reinterpret_cast<void*>(GetProcAddress(oleaut, "SysFreeString")));
        }
    }
    [[nodiscard]] bool Ready() const { return Alloc && Free; }
    [[nodiscard]] BSTR Make(const std::string& text) const { return Alloc(Widen(text).c_str()); }
    void Release(BSTR text) const {
        if (text) Free(text);
    }

private:
    using AllocFn = BSTR(WINAPI*)(const OLECHAR*);
    using FreeFn = void(WINAPI*)(BSTR);
    AllocFn Alloc = nullptr;
    FreeFn Free = nullptr;
};

// One BSTR variant, freed once.
class TextVariant {
public:
    TextVariant(const AutomationStrings& strings, const std::string& text) : Strings(strings) {
        Value.vt = VT_BSTR;
        Value.bstrVal = strings.Make(text);
    }
    TextVariant(const TextVariant&) = delete;
    TextVariant& operator=(const TextVariant&) = delete;
    ~TextVariant() { Strings.Release(Value.bstrVal); }
    VARIANT& Get() { return Value; }
    [[nodiscard]] bool Made() const { return Value.bstrVal != nullptr; }

private:
    const AutomationStrings& Strings;
    VARIANT Value{};
};

} // namespace

HResult Win32Shell::ShellExecuteFromDesktop(const std::string& file, const std::string& arguments,
                                            const std::string& directory, std::uint32_t showCommand) {
    ComPtr<IShellWindows> windows;
    HRESULT result = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                      __uuidof(IShellWindows), windows.PutVoid());
    if (FAILED(result)) return result;
    VARIANT location{}, root{};
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    root.vt = VT_EMPTY;
    long window = 0;
    ComPtr<IDispatch> desktop;
    result = windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                                   reinterpret_cast<IDispatch**>(desktop.PutVoid()));
    if (result != S_OK) return FAILED(result) ? result : S_FALSE;
    if (!desktop) return S_FALSE;
    ComPtr<IServiceProvider> provider;
    if (FAILED(result = desktop->QueryInterface(__uuidof(IServiceProvider), provider.PutVoid())))
        return result;
    ComPtr<IShellBrowser> browser;
    if (FAILED(result =
                   provider->QueryService(SID_STopLevelBrowser, __uuidof(IShellBrowser), browser.PutVoid())))
        return result;
    ComPtr<IShellView> view;
    if (FAILED(result = browser->QueryActiveShellView(reinterpret_cast<IShellView**>(view.PutVoid()))))
        return result;
    ComPtr<IDispatch> background;
    if (FAILED(result = view->GetItemObject(SVGIO_BACKGROUND, __uuidof(IDispatch), background.PutVoid())))
        return result;
    ComPtr<IShellFolderViewDual> folderView;
    if (FAILED(result = background->QueryInterface(__uuidof(IShellFolderViewDual), folderView.PutVoid())))
        return result;
    ComPtr<IDispatch> application;
    if (FAILED(result = folderView->get_Application(reinterpret_cast<IDispatch**>(application.PutVoid()))))
        return result;
    ComPtr<IShellDispatch2> shell;
    if (FAILED(result = application->QueryInterface(__uuidof(IShellDispatch2), shell.PutVoid())))
        return result;

    static const AutomationStrings strings;
    if (!strings.Ready()) return E_NOTIMPL;
    BSTR program = strings.Make(file);
    TextVariant args(strings, arguments), folder(strings, directory), operation(strings, "open");
    VARIANT show{};
    show.vt = VT_I4;
    show.lVal = static_cast<LONG>(showCommand);
    result = program && args.Made() && folder.Made() && operation.Made()
                 ? shell->ShellExecute(program, args.Get(), folder.Get(), operation.Get(), show)
                 : E_OUTOFMEMORY;
    strings.Release(program);
    return result;
}

} // namespace ulv::win32
