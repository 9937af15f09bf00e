// The StartGame text as the page hands it over: decoded by the plain
// functions, and through the bridge as the page reaches it (jscript with the
// bridge as the named item "external", and its COM interfaces directly).
#include "core/messages.h"
#include "support/fake_browser.h"
#include "support/test_support.h"
#include "web/host_ui_handler.h"
#include "web/script_bridge.h"
#include "web/start_game.h"
#include "win/com_ptr.h"
#include "win/com_scoped.h"

#include <gtest/gtest.h>

#include <activscp.h>
#include <dispex.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

int g_boxes = 0;
bool g_lastBoxPlain = false;

int WINAPI RecordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    ++g_boxes;
    g_lastBoxPlain = !owner && text && std::wstring(text) == L"ERROR" && !caption && type == MB_OK;
    return IDOK;
}

// A script site that offers the bridge as "external" and notes script errors;
// it lives on the test's stack, outliving the engine.
struct Site final : IActiveScriptSite {
    explicit Site(IDispatch* page) : external(page) {}
    IDispatch* external;
    bool errorSeen = false;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IActiveScriptSite ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP GetItemInfo(LPCOLESTR, DWORD mask, IUnknown** unk, ITypeInfo** info) override {
        // Asked for the one named item there is.
        if (info) *info = nullptr;
        if (!(mask & SCRIPTINFO_IUNKNOWN)) return S_OK;
        return external->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unk));
    }
    STDMETHODIMP OnScriptError(IActiveScriptError*) override { return errorSeen = true, S_OK; }
    // clang-format off
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    NOT_IMPL(GetLCID, LCID*); NOT_IMPL(GetDocVersionString, BSTR*); IGNORED(OnEnterScript);
    IGNORED(OnScriptTerminate, const VARIANT*, const EXCEPINFO*); IGNORED(OnLeaveScript);
    IGNORED(OnStateChange, SCRIPTSTATE);
    // clang-format on
};

class ScriptBridgeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_scriptBridgeMessageBox = RecordBox;
        g_boxes = 0;
    }
    void TearDown() override { g_scriptBridgeMessageBox = MessageBoxW; }

    HRESULT Invoke(DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result = nullptr) {
        DISPPARAMS params{args, nullptr, count, 0};
        return bridge_->Invoke(id, IID_NULL, 0, flags, &params, result, nullptr, nullptr);
    }

    win::ComInit com_{CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)};
    win::ComPtr<ScriptBridge> bridge_;
};

