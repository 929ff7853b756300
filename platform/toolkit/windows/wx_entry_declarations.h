// Included ahead of every file of the Windows build. wxWidgets' start-up header for MSW includes
// <windows.h> for the one type its WinMain overloads name; the system header's WAVEHDR, WAVEFORMATEX, DWORD
// and HKEY would then clash with the program's own records of those names. Declaring that type here, as the
// system does, and marking wxWidgets' wrapper of <windows.h> as included keeps the system header to the few
// files that call the system themselves (and include it after every wxWidgets header).
#pragma once

#ifdef __cplusplus
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
#define _WX_WRAPWIN_H_
#endif
