// The names "static.json" is written with: its keys, the nine-grid piece
// names and the button function names. The launcher reads with them and
// lumora_check checks with them, so that both mean the same file.
#pragma once

namespace static_keys {

// The top level.
inline constexpr char kUpdateUrl[] = "update_url";
inline constexpr char kGameUrl[] = "game_url";
inline constexpr char kLoading[] = "loading";
inline constexpr char kFirstWindow[] = "first_window";
inline constexpr char kWindows[] = "windows";
// Whether a long update shows its progress over the loading picture.
inline constexpr char kUpdateProgress[] = "update_progress";

// A window under "windows".
inline constexpr char kDefSize[] = "defSize";
inline constexpr char kMaxSize[] = "maxSize";
inline constexpr char kMargin[] = "margin";
inline constexpr char kStartMax[] = "startMax";
inline constexpr char kUse9Matrix[] = "use9Matrix";
inline constexpr char kCursor[] = "cursor";
inline constexpr char kResizable[] = "resizable";
inline constexpr char kNext[] = "next";
inline constexpr char kBackground[] = "background";
inline constexpr char kElements[] = "elements";
inline constexpr char kBorder[] = "border";
inline constexpr char kButtons[] = "buttons";
inline constexpr char kMatrix[] = "matrix";

// A button under "buttons".
inline constexpr char kFunc[] = "func";
inline constexpr char kCoord[] = "coord";
inline constexpr char kSize[] = "size";
inline constexpr char kNormal[] = "normal";
inline constexpr char kHove[] = "hove";
inline constexpr char kPressed[] = "pressed";
inline constexpr char kAlter[] = "alter";
inline constexpr char kAlterHove[] = "alter_hove";
inline constexpr char kAlterPressed[] = "alter_pressed";

// Every key each kind of object knows, in the order the launcher reads them.
inline constexpr const char* kTopKeys[] = {kUpdateUrl,   kGameUrl, kLoading,
                                           kFirstWindow, kWindows, kUpdateProgress};
inline constexpr const char* kWindowKeys[] = {
    kDefSize, kMaxSize,    kMargin,   kStartMax, kUse9Matrix, kCursor, kResizable,
    kNext,    kBackground, kElements, kBorder,   kButtons,    kMatrix};
inline constexpr const char* kButtonKeys[] = {kFunc,    kCoord, kSize,      kNormal,      kHove,
                                              kPressed, kAlter, kAlterHove, kAlterPressed};

// The pieces under "matrix", in NineGridPiece order.
inline constexpr const char* kPieces[] = {"topleft", "top",        "topright", "left",
                                          "right",   "bottomleft", "bottom",   "bottomright"};

// The values of "func", in ButtonFunc order.
inline constexpr const char* kFuncs[] = {"close", "minimize", "maximize", "refresh"};

} // namespace static_keys
