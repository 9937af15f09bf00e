#include "web/ax_host.h"

#include "core/messages.h"
#include "web/ax_host_interfaces.h"

#include "win/com_ptr.h"
#include "win/com_scoped.h"

#include <exdisp.h>
#include <mshtmhst.h>
#include <oleauto.h>

#include <cwchar>
#include <new>

namespace {

SRWLOCK g_registerLock = SRWLOCK_INIT;
bool g_registerDone = false;
bool g_registered = false;
UINT g_msgGetHost = 0;
UINT g_msgGetControl = 0;

// Where a host window keeps its host object.
constexpr int kSiteSlot = 0;

// Copies a BSTR into task memory, which is what the document host expects
// back from the string-returning questions.
LPWSTR TaskStringFromBstr(BSTR text) {
    if (!text) return nullptr;
    size_t length = SysStringLen(text);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((length + 1) * sizeof(wchar_t)));
    if (!copy) return nullptr;
    std::wmemcpy(copy, text, length);
    copy[length] = L'\0';
    return copy;
}

// The host object: client site, in-place site and frame of the control, and
// its document-host UI handler. One identity and one reference count; the
// window holds one reference from WM_NCCREATE to WM_NCDESTROY.
class AxHostSite final : public IOleClientSite,
                         public IOleInPlaceSite,
                         public IOleInPlaceFrame,
                         public IDocHostUIHandler,
                         public IAxWinHostWindow {
  public:
    explicit AxHostSite(HWND hwnd) : hwnd_(hwnd) {}
    AxHostSite(const AxHostSite&) = delete;
    AxHostSite& operator=(const AxHostSite&) = delete;

    IUnknown* Identity() { return static_cast<IOleClientSite*>(this); }
    IUnknown* Control() const { return control_.Get(); }
    void Detach() { hwnd_ = nullptr; }

    HRESULT CreateFromText(const wchar_t* text, IUnknown** created);
    HRESULT Attach(IUnknown* control);
    void Teardown();
    void Resize(int width, int height);
    HWND ControlWindow() const;
    bool ForwardMessage(MSG* msg);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG refs = --refs_;
        if (refs == 0) delete this;
        return refs;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        if (container) *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* hwnd) override {
        if (!hwnd) return E_POINTER;
        *hwnd = hwnd_;
        return hwnd_ ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return hwnd_ ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                  LPRECT posRect, LPRECT clipRect,
                                  LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override {
        inPlaceObject_.Reset();
        return S_OK;
    }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT rect) override {
        if (inPlaceObject_ && rect) inPlaceObject_->SetObjectRects(rect, rect);
        return S_OK;
    }

    // IOleInPlaceUIWindow
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override {
        activeObject_ = win::ComPtr<IOleInPlaceActiveObject>::Share(active);
        return S_OK;
    }

    // IOleInPlaceFrame: no menus, status line or frame accelerators of our own.
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    // Serves both the frame and the document-host UI handler.
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler: the installed handler first, our defaults after it.
    STDMETHODIMP ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* object) override;
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
    STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                        IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) override;
    STDMETHODIMP HideUI() override;
    STDMETHODIMP UpdateUI() override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window,
                              BOOL frameWindow) override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg, const GUID* group, DWORD command) override;
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD dw) override;
    STDMETHODIMP GetDropTarget(IDropTarget* target, IDropTarget** result) override;
    STDMETHODIMP GetExternal(IDispatch** external) override;
    STDMETHODIMP TranslateUrl(DWORD translate, LPWSTR urlIn, LPWSTR* urlOut) override;
    STDMETHODIMP FilterDataObject(IDataObject* data, IDataObject** result) override;

    // IAxWinHostWindow
    STDMETHODIMP CreateControl(LPCOLESTR text, HWND hwnd, IStream* stream) override {
        return CreateControlEx(text, hwnd, stream, nullptr, IID_NULL, nullptr);
    }
    STDMETHODIMP CreateControlEx(LPCOLESTR text, HWND hwnd, IStream* stream, IUnknown** control,
                                 REFIID adviseIid, IUnknown* adviseSink) override;
    STDMETHODIMP AttachControl(IUnknown* control, HWND hwnd) override;
    STDMETHODIMP QueryControl(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!control_) return E_NOINTERFACE;
        return control_->QueryInterface(riid, ppv);
    }
    STDMETHODIMP SetExternalDispatch(IDispatch* external) override {
        external_ = win::ComPtr<IDispatch>::Share(external);
        return S_OK;
    }
    STDMETHODIMP SetExternalUIHandler(IDocHostUIHandlerDispatch* handler) override {
        uiHandler_ = win::ComPtr<IDocHostUIHandlerDispatch>::Share(handler);
        return S_OK;
    }

  private:
    using Handler = IDocHostUIHandlerDispatch;

    ~AxHostSite() { Teardown(); }

    // Every question goes to the installed handler first; its answer stands
    // unless it has none (E_NOTIMPL), and then the host's own, fallback, does.
    template <typename Ask> HRESULT AskHandler(HRESULT fallback, Ask ask) {
        if (!uiHandler_) return fallback;
        HRESULT hr = ask(uiHandler_.Get());
        return hr == E_NOTIMPL ? fallback : hr;
    }

    HWND hwnd_;
    // The creator's reference: the window's, from WM_NCCREATE to WM_NCDESTROY.
    ULONG refs_ = 1;
    win::ComPtr<IUnknown> control_;
    win::ComPtr<IOleObject> oleObject_;
    win::ComPtr<IOleInPlaceObject> inPlaceObject_;
    win::ComPtr<IOleInPlaceActiveObject> activeObject_;
    win::ComPtr<IDispatch> external_;
    win::ComPtr<IDocHostUIHandlerDispatch> uiHandler_;
};

