#include "support/fake_browser.h"

#include <exdispid.h>
#include <olectl.h>

namespace testing_support {

class FakeBrowser final : public IWebBrowser2,
                          public IOleObject,
                          public IOleInPlaceObject,
                          public IConnectionPointContainer,
                          public IConnectionPoint {
  public:
    explicit FakeBrowser(FakeBrowserClass* cls) : class_(cls) { cls->latest = this; }
    IDispatch* sink = nullptr; // the one connection's

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        IWebBrowser2* web = this;
        IOleInPlaceObject* place = this;
        IConnectionPoint* point = this;
        // clang-format off
        const std::pair<const IID*, void*> answers[] = {{&IID_IUnknown, web}, {&IID_IDispatch, web},
            {&IID_IWebBrowser, web}, {&IID_IWebBrowserApp, web}, {&IID_IWebBrowser2, web},
            {&IID_IOleObject, static_cast<IOleObject*>(this)}, {&IID_IOleWindow, place},
            {&IID_IOleInPlaceObject, place}, {&IID_IConnectionPoint, point},
            {&IID_IConnectionPointContainer, static_cast<IConnectionPointContainer*>(this)}};
        // clang-format on
        *ppv = nullptr;
        for (const auto& a : answers)
            if (riid == *a.first) *ppv = a.second;
        return *ppv ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG refs = --refs_;
        if (refs == 0) {
            Log(L"Release");
            if (class_->latest == this) class_->latest = nullptr;
            delete this;
        }
        return refs;
    }

