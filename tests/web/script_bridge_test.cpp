// The bridge as the page reaches it: through jscript with the bridge as the
// named item "external", and through its COM interfaces directly.
#include <gtest/gtest.h>

#include <dispex.h>

#include <string>
#include <vector>

#include "core/messages.h"
#include "web/script_bridge.h"
#include "web/start_game.h"
#include "support/test_support.h"
#include "web_test_util.h"
#include "win/com_ptr.h"

namespace {

using webtest::MessageBoxRecorder;
using webtest::RunScript;
using webtest::StartGameReceiver;

class ScriptBridgeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_NE(receiver_.Window(), nullptr);
        bridge_ = ScriptBridge::Create(receiver_.Window());
        ASSERT_TRUE(bridge_);
    }
    void TearDown() override {
        bridge_.Reset();
        CoUninitialize();
    }

    // Runs one statement; expects the engine to accept it.
    void Run(const std::wstring& code) {
        bool scriptError = true;
        EXPECT_EQ(RunScript(bridge_.Get(), code, &scriptError), S_OK) << code;
        EXPECT_FALSE(scriptError) << code;
    }

    StartGameReceiver receiver_;
    MessageBoxRecorder box_;
    win::ComPtr<ScriptBridge> bridge_;
};

// What the page's script does, and what reaches the main window.
TEST_F(ScriptBridgeTest, ScriptCallsTable) {
    struct Case {
        const wchar_t* script;
        std::vector<std::wstring> urls;
        int boxes;
    } cases[] = {
        {LR"(external.StartGame('{"result":"ok","url":"http:\/\/127.0.0.1\/game"}');)",
         {L"http://127.0.0.1/game"},
         0},
        // The script's own string turns \\ into \, so the bridge sees \" and \u.
        {LR"(external.StartGame('{"result":"Ok","url":"http://h/a\\"b\\u0041"}');)",
         {L"http://h/a\"bu0041"},
         0},
        // Only a web address moves the launcher; anything else is an error.
        {LR"(external.StartGame('{"result":"ok","url":"javascript:x=1"}');)", {}, 1},
        {LR"(external.StartGame('{"result":"okay","url":"u"}');)", {}, 1},
        // Only a string is read, and only the last argument.
        {L"external.StartGame(42); external.StartGame(null); external.StartGame();", {}, 0},
        {L"external.StartGame({result: 'ok'});", {}, 0},
        {LR"(external.StartGame('ignored', '{"result":"ok","url":"http://h/2"}');)",
         {L"http://h/2"},
         0},
        {LR"(external.StartGame('{"result":"ok","url":"first"}', 7);)", {}, 0},
        // Each call hands over a buffer of its own.
        {LR"(external.StartGame('{"result":"ok","url":"http://a/"}');
             external.StartGame('{"result":"OK","url":"http://b/"}');)",
         {L"http://a/", L"http://b/"},
         0},
        {L"external.CleanCache(); external.CleanCache(1, 'two', null);", {}, 0},
    };
    for (const Case& c : cases) {
        StartGameReceiver receiver;
        bridge_ = ScriptBridge::Create(receiver.Window());
        int boxesBefore = box_.Count();
        Run(c.script);
        std::vector<std::wstring> urls;
        for (const auto& r : receiver.Received())
            urls.push_back(r.url);
        EXPECT_EQ(urls, c.urls) << c.script;
        EXPECT_EQ(box_.Count() - boxesBefore, c.boxes) << c.script;
    }
    EXPECT_TRUE(box_.LastWasPlainError());
}

