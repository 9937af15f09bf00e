#include "web/host_ui_handler.h"

#include "browser/test_objects.h"

namespace {

TEST(HostUiHandler, ReferencesAndOneIdentityForItsThreeInterfaces) {
    CountedDispatch external;
    auto handler = CreateHostUiHandler(&external);
    ASSERT_TRUE(handler);
    EXPECT_EQ(external.refs, 2u);
    EXPECT_EQ(handler->AddRef(), 2u);
    EXPECT_EQ(handler->Release(), 1u);
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
    auto handler = CreateHostUiHandler(nullptr);

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

} // namespace
