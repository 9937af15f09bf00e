// The StartGame text as the page hands it over: decoded by the plain
// functions, and through the bridge as the page reaches it (jscript with the
// bridge as the named item "external", and its COM interfaces directly).
#include "core/messages.h"
#include "support/fake_browser.h"
#include "support/test_support.h"
#include "web/script_bridge.h"
#include "web/start_game.h"
#include "win/com_ptr.h"

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

wchar_t* RefuseAllocation(size_t) {
    return nullptr;
}

// A script site that offers the bridge as "external" and notes script errors;
// it lives on the test's stack, outliving the engine.
class Site final : public IActiveScriptSite {
  public:
    explicit Site(IDispatch* external) : external_(external) {}
    bool errorSeen = false;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IActiveScriptSite ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unk,
                             ITypeInfo** info) override {
        if (info) *info = nullptr;
        if (unk) *unk = nullptr;
        if (!name || std::wstring(name) != L"external") return TYPE_E_ELEMENTNOTFOUND;
        if (!(mask & SCRIPTINFO_IUNKNOWN)) return S_OK;
        return unk ? external_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unk))
                   : E_POINTER;
    }
    STDMETHODIMP OnScriptError(IActiveScriptError*) override { return errorSeen = true, S_OK; }
    // clang-format off
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    NOT_IMPL(GetLCID, LCID*); NOT_IMPL(GetDocVersionString, BSTR*); IGNORED(OnEnterScript);
    IGNORED(OnScriptTerminate, const VARIANT*, const EXCEPINFO*); IGNORED(OnLeaveScript);
    IGNORED(OnStateChange, SCRIPTSTATE);
    // clang-format on

  private:
    IDispatch* external_;
};

class ScriptBridgeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        g_scriptBridgeMessageBox = RecordBox;
        g_boxes = 0;
    }
    void TearDown() override {
        g_scriptBridgeMessageBox = MessageBoxW;
        CoUninitialize();
    }

    // Runs script text in a fresh jscript engine; expects it to be accepted.
    void Run(const std::wstring& code) {
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
        EXPECT_EQ(parse->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, 0, 0, 0, nullptr,
                                         nullptr),
                  S_OK)
            << code;
        engine->Close();
        EXPECT_FALSE(site.errorSeen) << code;
    }
    HRESULT Invoke(DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result = nullptr) {
        DISPPARAMS params{args, nullptr, count, 0};
        return bridge_->Invoke(id, IID_NULL, 0, flags, &params, result, nullptr, nullptr);
    }

    RecordingWindow receiver_;
    win::ComPtr<ScriptBridge> bridge_;
};

