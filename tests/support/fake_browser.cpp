#include "support/fake_browser.h"
#include "win/com_ptr.h"

#include <exdispid.h>
#include <olectl.h>

#include <initializer_list>
#include <utility>

namespace testing_support {

// Each of the control's interfaces is a table of slots in the interface's
// order (0-2 IUnknown's) pointing back to the control, so that the members no
// host calls share one stub. On x86_64, with one calling convention, a stub
// without parameters stands for any member.
static_assert(sizeof(void*) == 8, "the stubs need the x86_64 calling convention");
using Slot = void (*)();
struct Part {
    const Slot* slots;
    FakeBrowser* owner;
};
template <auto Member> struct Thunk;
template <class R, class... A, R (FakeBrowser::*Member)(A...)> struct Thunk<Member> {
    static R STDMETHODCALLTYPE Call(Part* self, A... a) { return (self->owner->*Member)(a...); }
};
template <auto Member> Slot S() {
    return reinterpret_cast<Slot>(&Thunk<Member>::Call);
}

struct FakeBrowser {
    explicit FakeBrowser(FakeBrowserClass* owner);

    HRESULT QueryInterface(REFIID riid, void** ppv) {
        // What the hosts ask for.
        const std::pair<const IID*, Part*> answers[] = {
            {&IID_IUnknown, &ole},           {&IID_IWebBrowser2, &web},
            {&IID_IOleObject, &ole},         {&IID_IOleInPlaceObject, &place},
            {&IID_IConnectionPoint, &point}, {&IID_IConnectionPointContainer, &points}};
        *ppv = nullptr;
        for (const auto& a : answers)
            if (riid == *a.first) *ppv = a.second;
        return *ppv ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    ULONG AddRef() { return ++refs; }
    ULONG Release() {
        ULONG left = --refs;
        if (left == 0) {
            Log(L"Release");
            if (cls->latest == this) cls->latest = nullptr;
            delete this;
        }
        return left;
    }

    // IWebBrowser2: what a host and the main window call is recorded.
    HRESULT Navigate(BSTR url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
        Log(std::wstring(L"Navigate ") + (url ? url : L""));
        return S_OK;
    }
    HRESULT Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
        bool text = url && url->vt == VT_BSTR && url->bstrVal;
        Log(std::wstring(L"Navigate2 ") + (text ? url->bstrVal : L"?"));
        return S_OK;
    }
    HRESULT Refresh() { return Log(L"Refresh"), S_OK; }

    // IOleObject
    HRESULT SetClientSite(IOleClientSite* newSite) {
        if (!newSite) Log(L"SetClientSite(null)");
        site = win::ComPtr<IOleClientSite>::Share(newSite);
        return S_OK;
    }
    HRESULT Close(DWORD) {
        Log(WindowLost() ? L"Close after its window was destroyed" : L"Close");
        return S_OK;
    }
    // Becomes active in place as a real control does: a window of its own
    // inside the host's, announced to the site.
    HRESULT DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT) {
        if (verb != OLEIVERB_INPLACEACTIVATE || window || !site) return S_OK;
        window = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        return TellSite(true);
    }

    // IOleInPlaceObject
    HRESULT GetWindow(HWND* hwnd) {
        *hwnd = window;
        return window ? S_OK : E_FAIL;
    }
    HRESULT InPlaceDeactivate() {
        Log(WindowLost() ? L"InPlaceDeactivate after its window was destroyed"
                         : L"InPlaceDeactivate");
        if (!window) return S_OK;
        if (IsWindow(window)) DestroyWindow(window);
        window = nullptr;
        TellSite(false);
        return S_OK;
    }

