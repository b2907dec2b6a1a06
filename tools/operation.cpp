// COperation: the clipboard transfer of the copy commands.
#include "tools/operation.h"

#include "base/messages.h"

#include <cstring>

COperation::COperation(void* owner, int32_t capacity, ClipboardOps* clipboard)
    : m_h_owner(owner), m_n_size(capacity), m_b_append(1), m_n_cur_index(0),
      m_n_format(kClipboardOemText), m_p_clipboard(clipboard) {
    if (OpenClipboardPatiently(m_p_clipboard, m_h_owner)) {
        m_b_opened = 1;
        m_b_emptied = m_p_clipboard->Empty();
    } else {
        m_b_busy = 1;
    }
    // A block that could never be handed over is not made.
    if (capacity < 0 || !m_b_opened)
        return;
    m_h_global = m_p_clipboard->Alloc(static_cast<size_t>(capacity));
    if (m_h_global != nullptr)
        m_p_data = m_p_clipboard->Lock(m_h_global);
}

COperation::COperation(void* owner, ClipboardOps* clipboard)
    : m_h_owner(owner), m_p_clipboard(clipboard) {}

COperation::~COperation() {
    Finish();
}

int COperation::Finish() {
    if (!m_b_append || m_b_finished)
        return m_b_handed_over;
    m_b_finished = 1;
    if (m_h_global != nullptr) {
        if (m_p_data != nullptr)
            m_p_clipboard->Unlock(m_h_global);
        m_p_data = nullptr;
        // A block the clipboard did not take is still ours to free.
        if (m_b_emptied && m_p_clipboard->SetData(m_n_format, m_h_global))
            m_b_handed_over = 1;
        else
            m_p_clipboard->Free(m_h_global);
        m_h_global = nullptr;
    }
    if (m_b_opened)
        m_p_clipboard->Close();
    m_b_opened = 0;
    return m_b_handed_over;
}

int COperation::CopyDataToClipboard(int32_t count, const void* data, uint32_t format) {
    if (count < 0 || (count > 0 && data == nullptr))
        return 0;
    if (m_b_append) {
        uint8_t* block = m_p_clipboard->Lock(m_h_global);
        if (block == nullptr)
            return 0;
        if (m_n_cur_index >= m_n_size) {
            m_p_clipboard->Unlock(m_h_global);
            ShowMessage(L"COperation::CopyDataToClipboard Failed. append = true. m_n_cur_index = "
                        L"%d, m_n_size = %d\n",
                        m_n_cur_index, m_n_size);
            return 0;
        }
        if (count > m_n_size - m_n_cur_index)
            ShowMessage(L"COperation::CopyDataToClipboard Warning (data truncated).\r\n append = "
                        L"true. m_n_cur_index = %d, n_size = %d, m_n_size = %d\n",
                        m_n_cur_index, count, m_n_size);
        const int32_t copied = count < m_n_size - m_n_cur_index ? count : m_n_size - m_n_cur_index;
        if (copied > 0)
            std::memcpy(block + m_n_cur_index, data, static_cast<size_t>(copied));
        m_n_cur_index += copied;
        m_p_clipboard->Unlock(m_h_global);
        return 1;
    }

    if (!OpenClipboardPatiently(m_p_clipboard, m_h_owner)) {
        m_b_busy = 1;
        return 0;
    }
    if (!m_p_clipboard->Empty()) {
        m_p_clipboard->Close();
        return 0;
    }
    void* block = m_p_clipboard->Alloc(static_cast<size_t>(count));
    uint8_t* bytes = block != nullptr ? m_p_clipboard->Lock(block) : nullptr;
    if (bytes == nullptr) {
        m_p_clipboard->Free(block);
        m_p_clipboard->Close();
        return 0;
    }
    m_h_global = block;
    m_n_size = count;
    if (count > 0)
        std::memcpy(bytes, data, static_cast<size_t>(count));
    m_p_clipboard->Unlock(block);
    int handed = m_p_clipboard->SetData(format, block);
    if (!handed)
        m_p_clipboard->Free(block);
    m_h_global = nullptr;
    m_p_clipboard->Close();
    return handed;
}
