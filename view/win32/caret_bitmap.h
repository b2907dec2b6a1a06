// CaretBitmap: a solid 32-bit bitmap for a caret that the system combines
// with the screen by exclusive or, with the pixels it was made from.
#pragma once

#include "view/canvas.h"

#include <windows.h>

#include <cstdint>
#include <vector>

class CaretBitmap {
  public:
    CaretBitmap() = default;
    ~CaretBitmap() { Release(); }
    CaretBitmap(const CaretBitmap&) = delete;
    CaretBitmap& operator=(const CaretBitmap&) = delete;

    // A width x height bitmap of one colour (a COLORREF); null on failure.
    // The previous bitmap is freed first.
    HBITMAP Make(int32_t width, int32_t height, ColorRef color) {
        Release();
        // Pixels are blue, green, red, 0 in memory; COLORREF holds red lowest.
        const uint32_t pixel =
            ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
        m_pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), pixel);
        m_h_bitmap = CreateBitmap(width, height, 1, 32, m_pixels.data());
        return m_h_bitmap;
    }
    void Release() {
        if (m_h_bitmap) {
            DeleteObject(m_h_bitmap);
            m_h_bitmap = nullptr;
        }
        m_pixels.clear();
    }

  private:
    HBITMAP m_h_bitmap = nullptr;
    std::vector<uint32_t> m_pixels;
};
