// The StartGame text, decoded by the plain functions.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "web/start_game.h"

namespace {

// The text and the URL it yields; null: nothing is sent.
const wchar_t* const kCases[][2] = {
    {LR"({"result":"ok","url":"http://127.0.0.1/game"})", L"http://127.0.0.1/game"},
    {LR"({"result":"OK","url":"u"})", L"u"},
    {LR"({"result":"oK","url":"u"})", L"u"},
    {LR"({"result": "ok","url":"u"})", nullptr},
    {LR"({"result":"okay","url":"u"})", nullptr},
    {LR"({"result":"no","url":"u"})", nullptr},
    {LR"({"Result":"ok","url":"u"})", nullptr},
    {LR"({"result":"no","x":{"result":"ok"},"url":"u"})", nullptr},
    {LR"({"url":"u"})", nullptr},
    {LR"({"result":"ok"})", nullptr},
    {LR"({"result":"ok","URL":"u"})", nullptr},
    {L"", nullptr},
    {nullptr, nullptr},
    {LR"({"url":"http://h/p","result":"ok"})", L"http://h/p"},
    {LR"({"result":"ok","url":"http:\/\/127.0.0.1\/game"})", L"http://127.0.0.1/game"},
    {LR"({"result":"ok","url":"a\"b"})", L"a\"b"},
    {LR"({"result":"ok","url":"a\\b"})", L"a\\b"},
    {LR"({"result":"ok","url":"\b\f\n\r\t"})", L"\b\f\n\r\t"},
    {LR"({"result":"ok","url":"\x\q"})", L"xq"}, // other escapes keep the character
    {LR"({"result":"ok","url":"\u0041"})", L"u0041"},
    {LR"({"result":"ok","url":"abc\)", L"abc"},
    {LR"({"result":"ok","url":"abc)", L"abc"},
    {LR"({"result":"ok","url":null})", L"ull}"},
    {LR"({"result":"ok","url":12,"z":"q"})", L"2,"},
    {LR"({"result":"ok","url":""})", L""},
    {LR"({"result":"ok","url": "http://h/"})", L""},
    {LR"({"result":"ok","url":)", L""}};

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
