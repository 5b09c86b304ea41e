// The check list's item states for screen readers and UI automation. A list box tells them its item texts
// (LBS_HASSTRINGS) but knows nothing of the check boxes we draw; each item is annotated as a check button
// with its state through the accessibility property service (Dynamic Annotation, oleacc). The service is
// loaded only once a client asks for the list's accessible object: most runs have none, and loading it
// would hold up the first page.
#include "platform/win32/ui/Win32Ui.h"

#include <initguid.h>
#include <oleacc.h>

namespace ulv::win32ui {
namespace {

// Created on the first request on the GUI thread (which has OLE), held by the form and released with it,
// before the program leaves OLE; null where the service is missing.
IAccPropServices* PropertyService(TFormData& data) {
    if (!data.AccessibilityTried) {
        data.AccessibilityTried = true;
        void* service = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IAccPropServices, &service)))
            data.AccessibilityService = service;
    }
    return static_cast<IAccPropServices*>(data.AccessibilityService);
}

LONG StateOf(TCheckState state, bool selected) {
    LONG bits = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
    if (state == TCheckState::Checked) bits |= STATE_SYSTEM_CHECKED;
    if (state == TCheckState::Grayed) bits |= STATE_SYSTEM_MIXED;
    if (selected) bits |= STATE_SYSTEM_SELECTED;
    return bits;
}

void Annotate(IAccPropServices& service, HWND window, DWORD child, const MSAAPROPID& property, LONG value) {
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = value;
    // A system without the service's support (E_NOTIMPL) keeps the plain list item.
    (void)service.SetHwndProp(window, static_cast<DWORD>(OBJID_CLIENT), child, property, v);
}

void AnnotateItems(IAccPropServices& service, TCheckListBox& list) {
    HWND window = Hwnd(list);
    if (!window) return;
    for (int i = 0; i < list.Count(); ++i) {
        auto child = static_cast<DWORD>(i + 1);
        Annotate(service, window, child, PROPID_ACC_ROLE, ROLE_SYSTEM_CHECKBUTTON);
        Annotate(service, window, child, PROPID_ACC_STATE, StateOf(list.State(i), i == list.ItemIndex()));
    }
}

} // namespace

void AnnotateCheckStates(TCheckListBox& list) {
    if (auto* service = static_cast<IAccPropServices*>(DataOf(list).AccessibilityService))
        AnnotateItems(*service, list);
}

void AnswerAccessibilityRequest(TCheckListBox& list) {
    TFormData& data = DataOf(list);
    if (data.AccessibilityTried) return;
    // Every check list of the form at once: a client that found one reaches the others through the window.
    if (IAccPropServices* service = PropertyService(data))
        for (TControl* c : list.Form().AllControls())
            if (c->Kind() == TControlKind::CheckListBox)
                AnnotateItems(*service, static_cast<TCheckListBox&>(*c));
}

void ReleaseAccessibility(TFormData& data) {
    if (data.AccessibilityService) static_cast<IAccPropServices*>(data.AccessibilityService)->Release();
    data.AccessibilityService = nullptr;
}

void NotifyCheckStateChanged(TCheckListBox& list, int index) {
    AnnotateCheckStates(list);
    if (HWND window = Hwnd(list))
        NotifyWinEvent(EVENT_OBJECT_STATECHANGE, window, OBJID_CLIENT, static_cast<LONG>(index + 1));
}

} // namespace ulv::win32ui
