// Copy speed of the largest hex copy (0x200000 bytes), plain and formatted,
// through CopyDisplayedHex onto the in-memory clipboard, over an overlay of
// about 100,000 pieces: once with the pieces spread over a larger file around
// the selection, once with all of them inside the selection.
//
//   clipboard_bench [runs (default 20)]
//
// Prints the best and the median time of the runs.
#include "data/data_plane.h"
#include "data/document.h"
#include "tools/clipboard.h"
#include "tools/clipboard_commands.h"
#include "tools/memory_clipboard.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int64_t kCopy = 0x200000;
constexpr int64_t kPieces = 100000;

int64_t CountPieces(const CDataPlane* plane) {
    return plane->PieceCount();
}

struct Scene {
    const char* name;
    int64_t file_size;
    int64_t sel_start; // deliberately not on a row boundary
    int64_t edit_first;
    int64_t edit_last;
};

void Run(const Scene& scene, int runs, const std::filesystem::path& path) {
    {
        std::vector<char> bytes(static_cast<size_t>(scene.file_size));
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 131 + (i >> 9));
        std::ofstream(path, std::ios::binary).write(bytes.data(), scene.file_size);
    }
    auto doc = std::make_unique<CallBackInfo>(nullptr);
    if (!doc->OpenFile(path.wstring().c_str())) {
        std::printf("%s: cannot open the file\n", scene.name);
        return;
    }
    // Typed bytes evenly over the edit range: two pieces each.
    const int64_t step = (scene.edit_last - scene.edit_first) / (kPieces / 2);
    for (int64_t at = scene.edit_first, n = 1; n < kPieces; at += step, n += 2)
        doc->m_p_data_plane->SetNibble(at, 0xC, 1, &doc->m_file_mapping);
    const int64_t pieces = CountPieces(doc->m_p_data_plane);
    doc->m_n_sel_anchor = scene.sel_start;
    doc->m_n_sel_active = scene.sel_start + kCopy - 1;

    MemoryClipboard clipboard;
    ClipboardOps* previous = SetClipboard(&clipboard);
    for (int formatted = 0; formatted < 2; ++formatted) {
        std::vector<double> ms;
        int ok = 1;
        size_t text_bytes = 0;
        for (int i = 0; i < runs; ++i) {
            clipboard.Clear();
            const auto t0 = std::chrono::steady_clock::now();
            ok &= CopyDisplayedHex(doc.get(), formatted);
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                    .count());
            text_bytes = clipboard.Get(kClipboardUnicodeText).size();
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-10s %-9s %lld pieces: best %7.2f ms, median %7.2f ms, %zu text bytes%s\n",
                    scene.name, formatted ? "formatted" : "plain", static_cast<long long>(pieces),
                    ms.front(), ms[ms.size() / 2], text_bytes, ok ? "" : "  COPY FAILED");
    }
    SetClipboard(previous);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const auto path = std::filesystem::temp_directory_path() / "pelmora_clipboard_bench.bin";
    std::printf("CopyDisplayedHex of 0x%llX bytes, %d runs each\n",
                static_cast<unsigned long long>(kCopy), runs);
    // 16 MiB file, pieces all over it, selection in the middle.
    Run({"spread", 16 << 20, (8 << 20) + 5, 40, (16 << 20) - 40}, runs, path);
    // 4 MiB file, every piece inside the selection.
    Run({"dense", 4 << 20, (1 << 20) + 9, (1 << 20) + 20, (3 << 20) - 20}, runs, path);
    std::filesystem::remove(path);
    return 0;
}
