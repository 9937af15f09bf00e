#include "web/host_ui_handler.h"

#include "browser/test_objects.h"

namespace {

TEST(HostUiHandler, StartsAtZeroAndFreesItselfWithTheLastReference) {
    CountedDispatch external;
    HostUiHandler* raw = nullptr;
    ASSERT_EQ(CreateHostUiHandler(&external, &raw), S_OK);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(external.refs, 2u);
    EXPECT_EQ(raw->AddRef(), 1u);
    EXPECT_EQ(raw->External(), &external);
    EXPECT_EQ(raw->Release(), 0u);
    EXPECT_EQ(external.refs, 1u);
}

TEST(HostUiHandler, AnswersItsThreeInterfacesWithOneIdentity) {
    CountedDispatch external;
    HostUiHandler* raw = nullptr;
    ASSERT_EQ(CreateHostUiHandler(&external, &raw), S_OK);
    auto handler = win::ComPtr<HostUiHandler>::Share(raw);
    win::ComPtr<IUnknown> unknown;
    win::ComPtr<IDispatch> dispatch;
    win::ComPtr<IDocHostUIHandlerDispatch> ui;
    ASSERT_EQ(handler->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
    ASSERT_EQ(handler->QueryInterface(IID_IDispatch, dispatch.PutVoid()), S_OK);
    ASSERT_EQ(handler->QueryInterface(__uuidof(IDocHostUIHandlerDispatch), ui.PutVoid()), S_OK);
    win::ComPtr<IUnknown> back;
    ASSERT_EQ(dispatch.As(back), S_OK);
    EXPECT_EQ(back.Get(), unknown.Get());
    ASSERT_EQ(ui.As(back), S_OK);
    EXPECT_EQ(back.Get(), unknown.Get());
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(handler->QueryInterface(IID_IOleClientSite, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    back.Reset();
    ui.Reset();
    dispatch.Reset();
    unknown.Reset();
    EXPECT_EQ(handler->AddRef(), 2u);
    EXPECT_EQ(handler->Release(), 1u);
    handler.Reset();
    EXPECT_EQ(external.refs, 1u);
}

TEST(HostUiHandler, PresentationAnswers) {
    HostUiHandler* raw = nullptr;
    ASSERT_EQ(CreateHostUiHandler(nullptr, &raw), S_OK);
    auto handler = win::ComPtr<HostUiHandler>::Share(raw);

    HRESULT result = E_FAIL;
    EXPECT_EQ(handler->ShowContextMenu(0, 1, 2, nullptr, nullptr, &result), S_OK);
    EXPECT_EQ(result, S_OK);

    DWORD flags = 0x1;
    DWORD doubleClick = 2;
    EXPECT_EQ(handler->GetHostInfo(&flags, &doubleClick), S_OK);
    EXPECT_EQ(flags, 0x0004000Du);
    EXPECT_EQ(doubleClick, 0u);

    // No external object: null is handed out.
    IDispatch* external = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(handler->GetExternal(&external), S_OK);
    EXPECT_EQ(external, nullptr);
    EXPECT_EQ(handler->GetExternal(nullptr), E_POINTER);
}

TEST(HostUiHandler, GetExternalHandsOutAReference) {
    CountedDispatch external;
    HostUiHandler* raw = nullptr;
    ASSERT_EQ(CreateHostUiHandler(&external, &raw), S_OK);
    auto handler = win::ComPtr<HostUiHandler>::Share(raw);
    IDispatch* got = nullptr;
    EXPECT_EQ(handler->GetExternal(&got), S_OK);
    EXPECT_EQ(got, &external);
    EXPECT_EQ(external.refs, 3u);
    got->Release();
}

TEST(HostUiHandler, EverythingElseIsLeftToTheHostAndTouchesNothing) {
    HostUiHandler* raw = nullptr;
    ASSERT_EQ(CreateHostUiHandler(nullptr, &raw), S_OK);
    auto handler = win::ComPtr<HostUiHandler>::Share(raw);
    HRESULT untouched = 0x12345678;
    BSTR text = reinterpret_cast<BSTR>(1);
    IUnknown* unknown = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(handler->ShowUI(0, nullptr, nullptr, nullptr, nullptr, &untouched), E_NOTIMPL);
    EXPECT_EQ(handler->HideUI(), E_NOTIMPL);
    EXPECT_EQ(handler->UpdateUI(), E_NOTIMPL);
    EXPECT_EQ(handler->EnableModeless(VARIANT_TRUE), E_NOTIMPL);
    EXPECT_EQ(handler->OnDocWindowActivate(VARIANT_TRUE), E_NOTIMPL);
    EXPECT_EQ(handler->OnFrameWindowActivate(VARIANT_TRUE), E_NOTIMPL);
    EXPECT_EQ(handler->ResizeBorder(0, 0, 1, 1, nullptr, VARIANT_TRUE), E_NOTIMPL);
    EXPECT_EQ(handler->TranslateAccelerator(0, WM_KEYDOWN, VK_F5, 0, nullptr, 0, &untouched),
              E_NOTIMPL);
    EXPECT_EQ(handler->GetOptionKeyPath(&text, 0), E_NOTIMPL);
    EXPECT_EQ(handler->GetDropTarget(nullptr, &unknown), E_NOTIMPL);
    EXPECT_EQ(handler->TranslateUrl(0, nullptr, &text), E_NOTIMPL);
    EXPECT_EQ(handler->FilterDataObject(nullptr, &unknown), E_NOTIMPL);
    EXPECT_EQ(untouched, static_cast<HRESULT>(0x12345678));
    EXPECT_EQ(text, reinterpret_cast<BSTR>(1));
    EXPECT_EQ(unknown, reinterpret_cast<IUnknown*>(1));

    UINT count = 7;
    EXPECT_EQ(handler->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
}

} // namespace
