// Helpers of the web tests: a hidden window that receives WM_START_GAME, a
// replacement for the "ERROR" box, and a jscript engine hosting the bridge
// as the page's external object.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "web/script_bridge.h"

namespace webtest {

struct ReceivedUrl {
    std::wstring url;
    SIZE_T bufferBytes;
};

// A hidden top-level window that records each WM_START_GAME URL and frees
// its buffer the way the main window must.
class StartGameReceiver {
  public:
    StartGameReceiver();
    ~StartGameReceiver();
    StartGameReceiver(const StartGameReceiver&) = delete;
    StartGameReceiver& operator=(const StartGameReceiver&) = delete;
    HWND Window() const { return hwnd_; }
    const std::vector<ReceivedUrl>& Received() const;

  private:
    HWND hwnd_ = nullptr;
};

// Swaps the "ERROR" box for a recorder while alive.
class MessageBoxRecorder {
  public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;
    int Count() const;
    bool LastWasPlainError() const; // no owner, "ERROR", default caption, MB_OK
};

// Runs script text in a fresh jscript engine with bridge visible as
// "external". Returns the HRESULT of ParseScriptText; *scriptError tells
// whether the engine reported a script error.
HRESULT RunScript(ScriptBridge* bridge, const std::wstring& code, bool* scriptError = nullptr);

} // namespace webtest