    // IWebBrowser2: what a host and the main window call is recorded.
    STDMETHODIMP Navigate(BSTR url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
        Log(std::wstring(L"Navigate ") + (url ? url : L""));
        return S_OK;
    }
    STDMETHODIMP Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
        bool text = url && url->vt == VT_BSTR && url->bstrVal;
        Log(std::wstring(L"Navigate2 ") + (text ? url->bstrVal : L"?"));
        return S_OK;
    }
    STDMETHODIMP Refresh() override { return Log(L"Refresh"), S_OK; }
    // clang-format off
    IGNORED(put_Visible, VARIANT_BOOL); IGNORED(put_Silent, VARIANT_BOOL);
    IGNORED(put_RegisterAsBrowser, VARIANT_BOOL); NOT_IMPL(GetTypeInfoCount, UINT*);
    NOT_IMPL(GetTypeInfo, UINT, LCID, ITypeInfo**);
    NOT_IMPL(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*);
    NOT_IMPL(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*);
    NOT_IMPL(GoBack); NOT_IMPL(GoForward); NOT_IMPL(GoHome); NOT_IMPL(GoSearch);
    NOT_IMPL(Refresh2, VARIANT*); NOT_IMPL(Stop); NOT_IMPL(get_Application, IDispatch**);
    NOT_IMPL(get_Parent, IDispatch**); NOT_IMPL(get_Container, IDispatch**);
    NOT_IMPL(get_Document, IDispatch**); NOT_IMPL(get_TopLevelContainer, VARIANT_BOOL*);
    NOT_IMPL(get_Type, BSTR*); NOT_IMPL(get_Left, LONG*); NOT_IMPL(put_Left, LONG);
    NOT_IMPL(get_Top, LONG*); NOT_IMPL(put_Top, LONG); NOT_IMPL(get_Width, LONG*);
    NOT_IMPL(put_Width, LONG); NOT_IMPL(get_Height, LONG*); NOT_IMPL(put_Height, LONG);
    NOT_IMPL(get_LocationName, BSTR*); NOT_IMPL(get_LocationURL, BSTR*);
    NOT_IMPL(get_Busy, VARIANT_BOOL*); NOT_IMPL(Quit); NOT_IMPL(ClientToWindow, int*, int*);
    NOT_IMPL(PutProperty, BSTR, VARIANT); NOT_IMPL(GetProperty, BSTR, VARIANT*);
    NOT_IMPL(get_Name, BSTR*); NOT_IMPL(get_HWND, SHANDLE_PTR*); NOT_IMPL(get_FullName, BSTR*);
    NOT_IMPL(get_Path, BSTR*); NOT_IMPL(get_Visible, VARIANT_BOOL*);
    NOT_IMPL(get_StatusBar, VARIANT_BOOL*); NOT_IMPL(put_StatusBar, VARIANT_BOOL);
    NOT_IMPL(get_StatusText, BSTR*); NOT_IMPL(put_StatusText, BSTR); NOT_IMPL(get_ToolBar, int*);
    NOT_IMPL(put_ToolBar, int); NOT_IMPL(get_MenuBar, VARIANT_BOOL*);
    NOT_IMPL(put_MenuBar, VARIANT_BOOL); NOT_IMPL(get_FullScreen, VARIANT_BOOL*);
    NOT_IMPL(put_FullScreen, VARIANT_BOOL); NOT_IMPL(QueryStatusWB, OLECMDID, OLECMDF*);
    NOT_IMPL(ExecWB, OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*);
    NOT_IMPL(ShowBrowserBar, VARIANT*, VARIANT*, VARIANT*); NOT_IMPL(get_ReadyState, READYSTATE*);
    NOT_IMPL(get_Offline, VARIANT_BOOL*); NOT_IMPL(put_Offline, VARIANT_BOOL);
    NOT_IMPL(get_Silent, VARIANT_BOOL*); NOT_IMPL(get_RegisterAsBrowser, VARIANT_BOOL*);
    NOT_IMPL(get_RegisterAsDropTarget, VARIANT_BOOL*);
    NOT_IMPL(put_RegisterAsDropTarget, VARIANT_BOOL); NOT_IMPL(get_TheaterMode, VARIANT_BOOL*);
    NOT_IMPL(put_TheaterMode, VARIANT_BOOL); NOT_IMPL(get_AddressBar, VARIANT_BOOL*);
    NOT_IMPL(put_AddressBar, VARIANT_BOOL); NOT_IMPL(get_Resizable, VARIANT_BOOL*);
    NOT_IMPL(put_Resizable, VARIANT_BOOL);
    // clang-format on

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        if (!site) Log(L"SetClientSite(null)");
        if (site) site->AddRef();
        if (site_) site_->Release();
        site_ = site;
        return S_OK;
    }
    STDMETHODIMP Close(DWORD) override {
        Log(WindowLost() ? L"Close after its window was destroyed" : L"Close");
        return S_OK;
    }
    // Becomes active in place as a real control does: a window of its own
    // inside the host's, announced to the site.
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT) override {
        if (verb != OLEIVERB_INPLACEACTIVATE || window_ || !site_) return S_OK;
        window_ = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        return TellSite(true);
    }
    // clang-format off
    NOT_IMPL(GetClientSite, IOleClientSite**); NOT_IMPL(SetHostNames, LPCOLESTR, LPCOLESTR);
    NOT_IMPL(SetMoniker, DWORD, IMoniker*); NOT_IMPL(GetMoniker, DWORD, DWORD, IMoniker**);
    NOT_IMPL(InitFromData, IDataObject*, BOOL, DWORD);
    NOT_IMPL(GetClipboardData, DWORD, IDataObject**); NOT_IMPL(EnumVerbs, IEnumOLEVERB**);
    NOT_IMPL(Update); NOT_IMPL(IsUpToDate); NOT_IMPL(GetUserClassID, CLSID*);
    NOT_IMPL(GetUserType, DWORD, LPOLESTR*); NOT_IMPL(SetExtent, DWORD, SIZEL*);
    NOT_IMPL(GetExtent, DWORD, SIZEL*); NOT_IMPL(Advise, IAdviseSink*, DWORD*);
    NOT_IMPL(EnumAdvise, IEnumSTATDATA**); NOT_IMPL(GetMiscStatus, DWORD, DWORD*);
    NOT_IMPL(SetColorScheme, LOGPALETTE*);
    // clang-format on

    // IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* hwnd) override {
        *hwnd = window_;
        return window_ ? S_OK : E_FAIL;
    }
    NOT_IMPL(ContextSensitiveHelp, BOOL);
    STDMETHODIMP InPlaceDeactivate() override {
        Log(WindowLost() ? L"InPlaceDeactivate after its window was destroyed"
                         : L"InPlaceDeactivate");
        if (!window_) return S_OK;
        if (IsWindow(window_)) DestroyWindow(window_);
        window_ = nullptr;
        TellSite(false);
        return S_OK;
    }
    NOT_IMPL(UIDeactivate);
    IGNORED(SetObjectRects, LPCRECT, LPCRECT);
    NOT_IMPL(ReactivateAndUndo);

    // IConnectionPointContainer: DWebBrowserEvents2 only.
    NOT_IMPL(EnumConnectionPoints, IEnumConnectionPoints**);
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
        *point = nullptr;
        if (riid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
        *point = this;
        AddRef();
        return S_OK;
    }

    // IConnectionPoint: DWebBrowserEvents2, one sink at a time. Its Unadvise
    // also stands for IOleObject's, which no host here calls.
    NOT_IMPL(GetConnectionInterface, IID*);
    NOT_IMPL(GetConnectionPointContainer, IConnectionPointContainer**);
    NOT_IMPL(EnumConnections, IEnumConnections**);
    STDMETHODIMP Advise(IUnknown* unknown, DWORD* cookie) override {
        if (sink || !unknown || !cookie) return CONNECT_E_ADVISELIMIT;
        if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink))))
            return CONNECT_E_CANNOTCONNECT;
        *cookie = 1;
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD cookie) override {
        if (!sink || cookie != 1) return CONNECT_E_NOCONNECTION;
        Log(L"Unadvise");
        sink->Release();
        sink = nullptr;
        return S_OK;
    }

  private:
    ~FakeBrowser() {
        if (site_) site_->Release();
        if (sink) sink->Release();
    }
    void Log(const std::wstring& call) { class_->log.push_back(call); }
    // Tells an in-place site that the control went active or inactive in place.
    HRESULT TellSite(bool active) {
        IOleInPlaceSite* inPlace = nullptr;
        if (!site_ ||
            FAILED(site_->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace))))
            return E_FAIL;
        active ? inPlace->OnInPlaceActivate() : inPlace->OnInPlaceDeactivate();
        inPlace->Release();
        return S_OK;
    }
    // Whether the window made at activation was destroyed under the control:
    // the system destroys it with the host's, so a control taken down late
    // finds it gone.
    bool WindowLost() const { return window_ && !IsWindow(window_); }

    FakeBrowserClass* class_;
    ULONG refs_ = 1;
    IOleClientSite* site_ = nullptr;
    HWND window_ = nullptr;
};

STDMETHODIMP FakeBrowserClass::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* browser = new FakeBrowser(this);
    HRESULT hr = static_cast<IWebBrowser2*>(browser)->QueryInterface(riid, ppv);
    static_cast<IWebBrowser2*>(browser)->Release();
    return hr;
}

HRESULT FireBrowserEvent(IDispatch* sink, DISPID id) {
    DISPPARAMS none{};
    return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                        nullptr);
}

void FakeBrowserClass::FireDocumentComplete() {
    if (latest && latest->sink) FireBrowserEvent(latest->sink, DISPID_DOCUMENTCOMPLETE);
}

} // namespace testing_support