// What the page's script does, and what reaches the main window.
TEST_F(ScriptBridgeTest, ScriptCallsTable) {
    // The demo's start page, its own script text: the JSON it builds by hand
    // must be what StartGame accepts.
    std::string page;
    ASSERT_TRUE(ReadFileBytes(SourcePath("demo/pages/index.html"), page));
    size_t open = page.find("<script>"), close = page.find("</script>");
    ASSERT_TRUE(open != std::string::npos && close != std::string::npos && open < close);
    const std::wstring demo =
        L"var window = {external: external};" + Widen(page.substr(open + 8, close - open - 8)) +
        LR"(play("http://127.0.0.1:8000/lmwd/index.html?version=2&fn=a\\b");)";
    // Only a web address moves the launcher (anything else is an error box);
    // only a string is read, and only the last argument; each call hands over
    // a buffer of its own; without memory for the URL nothing is sent and the
    // page is not bothered. Names are exact; reading a member calls it and
    // yields nothing.
    struct Case {
        std::wstring script;
        std::vector<std::wstring> urls;
        int boxes;
        bool refuseAllocation = false, failing = false;
    } cases[] = {
        // clang-format off
        {LR"(external.StartGame('{"result":"ok","url":"http:\/\/h\/g"}');)", {L"http://h/g"}, 0},
        {LR"(external.StartGame('{"result":"ok","url":"javascript:x=1"}');)", {}, 1},
        {L"external.StartGame(42); external.StartGame(null); external.StartGame();", {}, 0},
        {L"external.StartGame({result: 'ok'});", {}, 0},
        {LR"(external.StartGame('no', '{"result":"ok","url":"http://h/2"}');)", {L"http://h/2"}, 0},
        {LR"(external.StartGame('{"result":"ok","url":"first"}', 7);)", {}, 0},
        {LR"(external.StartGame('{"result":"ok","url":"http://a/"}');
             external.StartGame('{"result":"OK","url":"http://b/"}');)",
         {L"http://a/", L"http://b/"}, 0},
        {L"external.CleanCache(); external.CleanCache(1, 'two', null);", {}, 0},
        {LR"(external.StartGame('{"result":"ok","url":"http://h/"}');)", {}, 0, true},
        {L"if (external.StartGame !== undefined) throw 1;", {}, 0},
        {L"external.startgame();", {}, 0, false, true},
        {L"external.Start();", {}, 0, false, true}, {L"external.StartGame2();", {}, 0, false, true},
        {demo, {LR"(http://127.0.0.1:8000/lmwd/game.html?version=2&fn=a\b)"}, 0}};
    // clang-format on
    for (const Case& c : cases) {
        RecordingWindow receiver;
        bridge_ = ScriptBridge::Create(receiver.Get());
        g_boxes = 0;
        if (c.refuseAllocation) g_startGameUrlAlloc = [](size_t) -> wchar_t* { return nullptr; };
        // A fresh jscript engine; failing: the script is refused with an error.
        Site site(bridge_.Get());
        CLSID clsid;
        win::ComPtr<IActiveScript> engine;
        win::ComPtr<IActiveScriptParse> parse;
        ASSERT_TRUE(CLSIDFromProgID(L"JScript", &clsid) == S_OK &&
                    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript,
                                     engine.PutVoid()) == S_OK &&
                    engine.As(parse) == S_OK && engine->SetScriptSite(&site) == S_OK &&
                    parse->InitNew() == S_OK &&
                    engine->AddNamedItem(L"external", SCRIPTITEM_ISVISIBLE) == S_OK &&
                    engine->SetScriptState(SCRIPTSTATE_STARTED) == S_OK);
        HRESULT hr = parse->ParseScriptText(c.script.c_str(), nullptr, nullptr, nullptr, 0, 0, 0,
                                            nullptr, nullptr);
        engine->Close();
        EXPECT_TRUE(c.failing ? site.errorSeen : hr == S_OK && !site.errorSeen) << c.script;
        g_startGameUrlAlloc = AllocStartGameUrl;
        EXPECT_EQ(receiver.urls, c.urls) << c.script;
        EXPECT_EQ(g_boxes, c.boxes) << c.script;
        EXPECT_TRUE(c.boxes == 0 || g_lastBoxPlain);
    }
}