    // IConnectionPointContainer: DWebBrowserEvents2 only.
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** found) {
        *found = nullptr;
        if (riid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
        return QueryInterface(IID_IConnectionPoint, reinterpret_cast<void**>(found));
    }

    // IConnectionPoint: DWebBrowserEvents2, one sink at a time. Its Unadvise
    // also stands for IOleObject's, which no host here calls.
    HRESULT Advise(IUnknown* unknown, DWORD* cookie) {
        if (sink || !unknown || !cookie) return CONNECT_E_ADVISELIMIT;
        if (FAILED(unknown->QueryInterface(IID_IDispatch, sink.PutVoid())))
            return CONNECT_E_CANNOTCONNECT;
        *cookie = 1;
        return S_OK;
    }
    HRESULT Unadvise(DWORD cookie) {
        if (!sink || cookie != 1) return CONNECT_E_NOCONNECTION;
        Log(L"Unadvise");
        sink.Reset();
        return S_OK;
    }

    void Log(const std::wstring& call) { cls->log.push_back(call); }
    // Tells an in-place site that the control went active or inactive in place.
    HRESULT TellSite(bool active) {
        win::ComPtr<IOleInPlaceSite> inPlace;
        if (!site || FAILED(site.As(inPlace))) return E_FAIL;
        active ? inPlace->OnInPlaceActivate() : inPlace->OnInPlaceDeactivate();
        return S_OK;
    }
    // Whether the window made at activation was destroyed under the control:
    // the system destroys it with the host's, so a control taken down late
    // finds it gone.
    bool WindowLost() const { return window && !IsWindow(window); }

    FakeBrowserClass* cls;
    ULONG refs = 1;
    win::ComPtr<IOleClientSite> site;
    win::ComPtr<IDispatch> sink; // the one connection's
    HWND window = nullptr;
    Part web, ole, place, points, point;
};

namespace {

// A table of count slots: IUnknown's, the given ones, E_NOTIMPL for the rest.
const Slot* Slots(size_t count, std::initializer_list<std::pair<size_t, Slot>> given) {
    auto* slots = new Slot[count]; // kept for the process, like a compiled table
    for (size_t i = 0; i < count; ++i)
        slots[i] = reinterpret_cast<Slot>(+[] { return E_NOTIMPL; });
    slots[0] = S<&FakeBrowser::QueryInterface>();
    slots[1] = S<&FakeBrowser::AddRef>();
    slots[2] = S<&FakeBrowser::Release>();
    for (const auto& g : given)
        slots[g.first] = g.second;
    return slots;
}

// put_Visible, put_Silent, put_RegisterAsBrowser and SetObjectRects succeed.
const Slot kOk = reinterpret_cast<Slot>(+[] { return S_OK; });
// clang-format off
const Slot* const kWeb = Slots(71, {{11, S<&FakeBrowser::Navigate>()},
    {12, S<&FakeBrowser::Refresh>()}, {52, S<&FakeBrowser::Navigate2>()}, {41, kOk}, {60, kOk},
    {62, kOk}});
const Slot* const kOle = Slots(24, {{3, S<&FakeBrowser::SetClientSite>()},
    {6, S<&FakeBrowser::Close>()}, {11, S<&FakeBrowser::DoVerb>()}});
const Slot* const kPlace = Slots(9, {{3, S<&FakeBrowser::GetWindow>()},
    {5, S<&FakeBrowser::InPlaceDeactivate>()}, {7, kOk}});
const Slot* const kPoints = Slots(5, {{4, S<&FakeBrowser::FindConnectionPoint>()}});
const Slot* const kPoint = Slots(8, {{5, S<&FakeBrowser::Advise>()},
    {6, S<&FakeBrowser::Unadvise>()}});
// clang-format on

} // namespace

FakeBrowser::FakeBrowser(FakeBrowserClass* owner)
    : cls(owner), web{kWeb, this}, ole{kOle, this}, place{kPlace, this}, points{kPoints, this},
      point{kPoint, this} {
    cls->latest = this;
}

STDMETHODIMP FakeBrowserClass::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* browser = new FakeBrowser(this);
    HRESULT hr = browser->QueryInterface(riid, ppv);
    browser->Release();
    return hr;
}

HRESULT FireBrowserEvent(IDispatch* sink, DISPID id) {
    DISPPARAMS none{};
    return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                        nullptr);
}

void FakeBrowserClass::FireDocumentComplete() {
    if (latest && latest->sink) FireBrowserEvent(latest->sink.Get(), DISPID_DOCUMENTCOMPLETE);
}

} // namespace testing_support