STDMETHODIMP AxHostSite::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
        *ppv = static_cast<IOleClientSite*>(this);
    } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) {
        *ppv = static_cast<IOleInPlaceSite*>(this);
    } else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame) {
        *ppv = static_cast<IOleInPlaceFrame*>(this);
    } else if (riid == IID_IDocHostUIHandler) {
        *ppv = static_cast<IDocHostUIHandler*>(this);
    } else if (riid == __uuidof(IAxWinHostWindow)) {
        *ppv = static_cast<IAxWinHostWindow*>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP AxHostSite::OnInPlaceActivate() {
    if (!control_) return E_UNEXPECTED;
    control_.As(inPlaceObject_);
    return S_OK;
}

STDMETHODIMP AxHostSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                          LPRECT posRect, LPRECT clipRect,
                                          LPOLEINPLACEFRAMEINFO frameInfo) {
    if (!frame || !doc || !posRect || !clipRect || !frameInfo) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *doc = nullptr;
    RECT client{};
    if (hwnd_) GetClientRect(hwnd_, &client);
    *posRect = client;
    *clipRect = client;
    frameInfo->cb = sizeof(OLEINPLACEFRAMEINFO);
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = hwnd_;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
}

// A handler's answer through an out-parameter: the call's own failure, or
// the answer it gave.
HRESULT OutAnswer(HRESULT hr, HRESULT answer) {
    return FAILED(hr) ? hr : answer;
}

// A handler's text answer, handed on as the task-memory string the control
// expects; the handler's BSTR is released either way.
HRESULT TaskStringAnswer(HRESULT hr, BSTR text, LPWSTR* out) {
    win::UniqueBstr owned(text);
    if (hr == S_OK && owned) {
        *out = TaskStringFromBstr(owned.Get());
        if (!*out) hr = E_OUTOFMEMORY;
    }
    return hr;
}

// A handler's replacement object, asked for the interface the control wants.
HRESULT ReplacementAnswer(HRESULT hr, IUnknown* replacement, REFIID iid, void** out) {
    if (hr == S_OK && replacement) return replacement->QueryInterface(iid, out);
    return hr;
}

