// The window messages that the launcher's parts send one another, always
// synchronously with SendMessageW. Defined here only; every sender and
// receiver includes this header.
#pragma once

#include <windows.h>

// A document completed; wParam and lParam are 0.
constexpr UINT WM_PAGE_LOADED = WM_USER + 2000; // 3024
// The page asked to start the game; lParam is a heap URL that the receiver
// frees with FreeStartGameUrl (web/start_game.h) on every path.
constexpr UINT WM_START_GAME = WM_USER + 2001; // 3025
// Reload the page; wParam and lParam are 0.
constexpr UINT WM_REFRESH_PAGE = WM_USER + 2002; // 3026
// Maximise to the work area or restore; wParam and lParam are 0.
constexpr UINT WM_TOGGLE_MAXIMIZE = WM_USER + 2003; // 3027

// Sent to the browser's host window with lParam pointing at a MSG: the result
// is nonzero when the hosted control's accelerator translation consumed it.
// The number the host windows of other toolkits answer to as well.
constexpr UINT WM_FORWARDMSG = 0x037F;

static_assert(WM_PAGE_LOADED == 3024 && WM_START_GAME == 3025 && WM_REFRESH_PAGE == 3026 &&
                  WM_TOGGLE_MAXIMIZE == 3027,
              "message numbers are shared with the page host");
