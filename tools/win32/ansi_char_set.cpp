// The ANSI character set as the system's code page (CP_ACP) has it.
#include "tools/value_decoder.h"

#include <windows.h>

namespace {

class SystemAnsiCharSet : public AnsiCharSet {
  public:
    int32_t Decode(uint8_t byte) override {
        const char in = static_cast<char>(byte);
        wchar_t out[2] = {};
        // A lead byte of a double-byte page is no character on its own.
        if (IsDBCSLeadByte(byte) ||
            MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &in, 1, out, 2) != 1) {
            return -1;
        }
        return out[0];
    }
    int Encode(uint32_t code_point, uint8_t* byte) override {
        if (code_point >= 0x10000) {
            return 0;
        }
        const wchar_t in = static_cast<wchar_t>(code_point);
        char out[4] = {};
        BOOL used_default = FALSE;
        const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &in, 1, out, sizeof(out),
                                          nullptr, &used_default);
        if (n != 1 || used_default) {
            return 0;
        }
        *byte = static_cast<uint8_t>(out[0]);
        return 1;
    }
};

} // namespace

AnsiCharSet& PlatformAnsiCharSet() {
    static SystemAnsiCharSet set;
    return set;
}
