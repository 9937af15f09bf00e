// The child window that holds the web browser control: a host window whose
// creation and destruction we watch, a sink for the control's document events,
// the page's external object and UI handler installed in the host, and the
// message filter that turns F5 into a refresh request.
#pragma once

#include "core/message_loop.h"
#include "win/com_ptr.h"

#include <windows.h>
#include <exdisp.h>

class BrowserHost : public MessageFilter {
  public:
    static constexpr DWORD kNoCookie = 0xFEFEFEFE;
    static constexpr DISPID kDispidDocumentComplete = 259;

    BrowserHost();
    ~BrowserHost();
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;

    // Creates the host window as a visible child of the parent, with the URL
    // as its text; the control starts loading it at once. The page's external
    // object sends its requests to the parent.
    HWND Create(HWND parent, const wchar_t* url);
    // Opens url in the control; nothing without a control.
    void Navigate(const wchar_t* url);
    void Refresh();
    HWND Window() const { return hwnd_; }
    // The control, or null when none could be obtained.
    IWebBrowser2* Browser() const { return browser_.Get(); }
    DWORD Cookie() const { return cookie_; }
    // The object the control calls for its events.
    IDispatch* EventSink() { return &sink_; }

    // Called for every message of the thread before it is dispatched.
    bool PreTranslateMessage(MSG* msg) override;

  private:
    class Sink final : public IDispatch {
      public:
        explicit Sink(BrowserHost* owner) : owner_(owner) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
        // Lives inside its BrowserHost, which outlives every connection.
        STDMETHODIMP_(ULONG) AddRef() override { return 2; }
        STDMETHODIMP_(ULONG) Release() override { return 1; }
        STDMETHODIMP GetTypeInfoCount(UINT* count) override;
        STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
        STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
        STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                            UINT*) override;

      private:
        BrowserHost* owner_;
    };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void InstallPageObjects(HWND parent);
    void OnDocumentComplete();

    HWND hwnd_ = nullptr;
    WNDPROC superProc_ = nullptr;
    win::ComPtr<IWebBrowser2> browser_;
    DWORD cookie_ = kNoCookie;
    Sink sink_;
};

// Creates a modeless dialog whose template may hold browser host windows.
HWND CreateAxDialog(HINSTANCE instance, UINT templateId, HWND parent, DLGPROC dlgProc,
                    LPARAM param);
