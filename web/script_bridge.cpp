#include "web/script_bridge.h"

#include <cwchar>
#include <new>

#include "build_config.h"
#include "core/messages.h"
#include "web/start_game.h"
#include "web/url_cache.h"

ScriptBridgeMessageBoxFn g_scriptBridgeMessageBox = MessageBoxW;

namespace {
std::atomic<long> g_liveBridges{0};
} // namespace

win::ComPtr<ScriptBridge> ScriptBridge::Create(HWND target) {
    return win::ComPtr<ScriptBridge>::Adopt(new (std::nothrow) ScriptBridge(target));
}

ScriptBridge::ScriptBridge(HWND target) : target_(target) {
    ++g_liveBridges;
}

ScriptBridge::~ScriptBridge() {
    --g_liveBridges;
}

long ScriptBridge::LiveCount() {
    return g_liveBridges.load();
}

HRESULT STDMETHODCALLTYPE ScriptBridge::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ScriptBridge::AddRef() {
    return ++refs_;
}

ULONG STDMETHODCALLTYPE ScriptBridge::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE ScriptBridge::GetTypeInfoCount(UINT*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ScriptBridge::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ScriptBridge::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                      DISPID* ids) {
    // Only the first name counts: named arguments are not supported.
    if (!names || count == 0 || !names[0] || !ids) return E_NOTIMPL;
    if (std::wcscmp(names[0], L"StartGame") == 0) {
        ids[0] = DISPID_STARTGAME;
        return S_OK;
    }
    if (std::wcscmp(names[0], L"CleanCache") == 0) {
        ids[0] = DISPID_CLEANCACHE;
        return S_OK;
    }
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ScriptBridge::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                               VARIANT*, EXCEPINFO*, UINT*) {
    // Call or property read alike; the page never gets a value back.
    switch (id) {
    case DISPID_STARTGAME:
        StartGame(params);
        return S_OK;
    case DISPID_CLEANCACHE:
        CleanCache();
        return S_OK;
    default:
        return E_NOTIMPL;
    }
}

void ScriptBridge::StartGame(const DISPPARAMS* params) {
    if (!params || params->cArgs == 0 || !params->rgvarg) return;
    // The first entry holds the page's last argument.
    const VARIANT& arg = params->rgvarg[0];
    if (arg.vt != VT_BSTR) return;
    // A null BSTR is the empty string.
    const wchar_t* text = arg.bstrVal ? arg.bstrVal : L"";
    wchar_t* url = nullptr;
    switch (ParseStartGame(text, &url)) {
    case StartGameOutcome::Url:
        // With no window to take the buffer over it would be lost.
        if (!target_ || !IsWindow(target_)) {
            FreeStartGameUrl(url);
            break;
        }
        // The receiver owns the buffer from here and frees it on every path.
        SendMessageW(target_, WM_START_GAME, 0, reinterpret_cast<LPARAM>(url));
        break;
    case StartGameOutcome::Error:
        g_scriptBridgeMessageBox(nullptr, L"ERROR", nullptr, MB_OK);
        break;
    case StartGameOutcome::NoMemory:
        break; // nothing to hand on; the page is not bothered
    }
}

void ScriptBridge::CleanCache() {
    CleanUrlCache(LUMORA_CDN_SUFFIX);
}