// The demo's start page, its own script text, against the real bridge: the
// JSON it builds by hand must be what StartGame accepts.
TEST_F(ScriptBridgeTest, DemoStartPageStartsItsGamePage) {
    std::string page;
    ASSERT_TRUE(
        testing_support::ReadFileBytes(testing_support::SourcePath("demo/pages/index.html"), page));
    size_t open = page.find("<script>");
    size_t close = page.find("</script>");
    ASSERT_TRUE(open != std::string::npos && close != std::string::npos && open < close);
    open += 8;
    Run(L"var window = {external: external};" +
        testing_support::Widen(page.substr(open, close - open)) +
        LR"(play("http://127.0.0.1:8000/lmwd/index.html?version=2&fn=a\\b");)");
    ASSERT_EQ(receiver_.Received().size(), 1u);
    EXPECT_EQ(receiver_.Received()[0].url,
              LR"(http://127.0.0.1:8000/lmwd/game.html?version=2&fn=a\b)");
    EXPECT_EQ(box_.Count(), 0);
}

TEST_F(ScriptBridgeTest, LongUrlArrivesWhole) {
    std::wstring longUrl = L"http://127.0.0.1/";
    while (longUrl.size() < 2500)
        longUrl += L"0123456789";
    Run(LR"(external.StartGame('{"result":"ok","url":")" + longUrl + LR"("}');)");
    ASSERT_EQ(receiver_.Received().size(), 1u);
    EXPECT_EQ(receiver_.Received()[0].url, longUrl);
    EXPECT_GE(receiver_.Received()[0].bufferBytes, (longUrl.size() + 1) * sizeof(wchar_t));
}

wchar_t* RefuseAllocation(size_t) {
    return nullptr;
}

TEST_F(ScriptBridgeTest, UnallocatableBufferSendsNothing) {
    StartGameUrlAllocFn saved = g_startGameUrlAlloc;
    g_startGameUrlAlloc = RefuseAllocation;
    Run(LR"(external.StartGame('{"result":"ok","url":"u"}');)");
    g_startGameUrlAlloc = saved;
    EXPECT_TRUE(receiver_.Received().empty());
    EXPECT_EQ(box_.Count(), 0);
}

TEST_F(ScriptBridgeTest, LowerCaseNameIsUnknownToTheScript) {
    bool scriptError = false;
    HRESULT hr = RunScript(bridge_.Get(), LR"(external.startgame('{"result":"ok","url":"u"}');)",
                           &scriptError);
    EXPECT_TRUE(FAILED(hr) || scriptError);
    EXPECT_TRUE(receiver_.Received().empty());
}

TEST_F(ScriptBridgeTest, ScriptReleasesEveryReferenceItTook) {
    long live = ScriptBridge::LiveCount();
    Run(LR"(var e = external; e.StartGame('{"result":"ok","url":"http://h/"}');)");
    EXPECT_EQ(ScriptBridge::LiveCount(), live);
    // Only the test's own reference is left.
    bridge_->AddRef();
    EXPECT_EQ(bridge_->Release(), 1u);
}

TEST(ScriptBridgeCom, QueryInterfaceAnswersIUnknownAndIDispatchOnly) {
    long live = ScriptBridge::LiveCount();
    ScriptBridge* bridge = ScriptBridge::Create(nullptr).Detach();
    ASSERT_NE(bridge, nullptr);
    EXPECT_EQ(ScriptBridge::LiveCount(), live + 1);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(bridge->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(bridge->QueryInterface(IID_IDispatch, &out), S_OK);
    EXPECT_EQ(out, static_cast<IDispatch*>(bridge));
    EXPECT_EQ(bridge->QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IDispatch*>(bridge));
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(bridge->QueryInterface(IID_IDispatchEx, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(bridge->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(bridge->Release(), 2u);
    EXPECT_EQ(bridge->Release(), 1u);
    EXPECT_EQ(ScriptBridge::LiveCount(), live + 1);
    EXPECT_EQ(bridge->Release(), 0u);
    EXPECT_EQ(ScriptBridge::LiveCount(), live);
}

TEST(ScriptBridgeCom, GetIDsOfNamesIsExactAndCaseSensitive) {
    auto bridge = ScriptBridge::Create(nullptr);
    ASSERT_TRUE(bridge);
    struct {
        const wchar_t* name;
        HRESULT hr;
        DISPID id;
    } cases[] = {{L"StartGame", S_OK, 100001},
                 {L"CleanCache", S_OK, 100002},
                 {L"startgame", E_NOTIMPL, -7},
                 {L"StartGame2", E_NOTIMPL, -7},
                 {L"Start", E_NOTIMPL, -7}};
    for (const auto& c : cases) {
        wchar_t name[32];
        wcscpy_s(name, c.name);
        LPOLESTR names[] = {name};
        DISPID id = -7;
        EXPECT_EQ(bridge->GetIDsOfNames(IID_NULL, names, 1, 0, &id), c.hr) << c.name;
        EXPECT_EQ(id, c.id) << c.name;
    }
    // Only the first name is looked at.
    wchar_t first[] = L"CleanCache";
    wchar_t second[] = L"whatever";
    LPOLESTR names[] = {first, second};
    DISPID ids[2] = {-7, -7};
    EXPECT_EQ(bridge->GetIDsOfNames(IID_NULL, names, 2, 0, ids), S_OK);
    EXPECT_EQ(ids[0], 100002);
    EXPECT_EQ(ids[1], -7);
}

TEST(ScriptBridgeCom, InvokeArguments) {
    auto bridge = ScriptBridge::Create(nullptr);
    ASSERT_TRUE(bridge);
    DISPPARAMS none{};
    VARIANT result;
    VariantInit(&result);
    result.vt = VT_I4;
    result.lVal = 5;
    EXPECT_EQ(
        bridge->Invoke(100003, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
        E_NOTIMPL);
    // A property read runs the member like a call, and no result is written.
    EXPECT_EQ(bridge->Invoke(DISPID_STARTGAME, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result,
                             nullptr, nullptr),
              S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 5);
    // A string passed by reference is not read.
    MessageBoxRecorder box;
    BSTR text = SysAllocString(L"not json");
    VARIANT arg;
    arg.vt = VT_BSTR | VT_BYREF;
    arg.pbstrVal = &text;
    DISPPARAMS byRef{&arg, nullptr, 1, 0};
    EXPECT_EQ(bridge->Invoke(DISPID_STARTGAME, IID_NULL, 0, DISPATCH_METHOD, &byRef, nullptr,
                             nullptr, nullptr),
              S_OK);
    EXPECT_EQ(box.Count(), 0);
    // A null BSTR is the empty text: no markers, the error box.
    arg.vt = VT_BSTR;
    arg.bstrVal = nullptr;
    EXPECT_EQ(bridge->Invoke(DISPID_STARTGAME, IID_NULL, 0, DISPATCH_METHOD, &byRef, nullptr,
                             nullptr, nullptr),
              S_OK);
    EXPECT_EQ(box.Count(), 1);
    SysFreeString(text);
}

TEST(ScriptBridgeCom, NoTargetWindowLosesNothing) {
    auto bridge = ScriptBridge::Create(nullptr);
    ASSERT_TRUE(bridge);
    MessageBoxRecorder box;
    BSTR text = SysAllocString(LR"({"result":"ok","url":"http://h/"})");
    VARIANT arg;
    arg.vt = VT_BSTR;
    arg.bstrVal = text;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    EXPECT_EQ(bridge->Invoke(DISPID_STARTGAME, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                             nullptr, nullptr),
              S_OK);
    EXPECT_EQ(box.Count(), 0);
    SysFreeString(text);
}

} // namespace
