// The StartGame text, decoded by the plain functions.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "web/start_game.h"

namespace {

struct Case {
    const char* name;
    const wchar_t* text;
    bool sends;
    const wchar_t* url;
};

const Case kCases[] = {
    {"compact", LR"({"result":"ok","url":"http://127.0.0.1/game"})", true,
     L"http://127.0.0.1/game"},
    {"ok_upper", LR"({"result":"OK","url":"u"})", true, L"u"},
    {"ok_mixed", LR"({"result":"oK","url":"u"})", true, L"u"},
    {"space_after_result_colon", LR"({"result": "ok","url":"u"})", false, nullptr},
    {"okay", LR"({"result":"okay","url":"u"})", false, nullptr},
    {"not_ok", LR"({"result":"no","url":"u"})", false, nullptr},
    {"result_marker_is_case_sensitive", LR"({"Result":"ok","url":"u"})", false, nullptr},
    {"first_result_counts", LR"({"result":"no","x":{"result":"ok"},"url":"u"})", false, nullptr},
    {"no_result", LR"({"url":"u"})", false, nullptr},
    {"no_url", LR"({"result":"ok"})", false, nullptr},
    {"url_marker_is_case_sensitive", LR"({"result":"ok","URL":"u"})", false, nullptr},
    {"empty_text", L"", false, nullptr},
    {"url_before_result", LR"({"url":"http://h/p","result":"ok"})", true, L"http://h/p"},
    {"escaped_slashes", LR"({"result":"ok","url":"http:\/\/127.0.0.1\/game"})", true,
     L"http://127.0.0.1/game"},
    {"escaped_quote", LR"({"result":"ok","url":"a\"b"})", true, L"a\"b"},
    {"escaped_backslash", LR"({"result":"ok","url":"a\\b"})", true, L"a\\b"},
    {"control_escapes", LR"({"result":"ok","url":"\b\f\n\r\t"})", true, L"\b\f\n\r\t"},
    {"other_escape_keeps_char", LR"({"result":"ok","url":"\x\q"})", true, L"xq"},
    {"unicode_escape_not_decoded", LR"({"result":"ok","url":"\u0041"})", true, L"u0041"},
    {"trailing_lone_backslash", LR"({"result":"ok","url":"abc\)", true, L"abc"},
    {"unterminated_value", LR"({"result":"ok","url":"abc)", true, L"abc"},
    {"non_string_url", LR"({"result":"ok","url":null})", true, L"ull}"},
    {"number_url", LR"({"result":"ok","url":12,"z":"q"})", true, L"2,"},
    {"empty_url", LR"({"result":"ok","url":""})", true, L""},
    {"space_before_url_quote", LR"({"result":"ok","url": "http://h/"})", true, L""},
    {"url_marker_at_end", LR"({"result":"ok","url":)", true, L""},
    {"null_text", nullptr, false, nullptr},
};

TEST(StartGameText, DecodesAsThePageExpects) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        wchar_t* url = nullptr;
        StartGameOutcome outcome = ParseStartGame(c.text, &url);
        const wchar_t* value = FindStartGameUrl(c.text);
        // Only a web address is handed on; the rest is answered as an error.
        if (!c.sends || !IsWebUrl(c.url)) {
            EXPECT_EQ(outcome, StartGameOutcome::Error);
            EXPECT_EQ(url, nullptr);
        }
        if (!c.sends) {
            EXPECT_EQ(value, nullptr);
            continue;
        }
        ASSERT_NE(value, nullptr);
        wchar_t decoded[64];
        DecodeStartGameUrl(value, decoded, 64);
        EXPECT_EQ(std::wstring(decoded), std::wstring(c.url));
        if (!IsWebUrl(c.url)) continue;
        ASSERT_EQ(outcome, StartGameOutcome::Url);
        EXPECT_EQ(std::wstring(url), std::wstring(c.url));
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
