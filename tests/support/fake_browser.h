// A recording stand-in for the web browser control. While a FakeBrowserClass
// is registered, CoCreateInstance of CLSID_WebBrowser on this thread creates
// it, so hosts and windows run unchanged against a control whose calls can be
// read back in order.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <ole2.h>

#include <string>
#include <vector>

// Members of COM fakes that answer E_NOTIMPL or S_OK whatever they are given.
// clang-format off
#define NOT_IMPL(name, ...) STDMETHODIMP name(__VA_ARGS__) override { return E_NOTIMPL; }
#define IGNORED(name, ...) STDMETHODIMP name(__VA_ARGS__) override { return S_OK; }
// clang-format on

namespace testing_support {

struct FakeBrowser;

class FakeBrowserClass final : public IClassFactory {
  public:
    FakeBrowserClass() {
        CoRegisterClassObject(CLSID_WebBrowser, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                              &cookie_);
    }
    ~FakeBrowserClass() {
        if (cookie_) CoRevokeClassObject(cookie_);
    }
    FakeBrowserClass(const FakeBrowserClass&) = delete;
    FakeBrowserClass& operator=(const FakeBrowserClass&) = delete;

    // Every call the controls received, in order ("Navigate2 <url>", "Close"...).
    std::vector<std::wstring> log;
    // The control created last, while it lives.
    FakeBrowser* latest = nullptr;
    // Sends DocumentComplete to the sink advised on the latest control.
    void FireDocumentComplete();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown || riid == IID_IClassFactory ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

  private:
    DWORD cookie_ = 0;
};

// Calls a browser event sink for an event as the control does, leaving out
// the event's arguments, which the hosts here do not read.
HRESULT FireBrowserEvent(IDispatch* sink, DISPID id);

} // namespace testing_support
