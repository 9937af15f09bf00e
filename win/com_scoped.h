// Owners for what COM hands out by hand: a BSTR, and the thread's COM or OLE
// initialisation, which must be balanced only when it succeeded.
#pragma once

#include <windows.h>

#include <objbase.h>
#include <ole2.h>
#include <oleauto.h>

#include "win/scoped.h"

namespace win {

struct BstrTraits {
    using Type = BSTR;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type b) { return b != nullptr; }
    static void Close(Type b) { SysFreeString(b); }
};
// Holds e.g. SysAllocString(text); Get() is null when that failed.
using UniqueBstr = Scoped<BstrTraits>;

// Holds the HRESULT of an initialisation: S_OK and S_FALSE both count and
// must be balanced; a failure (such as RPC_E_CHANGED_MODE) must not.
struct ComInitTraits {
    using Type = HRESULT;
    static Type Invalid() { return E_FAIL; }
    static bool Valid(Type hr) { return SUCCEEDED(hr); }
    static void Close(Type) { CoUninitialize(); }
};
// win::ComInit com(CoInitialize(nullptr));
using ComInit = Scoped<ComInitTraits>;

struct OleInitTraits {
    using Type = HRESULT;
    static Type Invalid() { return E_FAIL; }
    static bool Valid(Type hr) { return SUCCEEDED(hr); }
    static void Close(Type) { OleUninitialize(); }
};
// win::OleInit ole(OleInitialize(nullptr));
using OleInit = Scoped<OleInitTraits>;

} // namespace win
