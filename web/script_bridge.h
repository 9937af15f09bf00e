// The page's scripting object (window.external): "StartGame" hands the main
// window the URL of the game page, "CleanCache" drops the content-delivery
// files from the URL cache.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include "win/com_ptr.h"

#include <atomic>

constexpr DISPID DISPID_STARTGAME = 100001;
constexpr DISPID DISPID_CLEANCACHE = 100002;

// Shows the "ERROR" box; tests replace it so that no modal box blocks a run.
using ScriptBridgeMessageBoxFn = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);
extern ScriptBridgeMessageBoxFn g_scriptBridgeMessageBox;

class ScriptBridge final : public IDispatch {
  public:
    // A new bridge that sends WM_START_GAME to target (not owned, may be
    // null); the caller holds its only reference. Null when out of memory.
    static win::ComPtr<ScriptBridge> Create(HWND target);

    HWND TargetWindow() const { return target_; }

    // Bridges alive in this process; lets tests see a destruction happen once.
    static long LiveCount();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                                     UINT* argError) override;

  private:
    explicit ScriptBridge(HWND target);
    ~ScriptBridge();
    ScriptBridge(const ScriptBridge&) = delete;
    ScriptBridge& operator=(const ScriptBridge&) = delete;

    void StartGame(const DISPPARAMS* params);
    void CleanCache();

    std::atomic<ULONG> refs_{1};
    HWND target_ = nullptr;
};
