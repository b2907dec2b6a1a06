// Full repaint of a maximised view (150 rows) over an overlay of about
// 100,000 pieces, drawing into a canvas that only counts its calls.
#include "data/data_plane.h"
#include "data/document.h"
#include "tools/bookmark_keeper.h"
#include "view/geometry.h"
#include "view/paint.h"
#include "view/view_host.h"
#include "view/view_state.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace {

class CountingCanvas : public Canvas {
  public:
    void FillRect(const CanvasRect&, ColorRef) override { ++m_n_calls; }
    void OpaqueTextW(int32_t x, int32_t, const CanvasRect&, const wchar_t* text, int32_t,
                     ColorRef fg, ColorRef bk) override {
        m_n_sum += static_cast<uint32_t>(x) + text[0] + fg + bk;
        ++m_n_calls;
    }
    void OpaqueTextA(int32_t x, int32_t, const CanvasRect&, const char* text, int32_t, ColorRef fg,
                     ColorRef bk) override {
        m_n_sum += static_cast<uint32_t>(x) + static_cast<unsigned char>(text[0]) + fg + bk;
        ++m_n_calls;
    }
    void TextOutW(int32_t, int32_t, const wchar_t* text, int32_t, ColorRef, ColorRef) override {
        m_n_sum += text[0];
        ++m_n_calls;
    }
    int TextExtent(const wchar_t*, int32_t count, int32_t* cx, int32_t* cy) override {
        *cx = 8 * count;
        *cy = 16;
        return 1;
    }
    int CharAbcWidths(wchar_t, double* a, double* b, double* c) override {
        *a = 0;
        *b = 8;
        *c = 0;
        return 1;
    }
    int32_t LogPixelsY() override { return 96; }
    void* NewFont(const FontRequest&) override { return this; }
    void UseFont(void*) override {}
    void FreeFont(void*) override {}

    uint64_t m_n_calls = 0;
    uint64_t m_n_sum = 0;
};

class BenchHost : public ViewHost {
  public:
    Canvas* MemoryCanvas() override { return &m_canvas; }
    void Invalidate() override {}
    int CreateCaret(int32_t, int32_t, ColorRef) override { return 1; }
    void DestroyCaret() override {}
    void SetCaretPos(int32_t, int32_t) override {}
    void ShowCaret() override {}
    void SetStatusText(int, const wchar_t*) override {}
    void SetScrollRange(int32_t) override {}
    void SetScrollPos(int32_t) override {}
    int GetScrollState(ScrollState*) override { return 0; }
    int32_t ClientHeight() override { return 151 * 16; }
    int32_t WindowHeight() override { return 151 * 16; }
    int32_t ClientBottom() override { return 151 * 16; }
    void FitMainWindowWidth(int32_t) override {}
    void CaptureMouse() override {}
    void ReleaseMouse() override {}
    void TrackHover(int) override {}
    void RequestFont(int) override {}

    CountingCanvas m_canvas;
};

void BM_FullRepaint150Rows(benchmark::State& state) {
    const int64_t file_size = 8 << 20;
    const auto path = std::filesystem::temp_directory_path() / "pelmora_paint_bench.bin";
    {
        std::vector<char> bytes(static_cast<size_t>(file_size));
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>(i * 7);
        }
        std::ofstream(path, std::ios::binary).write(bytes.data(), file_size);
    }
    BenchHost host;
    ViewHost* previous = SetViewHost(&host);
    auto view_state = std::make_unique<ViewState>(nullptr);
    auto doc = std::make_unique<CallBackInfo>(nullptr);
    if (!doc->OpenFile(path.wstring().c_str())) {
        state.SkipWithError("cannot open the bench file");
        return;
    }
    ComputeMetrics(doc.get());
    view_state->m_b_document_open = 1;
    // One typed byte every 160 bytes splits the source into about 100,000 pieces.
    // Each byte typed inside a source piece adds two pieces; counted here, as
    // counting the list after every byte would cost more than the benchmark.
    for (int64_t offset = 80, pieces = 1; pieces < 100000; offset += 160, pieces += 2) {
        doc->m_p_data_plane->SetNibble(offset, 0xA, 1, &doc->m_file_mapping);
    }
    // Show the middle of the document, with a selection over part of it.
    doc->m_n_top_line = file_size / 32;
    doc->m_n_top_offset = doc->m_n_top_line * 16;
    doc->m_n_sel_anchor = doc->m_n_top_offset + 100;
    doc->m_n_sel_active = doc->m_n_top_offset + 900;
    // With argument 1, 100,000 bookmarks of 16 bytes over the whole file are
    // drawn in their colour, as the frame hands them to the view.
    std::unique_ptr<BookmarkKeeper> marks;
    if (state.range(0)) {
        marks = std::make_unique<BookmarkKeeper>(doc.get(), std::wstring(), std::wstring());
        for (int64_t i = 0; i < 100000; ++i) {
            marks->Set().Add(i * (file_size / 100000), 16, L"mark", std::wstring());
        }
        view_state->m_p_byte_marks = marks.get();
        view_state->m_cr_bookmark_bk = 0x5A3A1E;
    }
    for (auto _ : state) {
        PaintView(doc.get(), view_state.get(), &host.m_canvas, 1280, 150 * 16);
        benchmark::DoNotOptimize(host.m_canvas.m_n_sum);
    }
    state.counters["pieces"] = static_cast<double>(doc->m_p_data_plane->PieceCount());
    state.counters["calls_per_paint"] =
        static_cast<double>(host.m_canvas.m_n_calls) / static_cast<double>(state.iterations());
    state.counters["bookmarks"] = marks ? static_cast<double>(marks->Set().Count()) : 0.0;
    marks.reset();
    doc.reset();
    view_state.reset();
    SetViewHost(previous);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}
BENCHMARK(BM_FullRepaint150Rows)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
