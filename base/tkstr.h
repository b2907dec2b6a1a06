// tkstr: the program's owned wide path string, with its folder part on demand.
#pragma once

#include <cstddef>

class tkstr {
  public:
    // Copies a non-empty text; an empty or null text leaves the string null.
    explicit tkstr(const wchar_t* text);
    // Reserves capacity + 1 characters and copies at most that many of the text,
    // so callers can append a suffix of up to (capacity - length) characters.
    tkstr(size_t capacity, const wchar_t* text);
    virtual ~tkstr();
    tkstr(const tkstr&) = delete;
    tkstr& operator=(const tkstr&) = delete;

    // The text before the last '\' or '/', owned by this object; null when the
    // text is null or has no separator. Each call replaces the previous folder.
    const wchar_t* GetFolder();

    const wchar_t* c_str() const { return m_sz_text; }
    wchar_t* data() { return m_sz_text; }
    size_t capacity() const { return m_n_capacity; }

    wchar_t* m_sz_text = nullptr;
    wchar_t* m_sz_folder = nullptr;

  private:
    size_t m_n_capacity = 0; // characters m_sz_text can hold, terminator excluded
};
