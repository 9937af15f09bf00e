// What the browser host asks about how the page is presented: no context
// menu, no 3-D border, no scroll bars, themed controls, and the page's
// external object. Everything else keeps the host's defaults.
#pragma once

#include "web/ax_host_interfaces.h"
#include "win/com_ptr.h"

class HostUiHandler final : public IDocHostUIHandlerDispatch {
  public:
    // DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO | DOCHOSTUIFLAG_THEME
    static constexpr DWORD kHostFlags = 0x0004000C;

    explicit HostUiHandler(IDispatch* external);
    HostUiHandler(const HostUiHandler&) = delete;
    HostUiHandler& operator=(const HostUiHandler&) = delete;

    IDispatch* External() const { return external_.Get(); }

    // IUnknown: a single-threaded object.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch: the host calls the methods directly, so there is no type information.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        return E_NOTIMPL;
    }

    // IDocHostUIHandlerDispatch
    STDMETHODIMP ShowContextMenu(DWORD, DWORD, DWORD, IUnknown*, IDispatch*,
                                 HRESULT* result) override;
    STDMETHODIMP GetHostInfo(DWORD* flags, DWORD* doubleClick) override;
    STDMETHODIMP ShowUI(DWORD, IUnknown*, IUnknown*, IUnknown*, IUnknown*, HRESULT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP HideUI() override { return E_NOTIMPL; }
    STDMETHODIMP UpdateUI() override { return E_NOTIMPL; }
    STDMETHODIMP EnableModeless(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP OnDocWindowActivate(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP OnFrameWindowActivate(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP ResizeBorder(long, long, long, long, IUnknown*, VARIANT_BOOL) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP TranslateAccelerator(DWORD_PTR, DWORD, DWORD_PTR, DWORD_PTR, BSTR, DWORD,
                                      HRESULT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetOptionKeyPath(BSTR*, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDropTarget(IUnknown*, IUnknown**) override { return E_NOTIMPL; }
    STDMETHODIMP GetExternal(IDispatch** external) override;
    STDMETHODIMP TranslateUrl(DWORD, BSTR, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP FilterDataObject(IUnknown*, IUnknown**) override { return E_NOTIMPL; }

  private:
    ~HostUiHandler() = default;

    ULONG refs_ = 1;
    win::ComPtr<IDispatch> external_;
};

// A handler that offers the given object (may be null) to the page; the
// caller holds its only reference. Null when memory runs out.
win::ComPtr<HostUiHandler> CreateHostUiHandler(IDispatch* external);
