#include "web_test_util.h"

#include <activscp.h>

#include "core/messages.h"
#include "web/start_game.h"
#include "win/com_ptr.h"

namespace webtest {

namespace {

std::vector<ReceivedUrl> g_received;

LRESULT CALLBACK ReceiverProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_START_GAME) {
        wchar_t* url = reinterpret_cast<wchar_t*>(lp);
        g_received.push_back({url ? url : L"", url ? HeapSize(GetProcessHeap(), 0, url) : 0});
        FreeStartGameUrl(url);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

int g_boxCount = 0;
bool g_lastPlain = false;

int WINAPI RecordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    ++g_boxCount;
    g_lastPlain = owner == nullptr && text && std::wstring(text) == L"ERROR" &&
                  caption == nullptr && type == MB_OK;
    return IDOK;
}

class Site final : public IActiveScriptSite {
  public:
    explicit Site(IDispatch* external) : external_(external) {}
    bool errorSeen = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IActiveScriptSite)) {
            *out = static_cast<IActiveScriptSite*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack, outliving the engine.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE GetLCID(LCID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unk,
                                          ITypeInfo** info) override {
        if (info) *info = nullptr;
        if (unk) *unk = nullptr;
        if (!name || std::wstring(name) != L"external") return TYPE_E_ELEMENTNOTFOUND;
        if (mask & SCRIPTINFO_IUNKNOWN) {
            if (!unk) return E_POINTER;
            return external_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unk));
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError*) override {
        errorSeen = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }

  private:
    IDispatch* external_;
};

} // namespace

StartGameReceiver::StartGameReceiver() {
    g_received.clear();
    WNDCLASSW wc{};
    wc.lpfnWndProc = ReceiverProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumoraStartGameReceiver";
    RegisterClassW(&wc); // already registered by an earlier test: fine
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                            wc.hInstance, nullptr);
}

StartGameReceiver::~StartGameReceiver() {
    if (hwnd_) DestroyWindow(hwnd_);
}

const std::vector<ReceivedUrl>& StartGameReceiver::Received() const {
    return g_received;
}

MessageBoxRecorder::MessageBoxRecorder() {
    g_boxCount = 0;
    g_lastPlain = false;
    g_scriptBridgeMessageBox = RecordBox;
}

MessageBoxRecorder::~MessageBoxRecorder() {
    g_scriptBridgeMessageBox = MessageBoxW;
}

int MessageBoxRecorder::Count() const {
    return g_boxCount;
}

bool MessageBoxRecorder::LastWasPlainError() const {
    return g_lastPlain;
}

HRESULT RunScript(ScriptBridge* bridge, const std::wstring& code, bool* scriptError) {
    Site site(bridge);
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(L"JScript", &clsid);
    if (FAILED(hr)) return hr;
    win::ComPtr<IActiveScript> engine;
    hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript, engine.PutVoid());
    if (FAILED(hr)) return hr;
    win::ComPtr<IActiveScriptParse> parse;
    if (FAILED(hr = engine.As(parse))) return hr;
    if (FAILED(hr = engine->SetScriptSite(&site))) return hr;
    if (FAILED(hr = parse->InitNew())) return hr;
    if (FAILED(hr = engine->AddNamedItem(L"external", SCRIPTITEM_ISVISIBLE))) return hr;
    if (FAILED(hr = engine->SetScriptState(SCRIPTSTATE_STARTED))) return hr;
    EXCEPINFO excep{};
    hr = parse->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, 0, 0, 0, nullptr, &excep);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    engine->Close();
    if (scriptError) *scriptError = site.errorSeen;
    return hr;
}

} // namespace webtest
