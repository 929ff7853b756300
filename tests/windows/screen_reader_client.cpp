#include "screen_reader_client.h"

#include <windows.h>

#include <oleacc.h>

namespace {

std::vector<std::string> g_alerts;

VARIANT child_id(long child) {
    VARIANT id;
    VariantInit(&id);
    id.vt = VT_I4;
    id.lVal = child;
    return id;
}

// The program's texts are ISO-8859-1: every character one byte.
std::string name_of(IAccessible* object, long child) {
    BSTR name = nullptr;
    std::string text = object->get_accName(child_id(child), &name) == S_OK ? "" : "<no name>";
    for (const wchar_t* at = name; at != nullptr && *at != L'\0'; ++at) {
        text += static_cast<char>(*at);
    }
    SysFreeString(name);
    return text;
}

void CALLBACK note_alert(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    IAccessible* accessible = nullptr;
    VARIANT id;
    if (AccessibleObjectFromEvent(window, DWORD(object), DWORD(child), &accessible, &id) == S_OK) {
        g_alerts.push_back(name_of(accessible, id.lVal));
        accessible->Release();
    }
}

} // namespace

// Each child's name: a control's comes from its own object, which the panel's hands the request on to.
std::vector<std::string> child_names(void* window) {
    std::vector<std::string> names;
    IAccessible* object = nullptr;
    AccessibleObjectFromWindow(static_cast<HWND>(window), static_cast<DWORD>(OBJID_CLIENT),
                               __uuidof(IAccessible), reinterpret_cast<void**>(&object));
    long count = 0;
    for (long child = 1; object != nullptr && object->get_accChildCount(&count) == S_OK && child <= count;
         ++child) {
        names.push_back(name_of(object, child));
    }
    if (object != nullptr) {
        object->Release();
    }
    return names;
}

AlertListener::AlertListener()
    : hook_(SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, nullptr, note_alert,
                            GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT)) {
    g_alerts.clear();
}

AlertListener::~AlertListener() {
    UnhookWinEvent(static_cast<HWINEVENTHOOK>(hook_));
}

const std::vector<std::string>& AlertListener::alerts() const {
    return g_alerts;
}