// Both page objects are one identity each and refuse other interfaces with
// a null; the handler keeps its external object until its own last release.
TEST_F(ScriptBridgeTest, OneIdentityAndCountedReferences) {
    const long live = ScriptBridge::LiveCount();
    bridge_ = ScriptBridge::Create(nullptr);
    auto handler = CreateHostUiHandler(bridge_.Get());
    ASSERT_TRUE(bridge_ && handler);
    IUnknown* objects[] = {bridge_.Get(), handler.Get()};
    for (IUnknown* object : objects) {
        win::ComPtr<IUnknown> identity, other, back;
        ASSERT_EQ(object->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
        for (REFIID iid : {IID_IDispatch, __uuidof(IDocHostUIHandlerDispatch)}) {
            bool offered = iid == IID_IDispatch || object == handler.Get();
            ASSERT_EQ(object->QueryInterface(iid, other.PutVoid()), offered ? S_OK : E_NOINTERFACE);
            EXPECT_TRUE(offered ? other.As(back) == S_OK && back.Get() == identity.Get() : !other);
        }
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(object->QueryInterface(IID_IDispatchEx, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    }
    IDispatch* got = nullptr;
    EXPECT_TRUE(handler->GetExternal(&got) == S_OK && got == bridge_.Get() && got->Release() == 2);
    EXPECT_EQ(bridge_.Get()->Release(), 1u);
    EXPECT_EQ(ScriptBridge::LiveCount(), live + 1);
    handler.Reset();
    EXPECT_EQ(ScriptBridge::LiveCount(), live);
    bridge_.Detach();
    // Without an external object null is handed out.
    IDispatch* none = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(CreateHostUiHandler(nullptr)->GetExternal(&none), S_OK);
    EXPECT_EQ(none, nullptr);
}

// What script never sends: several names (only the first is read), an
// unknown member, a string by reference (not read) and a null one (the
// empty text: the error box).
TEST_F(ScriptBridgeTest, InvokeArguments) {
    bridge_ = ScriptBridge::Create(nullptr);
    wchar_t start[] = L"StartGame", other[] = L"CleanCache";
    LPOLESTR names[] = {start, other};
    DISPID ids[2] = {-7, -7};
    EXPECT_EQ(bridge_->GetIDsOfNames(IID_NULL, names, 2, 0, ids), S_OK);
    EXPECT_TRUE(ids[0] == DISPID_STARTGAME && ids[1] == -7);
    VARIANT result;
    result.vt = VT_I4;
    EXPECT_EQ(Invoke(DISPID_CLEANCACHE + 1, DISPATCH_METHOD, nullptr, 0, &result), E_NOTIMPL);
    EXPECT_EQ(result.vt, VT_I4);
    BSTR text = SysAllocString(L"not json");
    VARIANT arg;
    arg.vt = VT_BSTR | VT_BYREF;
    arg.pbstrVal = &text;
    EXPECT_EQ(Invoke(DISPID_STARTGAME, DISPATCH_METHOD, &arg, 1), S_OK);
    EXPECT_EQ(g_boxes, 0);
    arg.vt = VT_BSTR;
    arg.bstrVal = nullptr;
    EXPECT_EQ(Invoke(DISPID_STARTGAME, DISPATCH_METHOD, &arg, 1), S_OK);
    EXPECT_EQ(g_boxes, 1);
    SysFreeString(text);
}

// URLs of 1023 and 1024 characters, around the usual buffer's size.
const std::wstring kUrl1023 = L"http://h/" + std::wstring(1014, L'x'), kUrl1024 = kUrl1023 + L'x';
const std::wstring kText1023 = LR"({"result":"ok","url":")" + kUrl1023 + L"\"}",
                   kText1024 = LR"({"result":"ok","url":")" + kUrl1024 + L"\"}";

// The text and the URL it yields; null: nothing is sent.
// clang-format off
const wchar_t* const kCases[][2] = {
    {LR"({"result":"ok","url":"http://127.0.0.1/game"})", L"http://127.0.0.1/game"},
    {LR"({"result":"OK","url":"u"})", L"u"}, {LR"({"result":"oK","url":"u"})", L"u"},
    {LR"({"result": "ok","url":"u"})", nullptr}, {LR"({"result":"okay","url":"u"})", nullptr},
    {LR"({"result":"no","url":"u"})", nullptr}, {LR"({"Result":"ok","url":"u"})", nullptr},
    {LR"({"result":"no","x":{"result":"ok"},"url":"u"})", nullptr}, {LR"({"url":"u"})", nullptr},
    {LR"({"result":"ok"})", nullptr}, {LR"({"result":"ok","URL":"u"})", nullptr}, {L"", nullptr},
    {nullptr, nullptr}, {LR"({"url":"http://h/p","result":"ok"})", L"http://h/p"},
    {LR"({"result":"ok","url":"http:\/\/127.0.0.1\/game"})", L"http://127.0.0.1/game"},
    {LR"({"result":"ok","url":"a\"b"})", L"a\"b"}, {LR"({"result":"ok","url":"a\\b"})", L"a\\b"},
    {LR"({"result":"ok","url":"\b\f\n\r\t"})", L"\b\f\n\r\t"},
    {LR"({"result":"ok","url":"\x\q"})", L"xq"}, // other escapes keep the character
    {LR"({"result":"ok","url":"\u0041"})", L"u0041"}, {LR"({"result":"ok","url":"abc\)", L"abc"},
    {LR"({"result":"ok","url":"abc)", L"abc"}, {LR"({"result":"ok","url":null})", L"ull}"},
    {LR"({"result":"ok","url":12,"z":"q"})", L"2,"}, {LR"({"result":"ok","url":""})", L""},
    {LR"({"result":"ok","url": "http://h/"})", L""}, {LR"({"result":"ok","url":)", L""},
    {kText1023.c_str(), kUrl1023.c_str()}, {kText1024.c_str(), kUrl1024.c_str()}};
// clang-format on

// Only a web address is handed on, in a buffer of at least the usual 1024
// characters; the rest is answered as an error.
TEST(StartGameText, DecodesAsThePageExpects) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c[0] ? c[0] : L"(null)")));
        wchar_t *url = nullptr, decoded[1100] = L"(none)";
        if (const wchar_t* value = FindStartGameUrl(c[0])) DecodeStartGameUrl(value, decoded, 1100);
        EXPECT_EQ(std::wstring(decoded), c[1] ? c[1] : L"(none)");
        bool web = c[1] && IsWebUrl(c[1]);
        EXPECT_EQ(ParseStartGame(c[0], &url),
                  web ? StartGameOutcome::Url : StartGameOutcome::Error);
        EXPECT_EQ(std::wstring(url ? url : L"(none)"), web ? c[1] : L"(none)");
        EXPECT_TRUE(!url ||
                    HeapSize(GetProcessHeap(), 0, url) >= kStartGameUrlMinChars * sizeof *url);
        FreeStartGameUrl(url);
    }
}