VARIANT_BOOL VariantBool(BOOL value) {
    return value ? VARIANT_TRUE : VARIANT_FALSE;
}

STDMETHODIMP AxHostSite::EnableModeless(BOOL enable) {
    return AskHandler(S_OK, [&](Handler* h) { return h->EnableModeless(VariantBool(enable)); });
}

STDMETHODIMP AxHostSite::ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* object) {
    DWORD x = pt ? static_cast<DWORD>(pt->x) : 0;
    DWORD y = pt ? static_cast<DWORD>(pt->y) : 0;
    // S_FALSE lets the control show its own menu.
    return AskHandler(S_FALSE, [&](Handler* h) {
        HRESULT answer = S_FALSE;
        HRESULT hr = h->ShowContextMenu(id, x, y, target, object, &answer);
        return OutAnswer(hr, answer);
    });
}

STDMETHODIMP AxHostSite::GetHostInfo(DOCHOSTUIINFO* info) {
    if (!info) return E_POINTER;
    DWORD flags = 0;
    DWORD doubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    if (uiHandler_) {
        DWORD askedFlags = info->dwFlags;
        DWORD askedDoubleClick = info->dwDoubleClick;
        if (uiHandler_->GetHostInfo(&askedFlags, &askedDoubleClick) == S_OK) {
            flags = askedFlags;
            doubleClick = askedDoubleClick;
        }
    }
    info->dwFlags = flags;
    info->dwDoubleClick = doubleClick;
    return S_OK;
}

STDMETHODIMP AxHostSite::ShowUI(DWORD id, IOleInPlaceActiveObject* active,
                                IOleCommandTarget* target, IOleInPlaceFrame* frame,
                                IOleInPlaceUIWindow* doc) {
    // The host draws no menus or toolbars of its own.
    return AskHandler(S_FALSE, [&](Handler* h) {
        HRESULT answer = S_FALSE;
        HRESULT hr = h->ShowUI(id, active, target, frame, doc, &answer);
        return OutAnswer(hr, answer);
    });
}

STDMETHODIMP AxHostSite::HideUI() {
    return AskHandler(S_OK, [](Handler* h) { return h->HideUI(); });
}

STDMETHODIMP AxHostSite::UpdateUI() {
    return AskHandler(S_OK, [](Handler* h) { return h->UpdateUI(); });
}

STDMETHODIMP AxHostSite::OnDocWindowActivate(BOOL activate) {
    return AskHandler(S_OK,
                      [&](Handler* h) { return h->OnDocWindowActivate(VariantBool(activate)); });
}

STDMETHODIMP AxHostSite::OnFrameWindowActivate(BOOL activate) {
    return AskHandler(S_OK,
                      [&](Handler* h) { return h->OnFrameWindowActivate(VariantBool(activate)); });
}

STDMETHODIMP AxHostSite::ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window,
                                      BOOL frameWindow) {
    if (!border) return S_OK;
    return AskHandler(S_OK, [&](Handler* h) {
        return h->ResizeBorder(border->left, border->top, border->right, border->bottom, window,
                               VariantBool(frameWindow));
    });
}

STDMETHODIMP AxHostSite::TranslateAccelerator(LPMSG msg, const GUID* group, DWORD command) {
    // S_FALSE: the control translates the key itself.
    if (!msg) return S_FALSE;
    return AskHandler(S_FALSE, [&](Handler* h) {
        win::UniqueBstr groupText;
        wchar_t buffer[40] = {};
        if (group && StringFromGUID2(*group, buffer, 40) > 0)
            groupText.Reset(SysAllocString(buffer));
        HRESULT answer = S_FALSE;
        HRESULT hr = h->TranslateAccelerator(reinterpret_cast<DWORD_PTR>(msg->hwnd), msg->message,
                                             static_cast<DWORD_PTR>(msg->wParam),
                                             static_cast<DWORD_PTR>(msg->lParam), groupText.Get(),
                                             command, &answer);
        return OutAnswer(hr, answer);
    });
}

