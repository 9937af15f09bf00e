// The two interfaces of control hosting that the web browser control's hosts
// share: the document-host UI questions in automation form, and the host
// object's own interface. Declared here because MinGW ships no ATL headers.
#pragma once

#include <windows.h>
#include <oaidl.h>

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
