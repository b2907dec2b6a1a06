// The sample on the Fonts and Colors page: a few rows of a hex view drawn in
// the chosen font and colours through Canvas, with its metrics and caret.
#pragma once

#include "settings/item_attributes.h"
#include "view/canvas.h"

#include <cstdint>

// Where the sample's caret stands and what it looks like.
struct SampleCaret {
    int32_t m_n_x;
    int32_t m_n_y;
    int32_t m_n_width;
    int32_t m_n_height;
    ColorRef m_cr_pixel; // caret colour XOR selected background
};

// The 40 sample bytes: "pelmora sample data." as UTF-16LE.
constexpr int kSampleByteCount = 40;
constexpr int kSampleBytesPerRow = 4;
uint8_t SampleByte(int index);

// The sample's attributes, font and metrics. The font belongs to the canvas
// it was made on; Release frees it.
class SampleModel {
  public:
    SampleModel() = default;
    SampleModel(const SampleModel&) = delete;
    SampleModel& operator=(const SampleModel&) = delete;
    ~SampleModel() = default;

    // Takes the attributes, creates the sample font on the canvas, selects it
    // and recomputes the metrics. 1 when the font was created; 0 keeps the
    // last font and metrics (the attributes and colours are taken either way).
    int SetAttributes(Canvas* canvas, const wchar_t* face, const wchar_t* style, int size,
                      const ItemColors& colors);
    // Draws the whole sample into a client area of the given size.
    void Paint(Canvas* canvas, int32_t width, int32_t height) const;
    SampleCaret Caret() const;
    // Selects the stock font and frees the sample font.
    void Release(Canvas* canvas);

    int32_t CellWidth() const { return m_n_cell_width; }
    int32_t SpaceWidth() const { return m_n_space_width; }
    int32_t AddressWidth() const { return m_n_address_width; }
    int32_t LineHeight() const { return m_n_line_height; }
    const ItemColors& Colors() const { return m_colors; }
    const wchar_t* Face() const { return m_sz_face; }
    const wchar_t* Style() const { return m_sz_style; }
    int Size() const { return m_n_size; }
    bool HasFont() const { return m_p_font != nullptr; }

  private:
    void PaintByte(Canvas* canvas, int index) const;

    void* m_p_font = nullptr;
    wchar_t m_sz_face[32] = {};
    wchar_t m_sz_style[32] = {};
    int m_n_size = 0;
    ItemColors m_colors = {};
    int32_t m_n_cell_width = 0;
    int32_t m_n_space_width = 0;
    int32_t m_n_address_width = 0;
    int32_t m_n_line_height = 0;
};
