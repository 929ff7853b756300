#include "screen_reader_client.h"

#include <windows.h>

#include <oleacc.h>

namespace {

std::vector<std::string> g_alerts;

// The program's texts are ISO-8859-1: every character one byte.
std::string narrow(BSTR text) {
    std::string bytes;
    for (const wchar_t* at = text; at != nullptr && *at != L'\0'; ++at) {
        bytes += static_cast<char>(*at);
    }
    return bytes;
}

VARIANT child_id(long child) {
    VARIANT id;
    VariantInit(&id);
    id.vt = VT_I4;
    id.lVal = child;
    return id;
}

std::string name_of(IAccessible* object, long child) {
    BSTR name = nullptr;
    const bool named = object->get_accName(child_id(child), &name) == S_OK;
    const std::string text = named ? narrow(name) : "<no name>";
    SysFreeString(name);
    return text;
}

IAccessible* object_of(void* window) {
    IAccessible* object = nullptr;
    AccessibleObjectFromWindow(static_cast<HWND>(window), static_cast<DWORD>(OBJID_CLIENT),
                               __uuidof(IAccessible), reinterpret_cast<void**>(&object));
    return object;
}

void CALLBACK note_alert(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    IAccessible* accessible = nullptr;
    VARIANT id;
    VariantInit(&id);
    if (AccessibleObjectFromEvent(window, static_cast<DWORD>(object), static_cast<DWORD>(child), &accessible,
                                  &id) == S_OK) {
        g_alerts.push_back(name_of(accessible, id.lVal));
        accessible->Release();
    }
}

} // namespace

std::vector<std::string> static_texts(void* window) {
    IAccessible* object = object_of(window);
    if (object == nullptr) {
        return {"<no accessible object>"};
    }
    std::vector<std::string> texts;
    long count = 0;
    object->get_accChildCount(&count);
    for (long child = 1; child <= count; ++child) {
        VARIANT role;
        VariantInit(&role);
        if (object->get_accRole(child_id(child), &role) == S_OK && role.vt == VT_I4 &&
            role.lVal == ROLE_SYSTEM_STATICTEXT) {
            texts.push_back(name_of(object, child));
        }
    }
    object->Release();
    return texts;
}

std::string accessible_name(void* window) {
    IAccessible* object = object_of(window);
    if (object == nullptr) {
        return "<no accessible object>";
    }
    const std::string name = name_of(object, CHILDID_SELF);
    object->Release();
    return name;
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
