#include "platform/toolkit/current_input.h"

#include <windows.h>

namespace {

// The message the thread took from its queue last: the one it is handling now, or that led to what it
// handles now (a notification a control sends while it handles a key).
thread_local UINT t_lastMessage = 0;

LRESULT CALLBACK note_message(int code, WPARAM removal, LPARAM message) {
    if (code == HC_ACTION && removal == PM_REMOVE) {
        t_lastMessage = reinterpret_cast<const MSG*>(message)->message;
    }
    return ::CallNextHookEx(nullptr, code, removal, message);
}

// Watches the thread that starts the program, the one the toolkit handles its input on.
const HHOOK kMessageHook = ::SetWindowsHookExW(WH_GETMESSAGE, note_message, nullptr, ::GetCurrentThreadId());

} // namespace

bool handling_key_input() {
    return kMessageHook != nullptr && t_lastMessage >= WM_KEYFIRST && t_lastMessage <= WM_KEYLAST;
}
