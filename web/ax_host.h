// The ActiveX host window: a window class "AtlAxWin" whose windows create the
// web browser control from their text and host it in place, written directly
// against the window and COM functions so that it behaves the same wherever
// it runs (Wine's own host lacks the host interface and the messages).
#pragma once

#include <windows.h>
#include <ole2.h>

constexpr wchar_t kAxHostClassName[] = L"AtlAxWin";

// Registers the host window class and the two registered messages, once per
// process; later calls only report the outcome of the first.
bool AxHostRegister();
// "WM_ATLGETHOST": the result is the host's IUnknown with a reference for
// the caller. "WM_ATLGETCONTROL": the hosted control's IUnknown, borrowed.
UINT AxGetHostMessage();
UINT AxGetControlMessage();

// The host object and the hosted control of a host window, each with a
// reference of the caller's own; E_FAIL when the window has none.
HRESULT AxGetHost(HWND hwnd, IUnknown** host);
HRESULT AxGetControl(HWND hwnd, IUnknown** control);

// Connects or disconnects an event sink through the source's connection point.
HRESULT ConnectEvents(IUnknown* source, REFIID iid, IUnknown* sink, DWORD* cookie);
HRESULT DisconnectEvents(IUnknown* source, REFIID iid, DWORD cookie);
