// Shared set-up of the hex view tests: a ViewState, a fake host with a
// recording canvas (characters 8 wide, rows 16 high) and a document opened on
// a temporary file of chosen bytes.
#pragma once

#include "data/data_plane.h"
#include "data/document.h"
#include "tests/fakes/fake_view_host.h"
#include "tests/fakes/view_state_fixture.h"
#include "view/geometry.h"
#include "view/view_state.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

class ViewFixture : public ViewStateFixture {
  protected:
    // Metrics of the fake font: m = 16, s = 8, L0 = 160, h = 16.
    static constexpr int32_t kM = 16;
    static constexpr int32_t kS = 8;
    static constexpr int32_t kL0 = 160;
    static constexpr int32_t kH = 16;

    void TearDown() override {
        ViewStateFixture::TearDown();
        for (const auto& path : m_files) {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    }

    // Opens a document over a file holding bytes; metrics computed, view open.
    CallBackInfo* Open(const std::vector<uint8_t>& bytes) {
        static int counter = 0;
        const auto path = std::filesystem::temp_directory_path() /
                          ("pelmora_view_test_" +
                           std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                           std::to_string(counter++) + ".bin");
        {
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
        }
        m_files.push_back(path);
        NewDocument();
        if (bytes.empty()) {
            // An empty file cannot be mapped; an empty document is an empty overlay.
            m_doc->m_p_data_plane = new CDataPlane();
            m_doc->m_n_data_size = 0;
        } else {
            EXPECT_EQ(1, m_doc->OpenFile(path.wstring().c_str()));
        }
        EXPECT_EQ(1, ComputeMetrics(m_doc.get()));
        m_state->m_b_document_open = 1;
        return m_doc.get();
    }

    // Bytes 0, 1, 2, ... (mod 256).
    static std::vector<uint8_t> Counting(size_t n) {
        std::vector<uint8_t> bytes(n);
        for (size_t i = 0; i < n; ++i) {
            bytes[i] = static_cast<uint8_t>(i);
        }
        return bytes;
    }

    uint8_t ByteAt(int64_t offset) {
        const uint8_t* byte = FetchEffectiveByte(m_doc.get(), offset, &m_doc->m_file_mapping);
        EXPECT_NE(nullptr, byte);
        return byte ? *byte : 0;
    }

    // Client x of the middle of hex cell c, y of the middle of visible row r.
    static int32_t CellX(int c) { return kL0 + c * (kM + kS) + (c >= 8 ? kS : 0) + kM / 2; }
    static int32_t RowY(int r) { return (r + 1) * kH + kH / 2; }

    FakeViewHost m_host;
    std::vector<std::filesystem::path> m_files;
};
