// Owned wide path string (see tkstr.h).
#include "base/tkstr.h"

#include <cwchar>
#include <new>

tkstr::tkstr(const wchar_t* text) {
    if (text == nullptr || text[0] == 0)
        return;
    size_t n = std::wcslen(text);
    m_sz_text = new (std::nothrow) wchar_t[n + 1]();
    if (m_sz_text == nullptr)
        return;
    std::wmemcpy(m_sz_text, text, n);
    m_n_capacity = n;
}

tkstr::tkstr(size_t capacity, const wchar_t* text) {
    if (text == nullptr || capacity == 0)
        return;
    m_sz_text = new (std::nothrow) wchar_t[capacity + 1]();
    if (m_sz_text == nullptr)
        return;
    m_n_capacity = capacity;
    for (size_t i = 0; i < capacity && text[i] != 0; ++i)
        m_sz_text[i] = text[i];
}

tkstr::~tkstr() {
    delete[] m_sz_text;
    delete[] m_sz_folder;
}

const wchar_t* tkstr::GetFolder() {
    if (m_sz_text == nullptr)
        return nullptr;
    const wchar_t* back = std::wcsrchr(m_sz_text, L'\\');
    const wchar_t* slash = std::wcsrchr(m_sz_text, L'/');
    // Relational comparison with a null pointer is unspecified, so test first.
    const wchar_t* cut =
        back == nullptr ? slash : (slash == nullptr || back > slash ? back : slash);
    if (cut == nullptr)
        return nullptr;
    size_t n = static_cast<size_t>(cut - m_sz_text);
    wchar_t* folder = new (std::nothrow) wchar_t[n + 1]();
    if (folder == nullptr)
        return nullptr;
    std::wmemcpy(folder, m_sz_text, n);
    delete[] m_sz_folder;
    m_sz_folder = folder;
    return m_sz_folder;
}