// The first three are accepted.
TEST(StartGameText, OnlyWebAddressesAreUsable) {
    // clang-format off
    const wchar_t* urls[] = {
        L"http://127.0.0.1/game", L"HTTPS://Example.com:8443/a?b=c d", L"hTtP://h",
        L"http://", L"http:///etc/passwd", L"http://\\\\host\\share", L"http:/h/", L"http:\\\\h\\",
        L"httpx://h/", L"ftp://h/", L"javascript:alert(1)", L"JavaScript:alert(1)",
        L"vbscript:msgbox(1)", L"file:///C:/Windows/win.ini", L"about:blank", L"res://ieframe.dll/",
        L"\\\\host\\share\\x.html", L"//host/x.html", L"C:\\x.html", L" http://h/", L"\thttp://h/",
        L"http://h/\n", L"ht\ttp://h/", L"http://h/\x7F", L"", nullptr};
    // clang-format on
    for (size_t i = 0; i < sizeof urls / sizeof *urls; ++i)
        EXPECT_EQ(IsWebUrl(urls[i]), i < 3)
            << testing::PrintToString(std::wstring(urls[i] ? urls[i] : L"(null)"));
}

TEST(StartGameText, DecodeNeverWritesPastTheBuffer) {
    const wchar_t* value = LR"(abc\/def")";
    EXPECT_EQ(DecodeStartGameUrl(value, nullptr, 0), 7u);
    for (size_t capacity = 1; capacity <= 6; ++capacity) {
        std::wstring buffer(8, L'#');
        EXPECT_EQ(DecodeStartGameUrl(value, &buffer[0], capacity), 7u);
        EXPECT_EQ(buffer, std::wstring(L"abc/def", capacity - 1) + L'\0' +
                              std::wstring(8 - capacity, L'#'));
    }
}

} // namespace
