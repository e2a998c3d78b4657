#pragma once

#include <cstdint>

// The window system's vocabulary: geometry, message numbers, styles and flags, numbered
// as the handheld's window system numbers them so that stored templates and the dialog
// code read the same on every platform.
namespace quorvex {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Left and top inside, right and bottom outside, as the handheld counts them.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    Point TopLeft() const { return {left, top}; }
    bool Contains(Point p) const
    {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr std::uint16_t LOWORD(std::uintptr_t v)
{
    return static_cast<std::uint16_t>(v & 0xFFFF);
}
inline constexpr std::uint16_t HIWORD(std::uintptr_t v)
{
    return static_cast<std::uint16_t>((v >> 16) & 0xFFFF);
}
inline constexpr WPARAM MAKEWPARAM(std::uint16_t low, std::uint16_t high)
{
    return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}

// Messages.
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_SIZE = 0x0005;
inline constexpr std::uint32_t WM_PAINT = 0x000F;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_SETFONT = 0x0030;
inline constexpr std::uint32_t WM_GETFONT = 0x0031;
inline constexpr std::uint32_t WM_INITDIALOG = 0x0110;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t WM_TIMER = 0x0113;
inline constexpr std::uint32_t STM_SETIMAGE = 0x0172;
inline constexpr std::uint32_t STM_GETIMAGE = 0x0173;
inline constexpr std::uint32_t LB_SETCURSEL = 0x0186;
inline constexpr std::uint32_t LB_GETCURSEL = 0x0188;
inline constexpr std::uint32_t WM_APP = 0x8000;

// Notifications carried in the high word of WM_COMMAND's wParam.
inline constexpr std::uint16_t BN_CLICKED = 0;
inline constexpr std::uint16_t CBN_SELCHANGE = 1;

// Commands and message-box answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// WM_SIZE kinds.
inline constexpr WPARAM SIZE_RESTORED = 0;

// Window styles.
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t WS_EX_TOOLWINDOW = 0x00000080;
inline constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000;
inline constexpr std::uint32_t WS_EX_CAPTIONOKBTN = 0x80000000;
inline constexpr std::uint32_t DS_SETFONT = 0x00000040;

// Control styles.
inline constexpr std::uint32_t BS_GROUPBOX = 0x00000007;
inline constexpr std::uint32_t BS_TYPEMASK = 0x0000000F;
inline constexpr std::uint32_t BS_FLAT = 0x00008000;
inline constexpr std::uint32_t SS_LEFT = 0x00000000;
inline constexpr std::uint32_t SS_LEFTNOWORDWRAP = 0x0000000C;
inline constexpr std::uint32_t SS_ICON = 0x00000003;
inline constexpr std::uint32_t SS_BITMAP = 0x0000000E;
inline constexpr std::uint32_t CBS_DROPDOWNLIST = 0x00000003;

// Predefined window classes by template ordinal.
inline constexpr std::uint16_t kButtonClassOrdinal = 0x0080;
inline constexpr std::uint16_t kStaticClassOrdinal = 0x0082;
inline constexpr std::uint16_t kListBoxClassOrdinal = 0x0083;
inline constexpr std::uint16_t kComboBoxClassOrdinal = 0x0085;

// Image kinds of STM_GETIMAGE and STM_SETIMAGE.
inline constexpr WPARAM IMAGE_BITMAP = 0;
inline constexpr WPARAM IMAGE_ICON = 1;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;

// SetWindowPos flags and insertion points.
inline constexpr std::uint32_t SWP_NOSIZE = 0x0001;
inline constexpr std::uint32_t SWP_NOMOVE = 0x0002;
inline constexpr std::uint32_t SWP_NOZORDER = 0x0004;
inline constexpr std::uint32_t SWP_NOACTIVATE = 0x0010;
inline constexpr std::uint32_t SWP_NOOWNERZORDER = 0x0200;
class Window;
inline Window* const HWND_TOP = nullptr;

// System metrics.
inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;

// Font weights.
inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_BOLD = 700;

// Message-box types.
inline constexpr std::uint32_t MB_OK = 0x00000000;
inline constexpr std::uint32_t MB_OKCANCEL = 0x00000001;
inline constexpr std::uint32_t MB_YESNOCANCEL = 0x00000003;
inline constexpr std::uint32_t MB_YESNO = 0x00000004;
inline constexpr std::uint32_t MB_TYPEMASK = 0x0000000F;
inline constexpr std::uint32_t MB_ICONQUESTION = 0x00000020;
inline constexpr std::uint32_t MB_ICONEXCLAMATION = 0x00000030;
inline constexpr std::uint32_t MB_ICONMASK = 0x000000F0;
inline constexpr std::uint32_t MB_SETFOREGROUND = 0x00010000;

// Raster operation of a straight block copy.
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;

}  // namespace quorvex
