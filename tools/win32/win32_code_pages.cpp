// Code page conversion by the system (WideCharToMultiByte, no default character).
#include "tools/code_page.h"

#include <windows.h>

namespace {

class Win32Converter : public CodePageConverter {
  public:
    int64_t Convert(uint32_t code_page, const char16_t* units, int64_t count, uint8_t* out,
                    int64_t capacity) override {
        if (units == nullptr || count <= 0 || count > 0x7FFFFFFF || capacity > 0x7FFFFFFF)
            return 0;
        return WideCharToMultiByte(code_page, 0, reinterpret_cast<const wchar_t*>(units),
                                   static_cast<int>(count), reinterpret_cast<char*>(out),
                                   out == nullptr ? 0 : static_cast<int>(capacity), nullptr,
                                   nullptr);
    }
};

} // namespace

CodePageConverter& PlatformCodePages() {
    static Win32Converter converter;
    return converter;
}