STDMETHODIMP AxHostSite::GetOptionKeyPath(LPOLESTR* key, DWORD dw) {
    if (!key) return E_POINTER;
    *key = nullptr;
    return AskHandler(S_FALSE, [&](Handler* h) {
        BSTR text = nullptr;
        HRESULT hr = h->GetOptionKeyPath(&text, dw);
        return TaskStringAnswer(hr, text, key);
    });
}

STDMETHODIMP AxHostSite::GetDropTarget(IDropTarget* target, IDropTarget** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    return AskHandler(E_NOTIMPL, [&](Handler* h) {
        win::ComPtr<IUnknown> replacement;
        HRESULT hr = h->GetDropTarget(target, replacement.Put());
        return ReplacementAnswer(hr, replacement.Get(), IID_IDropTarget,
                                 reinterpret_cast<void**>(result));
    });
}

STDMETHODIMP AxHostSite::GetExternal(IDispatch** external) {
    if (!external) return E_POINTER;
    *external = nullptr;
    HRESULT hr = AskHandler(E_NOTIMPL, [&](Handler* h) { return h->GetExternal(external); });
    if (hr != E_NOTIMPL) return hr;
    *external = nullptr;
    if (external_) {
        *external = external_.Get();
        (*external)->AddRef();
        return S_OK;
    }
    return S_FALSE;
}

STDMETHODIMP AxHostSite::TranslateUrl(DWORD translate, LPWSTR urlIn, LPWSTR* urlOut) {
    if (!urlOut) return E_POINTER;
    *urlOut = nullptr;
    return AskHandler(S_FALSE, [&](Handler* h) {
        win::UniqueBstr in(urlIn ? SysAllocString(urlIn) : nullptr);
        BSTR out = nullptr;
        HRESULT hr = h->TranslateUrl(translate, in.Get(), &out);
        return TaskStringAnswer(hr, out, urlOut);
    });
}

STDMETHODIMP AxHostSite::FilterDataObject(IDataObject* data, IDataObject** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    return AskHandler(S_FALSE, [&](Handler* h) {
        win::ComPtr<IUnknown> replacement;
        HRESULT hr = h->FilterDataObject(data, replacement.Put());
        return ReplacementAnswer(hr, replacement.Get(), IID_IDataObject,
                                 reinterpret_cast<void**>(result));
    });
}

STDMETHODIMP AxHostSite::CreateControlEx(LPCOLESTR text, HWND hwnd, IStream*, IUnknown** control,
                                         REFIID adviseIid, IUnknown* adviseSink) {
    if (control) *control = nullptr;
    if (!text || hwnd != hwnd_ || !hwnd_) return E_INVALIDARG;
    HRESULT hr = CreateFromText(text, control);
    if (FAILED(hr)) return hr;
    if (adviseSink && adviseIid != IID_NULL) {
        DWORD cookie = 0;
        ConnectEvents(control_.Get(), adviseIid, adviseSink, &cookie);
    }
    return S_OK;
}

STDMETHODIMP AxHostSite::AttachControl(IUnknown* control, HWND hwnd) {
    if (!control) return E_POINTER;
    if (hwnd != hwnd_ || !hwnd_) return E_INVALIDARG;
    return Attach(control);
}

HRESULT AxHostSite::CreateFromText(const wchar_t* text, IUnknown** created) {
    if (created) *created = nullptr;
    if (!text || !*text) return E_INVALIDARG;
    win::ComPtr<IUnknown> control;
    HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  control.PutVoid());
    if (FAILED(hr)) return hr;
    hr = Attach(control.Get());
    if (FAILED(hr)) return hr;

    win::ComPtr<IWebBrowser2> browser;
    if (SUCCEEDED(control.As(browser))) {
        browser->put_Visible(VARIANT_TRUE);
        win::UniqueBstr url(SysAllocString(text));
        if (url) {
            VARIANT empty;
            VariantInit(&empty);
            browser->Navigate(url.Get(), &empty, &empty, &empty, &empty);
        }
    }
    if (created) *created = control.Detach();
    return S_OK;
}