// What the page's script does, and what reaches the main window.
TEST_F(ScriptBridgeTest, ScriptCallsTable) {
    // Only a web address moves the launcher (anything else is an error box);
    // only a string is read, and only the last argument; each call hands over
    // a buffer of its own; without memory for the URL nothing is sent and the
    // page is not bothered.
    struct Case {
        const wchar_t* script;
        std::vector<std::wstring> urls;
        int boxes;
        bool refuseAllocation = false;
    } cases[] = {
        {LR"(external.StartGame('{"result":"ok","url":"http:\/\/127.0.0.1\/game"}');)",
         {L"http://127.0.0.1/game"},
         0},
        {LR"(external.StartGame('{"result":"ok","url":"javascript:x=1"}');)", {}, 1},
        {L"external.StartGame(42); external.StartGame(null); external.StartGame();", {}, 0},
        {L"external.StartGame({result: 'ok'});", {}, 0},
        {LR"(external.StartGame('ignored', '{"result":"ok","url":"http://h/2"}');)",
         {L"http://h/2"},
         0},
        {LR"(external.StartGame('{"result":"ok","url":"first"}', 7);)", {}, 0},
        {LR"(external.StartGame('{"result":"ok","url":"http://a/"}');
             external.StartGame('{"result":"OK","url":"http://b/"}');)",
         {L"http://a/", L"http://b/"},
         0},
        {L"external.CleanCache(); external.CleanCache(1, 'two', null);", {}, 0},
        {LR"(external.StartGame('{"result":"ok","url":"http://h/"}');)", {}, 0, true}};
    for (const Case& c : cases) {
        RecordingWindow receiver;
        bridge_ = ScriptBridge::Create(receiver.Get());
        g_boxes = 0;
        g_startGameUrlAlloc = c.refuseAllocation ? RefuseAllocation : AllocStartGameUrl;
        Run(c.script);
        g_startGameUrlAlloc = AllocStartGameUrl;
        EXPECT_EQ(receiver.urls, c.urls) << c.script;
        EXPECT_EQ(g_boxes, c.boxes) << c.script;
        EXPECT_TRUE(c.boxes == 0 || g_lastBoxPlain);
    }
}

// The demo's start page, its own script text, against the real bridge: the
// JSON it builds by hand must be what StartGame accepts.
TEST_F(ScriptBridgeTest, DemoStartPageStartsItsGamePage) {
    std::string page;
    ASSERT_TRUE(ReadFileBytes(SourcePath("demo/pages/index.html"), page));
    size_t open = page.find("<script>"), close = page.find("</script>");
    ASSERT_TRUE(open != std::string::npos && close != std::string::npos && open < close);
    bridge_ = ScriptBridge::Create(receiver_.Get());
    Run(L"var window = {external: external};" + Widen(page.substr(open + 8, close - open - 8)) +
        LR"(play("http://127.0.0.1:8000/lmwd/index.html?version=2&fn=a\\b");)");
    EXPECT_EQ(receiver_.urls, std::vector<std::wstring>{
                                  LR"(http://127.0.0.1:8000/lmwd/game.html?version=2&fn=a\b)"});
    EXPECT_EQ(g_boxes, 0);
}

TEST_F(ScriptBridgeTest, OneIdentityAndCountedReferences) {
    long live = ScriptBridge::LiveCount();
    ScriptBridge* bridge = ScriptBridge::Create(nullptr).Detach();
    ASSERT_NE(bridge, nullptr);
    EXPECT_EQ(ScriptBridge::LiveCount(), live + 1);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(bridge->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    for (REFIID iid : {IID_IDispatch, IID_IUnknown}) {
        EXPECT_EQ(bridge->QueryInterface(iid, &out), S_OK);
        EXPECT_EQ(out, static_cast<IDispatch*>(bridge));
    }
    for (REFIID iid : {IID_IDispatchEx, IID_IClassFactory}) {
        out = reinterpret_cast<void*>(1);
        EXPECT_EQ(bridge->QueryInterface(iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(bridge->Release(), 2u);
    EXPECT_EQ(bridge->Release(), 1u);
    EXPECT_EQ(ScriptBridge::LiveCount(), live + 1);
    EXPECT_EQ(bridge->Release(), 0u);
    EXPECT_EQ(ScriptBridge::LiveCount(), live);
}

TEST_F(ScriptBridgeTest, GetIDsOfNamesIsExactAndReadsTheFirstNameOnly) {
    bridge_ = ScriptBridge::Create(nullptr);
    // clang-format off
    struct { const wchar_t* name; HRESULT hr; DISPID id; } cases[] = {
        {L"StartGame", S_OK, DISPID_STARTGAME}, {L"CleanCache", S_OK, DISPID_CLEANCACHE},
        {L"startgame", E_NOTIMPL, -7}, {L"StartGame2", E_NOTIMPL, -7}, {L"Start", E_NOTIMPL, -7}};
    // clang-format on
    for (const auto& c : cases) {
        wchar_t name[32], other[] = L"StartGame";
        wcscpy_s(name, c.name);
        LPOLESTR names[] = {name, other};
        DISPID ids[2] = {-7, -7};
        EXPECT_EQ(bridge_->GetIDsOfNames(IID_NULL, names, 2, 0, ids), c.hr) << c.name;
        EXPECT_EQ(ids[0], c.id) << c.name;
        EXPECT_EQ(ids[1], -7) << c.name;
    }
}

TEST_F(ScriptBridgeTest, InvokeArguments) {
    bridge_ = ScriptBridge::Create(nullptr);
    VARIANT result;
    result.vt = VT_I4;
    result.lVal = 5;
    EXPECT_EQ(Invoke(DISPID_CLEANCACHE + 1, DISPATCH_METHOD, nullptr, 0, &result), E_NOTIMPL);
    // A property read runs the member like a call, and no result is written.
    EXPECT_EQ(Invoke(DISPID_STARTGAME, DISPATCH_PROPERTYGET, nullptr, 0, &result), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 5);
    // A string passed by reference is not read.
    BSTR text = SysAllocString(L"not json");
    VARIANT arg;
    arg.vt = VT_BSTR | VT_BYREF;
    arg.pbstrVal = &text;
    EXPECT_EQ(Invoke(DISPID_STARTGAME, DISPATCH_METHOD, &arg, 1), S_OK);
    EXPECT_EQ(g_boxes, 0);
    // A null BSTR is the empty text: no markers, the error box.
    arg.vt = VT_BSTR;
    arg.bstrVal = nullptr;
    EXPECT_EQ(Invoke(DISPID_STARTGAME, DISPATCH_METHOD, &arg, 1), S_OK);
    EXPECT_EQ(g_boxes, 1);
    SysFreeString(text);
}

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
    {LR"({"result":"ok","url": "http://h/"})", L""}, {LR"({"result":"ok","url":)", L""}};
// clang-format on

TEST(StartGameText, DecodesAsThePageExpects) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c[0] ? c[0] : L"(null)")));
        wchar_t* url = nullptr;
        StartGameOutcome outcome = ParseStartGame(c[0], &url);
        const wchar_t* value = FindStartGameUrl(c[0]);
        // Only a web address is handed on; the rest is answered as an error.
        if (!c[1] || !IsWebUrl(c[1])) {
            EXPECT_EQ(outcome, StartGameOutcome::Error);
            EXPECT_EQ(url, nullptr);
        }
        if (!c[1]) {
            EXPECT_EQ(value, nullptr);
            continue;
        }
        ASSERT_NE(value, nullptr);
        wchar_t decoded[64];
        DecodeStartGameUrl(value, decoded, 64);
        EXPECT_EQ(std::wstring(decoded), std::wstring(c[1]));
        if (!IsWebUrl(c[1])) continue;
        ASSERT_EQ(outcome, StartGameOutcome::Url);
        EXPECT_EQ(std::wstring(url), std::wstring(c[1]));
        // The receiver may rely on the usual 1024-character buffer.
        EXPECT_GE(HeapSize(GetProcessHeap(), 0, url), kStartGameUrlMinChars * sizeof(wchar_t));
        FreeStartGameUrl(url);
    }
}

TEST(StartGameText, OnlyWebAddressesAreUsable) {
    for (const wchar_t* url :
         {L"http://127.0.0.1/game", L"HTTPS://Example.com:8443/a?b=c d", L"hTtP://h"})
        EXPECT_TRUE(IsWebUrl(url)) << testing::PrintToString(std::wstring(url));
    // clang-format off
    const wchar_t* refused[] = {
        L"http://", L"http:///etc/passwd", L"http://\\\\host\\share", L"http:/h/", L"http:\\\\h\\",
        L"httpx://h/", L"ftp://h/", L"javascript:alert(1)", L"JavaScript:alert(1)",
        L"vbscript:msgbox(1)", L"file:///C:/Windows/win.ini", L"about:blank", L"res://ieframe.dll/",
        L"\\\\host\\share\\x.html", L"//host/x.html", L"C:\\x.html", L" http://h/", L"\thttp://h/",
        L"http://h/\n", L"ht\ttp://h/", L"http://h/\x7F", L""};
    // clang-format on
    for (const wchar_t* url : refused)
        EXPECT_FALSE(IsWebUrl(url)) << testing::PrintToString(std::wstring(url));
    EXPECT_FALSE(IsWebUrl(nullptr));
}

TEST(StartGameText, UrlOf1023And1024Characters) {
    for (size_t n : {size_t{1023}, size_t{1024}}) {
        std::wstring longUrl = L"http://h/" + std::wstring(n - 9, L'x');
        std::wstring text = LR"({"result":"ok","url":")" + longUrl + L"\"}";
        wchar_t* url = nullptr;
        ASSERT_EQ(ParseStartGame(text.c_str(), &url), StartGameOutcome::Url);
        EXPECT_EQ(std::wstring(url), longUrl);
        FreeStartGameUrl(url);
    }
}

TEST(StartGameText, DecodeNeverWritesPastTheBuffer) {
    const wchar_t* value = LR"(abc\/def")";
    EXPECT_EQ(DecodeStartGameUrl(value, nullptr, 0), 7u);
    wchar_t buffer[8];
    for (size_t capacity = 1; capacity <= 6; ++capacity) {
        for (wchar_t& c : buffer)
            c = L'#';
        size_t length = DecodeStartGameUrl(value, buffer, capacity);
        EXPECT_EQ(length, 7u);
        EXPECT_EQ(buffer[capacity - 1], 0) << capacity;
        EXPECT_EQ(std::wstring(buffer), std::wstring(L"abc/def").substr(0, capacity - 1));
        for (size_t i = capacity; i < 8; ++i)
            EXPECT_EQ(buffer[i], L'#') << capacity;
    }
}

} // namespace
