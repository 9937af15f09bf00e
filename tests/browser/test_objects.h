// Small helpers of the browser tests: a counted IDispatch that stands in for
// the page's external object or an event sink, OLE for the test's thread, and
// a parent window that counts the private messages it receives.
#pragma once

#include "core/messages.h"

#include <windows.h>
#include <exdisp.h>
#include <ole2.h>

#include <gtest/gtest.h>

class CountedDispatch final : public IDispatch {
  public:
    ULONG refs = 1;
    int invokes = 0; // calls of Invoke, such as the control's events
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    // Stack-allocated: never deleted through Release.
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        ++invokes;
        return S_OK;
    }
};

class OleTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

// A top-level window that counts the messages 3024 and 3026.
class ParentWindow {
  public:
    ParentWindow();
    ~ParentWindow();
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;
    HWND Get() const { return hwnd_; }
    int pageLoaded = 0;
    int refreshPage = 0;

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

inline LRESULT CALLBACK ParentWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ParentWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && message == WM_PAGE_LOADED) {
        ++self->pageLoaded;
        return 0;
    }
    if (self && message == WM_REFRESH_PAGE) {
        ++self->refreshPage;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

inline ParentWindow::ParentWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BrowserTestParent";
    RegisterClassExW(&wc); // a second registration fails harmlessly
    hwnd_ = CreateWindowExW(0, L"BrowserTestParent", L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (hwnd_) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

inline ParentWindow::~ParentWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}