HRESULT AxHostSite::Attach(IUnknown* control) {
    Teardown();
    win::ComPtr<IOleObject> oleObject;
    HRESULT hr = control->QueryInterface(IID_IOleObject, oleObject.PutVoid());
    if (FAILED(hr)) return hr;
    control_ = win::ComPtr<IUnknown>::Share(control);
    oleObject_ = oleObject;

    hr = oleObject_->SetClientSite(static_cast<IOleClientSite*>(this));
    if (FAILED(hr)) {
        Teardown();
        return hr;
    }
    win::ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(control_.As(persist))) persist->InitNew();

    RECT client{};
    GetClientRect(hwnd_, &client);
    hr = oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this),
                            0, hwnd_, &client);
    if (FAILED(hr)) {
        Teardown();
        return hr;
    }
    oleObject_->DoVerb(OLEIVERB_SHOW, nullptr, static_cast<IOleClientSite*>(this), 0, hwnd_,
                       &client);
    if (!activeObject_) control_.As(activeObject_);
    return S_OK;
}

void AxHostSite::Teardown() {
    if (!control_ && !oleObject_) return;
    // Hold ourselves: the control may release the last reference to the site.
    // From the destructor there is nothing left to hold.
    bool hold = refs_ > 0;
    if (hold) AddRef();
    if (inPlaceObject_) inPlaceObject_->InPlaceDeactivate();
    inPlaceObject_.Reset();
    activeObject_.Reset();
    if (oleObject_) {
        oleObject_->Close(OLECLOSE_NOSAVE);
        oleObject_->SetClientSite(nullptr);
    }
    oleObject_.Reset();
    control_.Reset();
    if (hold) Release();
}

void AxHostSite::Resize(int width, int height) {
    if (!inPlaceObject_) return;
    RECT rect{0, 0, width, height};
    inPlaceObject_->SetObjectRects(&rect, &rect);
}

HWND AxHostSite::ControlWindow() const {
    HWND window = nullptr;
    if (!inPlaceObject_ || FAILED(inPlaceObject_->GetWindow(&window))) return nullptr;
    return window;
}

bool AxHostSite::ForwardMessage(MSG* msg) {
    if (!msg || !activeObject_) return false;
    return activeObject_->TranslateAccelerator(msg) == S_OK;
}

AxHostSite* SiteOf(HWND hwnd) {
    return reinterpret_cast<AxHostSite*>(GetWindowLongPtrW(hwnd, kSiteSlot));
}

