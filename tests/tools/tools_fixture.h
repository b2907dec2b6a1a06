// Shared set-up of the editing tools tests: a ViewState in edit mode, a fake
// view host, an in-memory clipboard, a message recorder and a document opened
// on a temporary file.
#pragma once

#include "data/data_plane.h"
#include "data/document.h"
#include "tests/fakes/counting_file_map_ops.h"
#include "tests/fakes/fake_view_host.h"
#include "tests/fakes/recording_message_sink.h"
#include "tests/fakes/temp_dir.h"
#include "tools/clipboard.h"
#include "tools/memory_clipboard.h"
#include "view/document_follower.h"
#include "view/view_state.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class ToolsFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        m_state = std::make_unique<ViewState>(nullptr);
        m_state->m_b_edit_mode = 1;
        m_p_previous_clipboard = SetClipboard(&m_clipboard);
    }

    void TearDown() override {
        SetClipboard(m_p_previous_clipboard);
        m_doc.reset();
        m_state.reset();
    }

    // Opens a document over a file holding bytes, with row metrics set.
    CallBackInfo* Open(const std::vector<uint8_t>& bytes) {
        m_doc.reset();
        const std::wstring path = m_dir.WriteFile("doc" + std::to_string(m_n_files++), bytes);
        m_doc = std::make_unique<CallBackInfo>(nullptr, m_ops);
        m_view_follower.Show(m_doc.get(), m_state.get());
        m_view_watch = DocumentWatch(m_doc.get(), &m_view_follower);
        EXPECT_EQ(1, m_doc->OpenFile(path.c_str()));
        m_doc->m_n_line_height = 16;
        m_doc->m_n_cell_width = 16;
        m_doc->m_n_space_width = 8;
        m_doc->m_n_hex_left = 160;
        m_state->m_b_document_open = 1;
        return m_doc.get();
    }

    // Opens a document over the memory of the fake process.
    CallBackInfo* OpenProcess(ProcessOps& process) {
        m_doc.reset();
        m_doc = std::make_unique<CallBackInfo>(nullptr, m_ops, process);
        m_view_follower.Show(m_doc.get(), m_state.get());
        m_view_watch = DocumentWatch(m_doc.get(), &m_view_follower);
        EXPECT_EQ(m_doc->m_proc_info.ListProcesses(), 1);
        m_doc->m_p_data_plane = new CDataPlane();
        EXPECT_EQ(m_doc->m_proc_info.OpenProcessAt(0, m_doc->m_p_data_plane), 1);
        m_doc->m_n_data_size = static_cast<int64_t>(m_doc->m_proc_info.m_n_total_size);
        m_doc->m_n_source_kind = 1;
        return m_doc.get();
    }

    void Select(int64_t first, int64_t last) {
        m_doc->m_n_sel_anchor = first;
        m_doc->m_n_sel_active = last;
    }

    // The effective bytes, read one by one through the overlay.
    std::vector<uint8_t> Effective() {
        std::vector<uint8_t> bytes;
        for (int64_t o = 0; o < m_doc->m_n_data_size; ++o) {
            const uint8_t* b = FetchEffectiveByte(m_doc.get(), o, &m_doc->m_file_mapping);
            EXPECT_NE(nullptr, b) << "offset " << o;
            bytes.push_back(b != nullptr ? *b : 0);
        }
        return bytes;
    }

    // Bytes 0, 1, 2, ... (mod 256).
    static std::vector<uint8_t> Counting(size_t n) {
        std::vector<uint8_t> bytes(n);
        for (size_t i = 0; i < n; ++i)
            bytes[i] = static_cast<uint8_t>(i);
        return bytes;
    }

    TempDir m_dir;
    CountingFileMapOps m_ops;
    FakeViewHost m_host;
    RecordingMessageSink m_messages;
    MemoryClipboard m_clipboard;
    std::unique_ptr<ViewState> m_state;
    std::unique_ptr<CallBackInfo> m_doc;
    // The view follows the document, as the frame makes it.
    ViewDocumentFollower m_view_follower;
    DocumentWatch m_view_watch;
    int m_n_files = 0;

  private:
    ClipboardOps* m_p_previous_clipboard = nullptr;
};
