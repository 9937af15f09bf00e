#include "web/host_ui_handler.h"

#include <new>

HostUiHandler::HostUiHandler(IDispatch* external)
    : external_(win::ComPtr<IDispatch>::Share(external)) {}

STDMETHODIMP HostUiHandler::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch ||
        riid == __uuidof(IDocHostUIHandlerDispatch)) {
        *ppv = static_cast<IDocHostUIHandlerDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) HostUiHandler::Release() {
    ULONG refs = --refs_;
    if (refs == 0) delete this;
    return refs;
}

STDMETHODIMP HostUiHandler::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP HostUiHandler::ShowContextMenu(DWORD, DWORD, DWORD, IUnknown*, IDispatch*,
                                            HRESULT* result) {
    // S_OK tells the host that the menu was handled: none is shown.
    if (result) *result = S_OK;
    return S_OK;
}

STDMETHODIMP HostUiHandler::GetHostInfo(DWORD* flags, DWORD* doubleClick) {
    if (flags) *flags |= kHostFlags;
    if (doubleClick) *doubleClick = 0;
    return S_OK;
}

STDMETHODIMP HostUiHandler::GetExternal(IDispatch** external) {
    if (!external) return E_POINTER;
    *external = external_.Get();
    if (*external) (*external)->AddRef();
    return S_OK;
}

win::ComPtr<HostUiHandler> CreateHostUiHandler(IDispatch* external) {
    return win::ComPtr<HostUiHandler>::Adopt(new (std::nothrow) HostUiHandler(external));
}