LRESULT CALLBACK AxHostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    AxHostSite* site = SiteOf(hwnd);
    switch (message) {
    case WM_NCCREATE: {
        auto* created = new (std::nothrow) AxHostSite(hwnd);
        if (!created) return FALSE;
        SetWindowLongPtrW(hwnd, kSiteSlot, reinterpret_cast<LONG_PTR>(created));
        break;
    }
    case WM_CREATE: {
        if (!site) break;
        int length = GetWindowTextLengthW(hwnd);
        if (length <= 0) break;
        auto* text = static_cast<wchar_t*>(CoTaskMemAlloc((length + 1) * sizeof(wchar_t)));
        if (!text) break;
        GetWindowTextW(hwnd, text, length + 1);
        site->CreateFromText(text, nullptr);
        CoTaskMemFree(text);
        break;
    }
    case WM_SIZE:
        if (site) site->Resize(LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_SETFOCUS:
        // Keys belong to the control's own window, not to the frame around it.
        if (site) {
            HWND control = site->ControlWindow();
            if (control && IsWindow(control)) {
                SetFocus(control);
                return 0;
            }
        }
        break;
    case WM_ERASEBKGND:
        // The control covers the whole client area once it is there.
        if (site && site->Control()) return 1;
        break;
    case WM_FORWARDMSG:
        return site && site->ForwardMessage(reinterpret_cast<MSG*>(lParam)) ? 1 : 0;
    case WM_DESTROY:
        if (site) site->Teardown();
        break;
    case WM_NCDESTROY:
        if (site) {
            // A subclass may have kept WM_DESTROY from us.
            site->Teardown();
            SetWindowLongPtrW(hwnd, kSiteSlot, 0);
            site->Detach();
            site->Release();
        }
        break;
    default:
        if (message != 0 && message == g_msgGetHost) {
            if (!site) return 0;
            IUnknown* host = site->Identity();
            host->AddRef();
            return reinterpret_cast<LRESULT>(host);
        }
        if (message != 0 && message == g_msgGetControl) {
            return site ? reinterpret_cast<LRESULT>(site->Control()) : 0;
        }
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

bool AxHostRegister() {
    AcquireSRWLockExclusive(&g_registerLock);
    if (!g_registerDone) {
        g_registerDone = true;
        g_msgGetHost = RegisterWindowMessageW(L"WM_ATLGETHOST");
        g_msgGetControl = RegisterWindowMessageW(L"WM_ATLGETCONTROL");
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = AxHostWindowProc;
        wc.cbWndExtra = sizeof(LONG_PTR);
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kAxHostClassName;
        // Some other module may have registered the name for this process
        // already; then ours cannot take its place.
        bool classOk = RegisterClassExW(&wc) != 0;
        g_registered = classOk && g_msgGetHost != 0 && g_msgGetControl != 0;
    }
    bool ok = g_registered;
    ReleaseSRWLockExclusive(&g_registerLock);
    return ok;
}

UINT AxGetHostMessage() {
    AxHostRegister();
    return g_msgGetHost;
}

UINT AxGetControlMessage() {
    AxHostRegister();
    return g_msgGetControl;
}

HRESULT AxGetHost(HWND hwnd, IUnknown** host) {
    if (!host) return E_POINTER;
    *host = nullptr;
    UINT message = AxGetHostMessage();
    if (!hwnd || !message) return E_FAIL;
    // The answer already carries a reference for us.
    *host = reinterpret_cast<IUnknown*>(SendMessageW(hwnd, message, 0, 0));
    return *host ? S_OK : E_FAIL;
}

HRESULT AxGetControl(HWND hwnd, IUnknown** control) {
    if (!control) return E_POINTER;
    *control = nullptr;
    UINT message = AxGetControlMessage();
    if (!hwnd || !message) return E_FAIL;
    auto* borrowed = reinterpret_cast<IUnknown*>(SendMessageW(hwnd, message, 0, 0));
    if (!borrowed) return E_FAIL;
    borrowed->AddRef();
    *control = borrowed;
    return S_OK;
}

HRESULT ConnectEvents(IUnknown* source, REFIID iid, IUnknown* sink, DWORD* cookie) {
    if (!source || !sink || !cookie) return E_POINTER;
    win::ComPtr<IConnectionPointContainer> container;
    HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, container.PutVoid());
    if (FAILED(hr)) return hr;
    win::ComPtr<IConnectionPoint> point;
    hr = container->FindConnectionPoint(iid, point.Put());
    if (FAILED(hr)) return hr;
    if (!point) return E_FAIL;
    return point->Advise(sink, cookie);
}

HRESULT DisconnectEvents(IUnknown* source, REFIID iid, DWORD cookie) {
    if (!source) return E_POINTER;
    win::ComPtr<IConnectionPointContainer> container;
    HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, container.PutVoid());
    if (FAILED(hr)) return hr;
    win::ComPtr<IConnectionPoint> point;
    hr = container->FindConnectionPoint(iid, point.Put());
    if (FAILED(hr)) return hr;
    if (!point) return E_FAIL;
    return point->Unadvise(cookie);
}
