#include "web/browser_host.h"

#include "core/messages.h"
#include "web/ax_host.h"
#include "web/ax_host_interfaces.h"
#include "web/host_ui_handler.h"
#include "web/script_bridge.h"

#include <exdispid.h>

namespace {

constexpr wchar_t kOwnerProp[] = L"LumoraBrowserHost";

// The BrowserHost whose window is being created on this thread: the creation
// hook puts our procedure in front of the host's before WM_NCCREATE.
thread_local BrowserHost* t_creating = nullptr;

} // namespace

BrowserHost::BrowserHost() : sink_(this) {}

BrowserHost::~BrowserHost() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    browser_.Reset();
}

HWND BrowserHost::Create(HWND parent, const wchar_t* url) {
    if (hwnd_) return nullptr;
    if (!AxHostRegister()) return nullptr;
    HHOOK hook = SetWindowsHookExW(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
    if (!hook) return nullptr;
    t_creating = this;
    HWND hwnd =
        CreateWindowExW(0, kAxHostClassName, url ? url : L"", WS_CHILD | WS_VISIBLE, CW_USEDEFAULT,
                        CW_USEDEFAULT, 0, 0, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    t_creating = nullptr;
    UnhookWindowsHookEx(hook);
    if (!hwnd) {
        hwnd_ = nullptr;
        return nullptr;
    }
    InstallPageObjects(parent);
    return hwnd;
}

void BrowserHost::InstallPageObjects(HWND parent) {
    // The page's external object; without memory for it the page simply has
    // none and the host keeps its own UI defaults.
    win::ComPtr<ScriptBridge> bridge = ScriptBridge::Create(parent);
    if (win::ComPtr<HostUiHandler> handler = CreateHostUiHandler(bridge.Get())) {
        win::ComPtr<IUnknown> host;
        if (SUCCEEDED(AxGetHost(hwnd_, host.Put()))) {
            win::ComPtr<IAxWinHostWindow> axHost;
            if (SUCCEEDED(host.As(axHost))) axHost->SetExternalUIHandler(handler.Get());
        }
    }
    if (browser_) browser_->put_RegisterAsBrowser(VARIANT_TRUE);
}

void BrowserHost::Navigate(const wchar_t* url) {
    if (!browser_) return;
    VARIANT target, flags, empty;
    VariantInit(&empty);
    VariantInit(&flags);
    flags.vt = VT_I4;
    flags.lVal = 0;
    VariantInit(&target);
    target.vt = VT_BSTR;
    target.bstrVal = SysAllocString(url);
    if (target.bstrVal) browser_->Navigate2(&target, &flags, &empty, &empty, &empty);
    VariantClear(&target);
}

void BrowserHost::Refresh() {
    if (browser_) browser_->Refresh();
}

HWND CreateAxDialog(HINSTANCE instance, UINT templateId, HWND parent, DLGPROC dlgProc,
                    LPARAM param) {
    // Host windows in the template need their class before the dialog exists.
    AxHostRegister();
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), parent, dlgProc, param);
}

LRESULT CALLBACK BrowserHost::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && t_creating) {
        BrowserHost* self = t_creating;
        t_creating = nullptr;
        auto hwnd = reinterpret_cast<HWND>(wParam);
        self->hwnd_ = hwnd;
        SetPropW(hwnd, kOwnerProp, self);
        self->superProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK BrowserHost::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<BrowserHost*>(GetPropW(hwnd, kOwnerProp));
    if (!self || !self->superProc_) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_CREATE:
        return self->OnCreate(hwnd, message, wParam, lParam);
    case WM_DESTROY:
        return self->OnDestroy(hwnd, message, wParam, lParam);
    case WM_NCDESTROY: {
        // The host's own final teardown still runs; then the window is gone.
        WNDPROC super = self->superProc_;
        RemovePropW(hwnd, kOwnerProp);
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        self->hwnd_ = nullptr;
        return CallWindowProcW(super, hwnd, message, wParam, lParam);
    }
    default:
        return CallWindowProcW(self->superProc_, hwnd, message, wParam, lParam);
    }
}

LRESULT BrowserHost::OnCreate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // The host creates the control from the window text here.
    LRESULT result = CallWindowProcW(superProc_, hwnd, message, wParam, lParam);
    browser_.Reset();
    win::ComPtr<IUnknown> control;
    if (SUCCEEDED(AxGetControl(hwnd, control.Put()))) control.As(browser_);
    if (browser_) {
        DWORD cookie = kNoCookie;
        if (SUCCEEDED(ConnectEvents(browser_.Get(), DIID_DWebBrowserEvents2, &sink_, &cookie))) {
            cookie_ = cookie;
        } else {
            browser_.Reset();
        }
    }
    return result;
}

LRESULT BrowserHost::OnDestroy(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // Taken down while its own windows still exist, in the order containers
    // use: out of place first, then its events, then the host closes it and
    // takes back its client site.
    if (browser_) {
        win::ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(browser_.As(inPlace))) inPlace->InPlaceDeactivate();
        inPlace.Reset();
        DisconnectEvents(browser_.Get(), DIID_DWebBrowserEvents2, cookie_);
        cookie_ = kNoCookie;
        browser_.Reset();
    }
    CallWindowProcW(superProc_, hwnd, message, wParam, lParam);
    return 0;
}

void BrowserHost::OnDocumentComplete() {
    if (browser_) browser_->put_Silent(VARIANT_TRUE);
    if (hwnd_) SendMessageW(GetParent(hwnd_), WM_PAGE_LOADED, 0, 0);
}

bool BrowserHost::PreTranslateMessage(MSG* msg) {
    if (!msg) return false;
    bool keyboard = msg->message >= 0x0100 && msg->message <= 0x0109;
    bool mouse = msg->message >= 0x0200 && msg->message <= 0x020D;
    if (!keyboard && !mouse) return false;
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_F5) {
        if (hwnd_) SendMessageW(GetParent(hwnd_), WM_REFRESH_PAGE, 0, 0);
        return true;
    }
    if (!hwnd_) return false;
    return SendMessageW(hwnd_, WM_FORWARDMSG, 0, reinterpret_cast<LPARAM>(msg)) != 0;
}

STDMETHODIMP BrowserHost::Sink::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) {
        *ppv = static_cast<IDispatch*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP BrowserHost::Sink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP BrowserHost::Sink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserHost::Sink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

STDMETHODIMP BrowserHost::Sink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                       EXCEPINFO*, UINT*) {
    // Frames complete like the top-level document, so the arguments do not matter.
    if (id == kDispidDocumentComplete) owner_->OnDocumentComplete();
    return S_OK;
}
