// Fuzzes the reader of a recovery copy's companion: any text is refused or
// read, and what was read is written back to a text that reads the same.
#include "data/recovery.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    RecoveryIdentity id;
    if (!ParseCompanion(text, &id))
        return 0;
    RecoveryIdentity again;
    if (!ParseCompanion(CompanionText(id), &again) || again.m_sz_path != id.m_sz_path ||
        again.m_n_kind != id.m_n_kind || again.m_n_size != id.m_n_size ||
        again.m_n_time != id.m_n_time || again.m_n_process_id != id.m_n_process_id ||
        RecoveryKey(again) != RecoveryKey(id))
        std::abort();
    return 0;
}
