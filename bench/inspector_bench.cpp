// One data inspector update: the 16 bytes at the selection start read through
// an overlay of about 100,000 pieces over an 8 MiB file, and every type's text
// made from them, at a caret that moves through the file. Goal: well under
// 1 ms of CPU per update.
#include "data/document.h"
#include "tools/data_inspector.h"
#include "tools/value_decoder.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

void BM_InspectorUpdate(benchmark::State& state) {
    const int64_t file_size = 8 << 20;
    const auto path = std::filesystem::temp_directory_path() / "pelmora_inspector_bench.bin";
    {
        std::vector<char> bytes(static_cast<size_t>(file_size));
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>(i * 13 + (i >> 11));
        }
        std::ofstream(path, std::ios::binary).write(bytes.data(), file_size);
    }
    auto doc = std::make_unique<CallBackInfo>(nullptr);
    if (!doc->OpenFile(path.wstring().c_str())) {
        state.SkipWithError("cannot open the bench file");
        return;
    }
    // Each byte typed inside a source piece adds two pieces.
    for (int64_t offset = 40, pieces = 1; pieces < 100000; offset += 80, pieces += 2) {
        doc->m_p_data_plane->SetNibble(offset, 0xA, 1, &doc->m_file_mapping);
    }
    const int big_endian = static_cast<int>(state.range(0));
    int64_t caret = file_size / 2;
    size_t chars = 0;
    for (auto _ : state) {
        // A caret move of one row, as "Line down" makes it.
        caret = caret + 16 < file_size ? caret + 16 : 0;
        doc->m_n_sel_anchor = caret;
        doc->m_n_sel_active = caret;
        const InspectorBytes at = ReadInspectorBytes(doc.get());
        for (int type = 0; type < kInspectorTypeCount; ++type) {
            chars += DecodeValue(type, at.m_bytes, at.m_n_available, big_endian).size();
        }
        benchmark::DoNotOptimize(chars);
    }
    state.counters["pieces"] = static_cast<double>(doc->m_p_data_plane->PieceCount());
    doc.reset();
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}
BENCHMARK(BM_InspectorUpdate)->Arg(0)->Arg(1)->ArgName("big_endian")->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
