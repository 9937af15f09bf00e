// The ActiveX host window: a window class "AtlAxWin" whose windows create the
// web browser control from their text and host it in place, written directly
// against the window and COM functions so that it behaves the same wherever
// it runs (Wine's own host lacks the host interface and the messages).
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oaidl.h>

// Sent to a host window with lParam pointing at a MSG: the result is nonzero
// when the hosted control's accelerator translation consumed the message.
#ifndef WM_FORWARDMSG
#define WM_FORWARDMSG 0x037F
#endif

// The document-host UI questions in automation form, as a host consults them.
struct IDocHostUIHandlerDispatch : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD dwID, DWORD x, DWORD y,
                                                      IUnknown* pcmdtReserved,
                                                      IDispatch* pdispReserved,
                                                      HRESULT* dwRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHostInfo(DWORD* pdwFlags, DWORD* pdwDoubleClick) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowUI(DWORD dwID, IUnknown* pActiveObject,
                                             IUnknown* pCommandTarget, IUnknown* pFrame,
                                             IUnknown* pDoc, HRESULT* dwRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE HideUI() = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateUI() = 0;
    virtual HRESULT STDMETHODCALLTYPE EnableModeless(VARIANT_BOOL fEnable) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnDocWindowActivate(VARIANT_BOOL fActivate) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(VARIANT_BOOL fActivate) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResizeBorder(long left, long top, long right, long bottom,
                                                   IUnknown* pUIWindow,
                                                   VARIANT_BOOL fFrameWindow) = 0;
    virtual HRESULT STDMETHODCALLTYPE TranslateAccelerator(DWORD_PTR hWnd, DWORD nMessage,
                                                           DWORD_PTR wParam, DWORD_PTR lParam,
                                                           BSTR bstrGuidCmdGroup, DWORD nCmdID,
                                                           HRESULT* dwRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOptionKeyPath(BSTR* pbstrKey, DWORD dw) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDropTarget(IUnknown* pDropTarget,
                                                    IUnknown** ppDropTarget) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** ppDispatch) = 0;
    virtual HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD dwTranslate, BSTR bstrURLIn,
                                                   BSTR* pbstrURLOut) = 0;
    virtual HRESULT STDMETHODCALLTYPE FilterDataObject(IUnknown* pDO, IUnknown** ppDORet) = 0;
};
__CRT_UUID_DECL(IDocHostUIHandlerDispatch, 0x425b5af0, 0x65f1, 0x11d1, 0x96, 0x11, 0x00, 0x00, 0xf8,
                0x1e, 0x0d, 0x0d)

// The host object's own interface: creating or attaching a control and
// installing what the host offers the page.
struct IAxWinHostWindow : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateControl(LPCOLESTR lpTricsData, HWND hWnd,
                                                    IStream* pStream) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateControlEx(LPCOLESTR lpTricsData, HWND hWnd,
                                                      IStream* pStream, IUnknown** ppUnk,
                                                      REFIID riidAdvise, IUnknown* punkAdvise) = 0;
    virtual HRESULT STDMETHODCALLTYPE AttachControl(IUnknown* pUnkControl, HWND hWnd) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryControl(REFIID riid, void** ppvObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetExternalDispatch(IDispatch* pDisp) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetExternalUIHandler(IDocHostUIHandlerDispatch* pDisp) = 0;
};
__CRT_UUID_DECL(IAxWinHostWindow, 0xb6ea2050, 0x048a, 0x11d1, 0x82, 0xb9, 0x00, 0xc0, 0x4f, 0xb9,
                0x94, 0x2e)

constexpr wchar_t kAxHostClassName[] = L"AtlAxWin";

// Registers the host window class and the two registered messages, once per
// process; later calls only report the outcome of the first.
bool AxHostRegister();
// "WM_ATLGETHOST": the result is the host's IUnknown with a reference for
// the caller. "WM_ATLGETCONTROL": the hosted control's IUnknown, borrowed.
UINT AxGetHostMessage();
UINT AxGetControlMessage();

// The host object and the hosted control of a host window, each with a
// reference of the caller's own; E_FAIL when the window has none.
HRESULT AxGetHost(HWND hwnd, IUnknown** host);
HRESULT AxGetControl(HWND hwnd, IUnknown** control);

// Connects or disconnects an event sink through the source's connection point.
HRESULT ConnectEvents(IUnknown* source, REFIID iid, IUnknown* sink, DWORD* cookie);
HRESULT DisconnectEvents(IUnknown* source, REFIID iid, DWORD cookie);

// Creates a modeless dialog whose template may hold host windows.
HWND CreateAxDialog(HINSTANCE instance, UINT templateId, HWND parent, DLGPROC dlgProc,
                    LPARAM param);
