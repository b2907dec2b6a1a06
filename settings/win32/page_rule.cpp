// The two-tone rule along the bottom of a preferences page, and its painting.
#include "settings/win32/preference_pages.h"

void DrawPageRule(HDC dc, int left, int right, int y) {
    const HGDIOBJ old_pen = SelectObject(dc, GetStockObject(DC_PEN));
    const COLORREF old_color = SetDCPenColor(dc, RGB(0xFF, 0xFF, 0xFF));
    MoveToEx(dc, left, y, nullptr);
    LineTo(dc, right, y);
    SetDCPenColor(dc, RGB(0xA0, 0xA0, 0xA0));
    MoveToEx(dc, left, y - 1, nullptr);
    LineTo(dc, right, y - 1);
    SetDCPenColor(dc, old_color);
    SelectObject(dc, old_pen);
}

namespace {

RECT ChildRect(HWND page, int id) {
    RECT rect = {};
    GetWindowRect(GetDlgItem(page, id), &rect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

void PaintPageRule(HWND page, int left_control, int right_control) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(page, &paint);
    RECT client = {};
    GetClientRect(page, &client);
    DrawPageRule(dc, ChildRect(page, left_control).left, ChildRect(page, right_control).right,
                 client.bottom - 1);
    EndPaint(page, &paint);
}
