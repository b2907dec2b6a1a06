// The standard key set (see standard_keys.h).
#include "settings/standard_keys.h"

#include "base/format_text.h"
#include "settings/settings_file.h"
#include "settings/shortcut_keys.h"

namespace {

const wchar_t kSection[] = L"hotkey";

constexpr uint16_t kShift = kHotkeyShift << 8;
constexpr uint16_t kCtrl = kHotkeyCtrl << 8;

// Virtual-key codes of the keys below.
constexpr uint16_t kPageUp = 0x21, kPageDown = 0x22, kEnd = 0x23, kHome = 0x24;
constexpr uint16_t kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28;
constexpr uint16_t kInsert = 0x2D, kDelete = 0x2E;

} // namespace

const StandardKey kStandardKeys[] = {
    {L"Open file", kCtrl | 'O'},
    {L"Save as", kCtrl | 'S'},
    {L"Copy displayed hex", kCtrl | 'C'},
    {L"Cut", kCtrl | 'X'},
    {L"Insert from clipboard", kCtrl | 'V'},
    {L"Remove", kDelete},
    {L"Find dialog", kCtrl | 'F'},
    {L"Goto dialog", kCtrl | 'G'},
    {L"Undo", kCtrl | 'Z'},
    {L"Redo", kCtrl | 'Y'},
    {L"Byte left", kLeft},
    {L"Byte right", kRight},
    {L"Line up", kUp},
    {L"Line down", kDown},
    {L"Extend byte left", kShift | kLeft},
    {L"Extend byte right", kShift | kRight},
    {L"Extend line up", kShift | kUp},
    {L"Extend line down", kShift | kDown},
    {L"Page up", kPageUp},
    {L"Page down", kPageDown},
    {L"Extend page up", kShift | kPageUp},
    {L"Extend page down", kShift | kPageDown},
    {L"Row start", kHome},
    {L"Row end", kEnd},
    {L"Extend row start", kShift | kHome},
    {L"Extend row end", kShift | kEnd},
    {L"Document start", kCtrl | kHome},
    {L"Document end", kCtrl | kEnd},
    {L"Extend document start", kCtrl | kShift | kHome},
    {L"Extend document end", kCtrl | kShift | kEnd},
    {L"Edit mode", kInsert},
};
const int kStandardKeyCount = static_cast<int>(sizeof(kStandardKeys) / sizeof(kStandardKeys[0]));

namespace {

// The owner named by a key's reverse entry when it is a command; a stale
// name of something else counts as no owner.
std::wstring OwnerOf(uint16_t code) {
    wchar_t owner[200] = {};
    FindShortcutOwner(code, owner, 200);
    for (const ShortcutCommand& row : ShortcutCommandTable) {
        if (std::wstring(row.m_sz_name) == owner) {
            return owner;
        }
    }
    return std::wstring();
}

std::wstring ReverseKey(uint16_t code) {
    return FormatText(L"%04X", code);
}

} // namespace

StandardKeysPlan PlanStandardKeys() {
    StandardKeysPlan plan;
    for (int i = 0; i < kStandardKeyCount; ++i) {
        const StandardKey& key = kStandardKeys[i];
        if (ReadProfileInt(kSection, key.m_sz_command, 0) & 0xFFFF) {
            continue; // the user's own key stays
        }
        StandardBinding binding = {key, OwnerOf(key.m_n_code)};
        if (binding.m_sz_owner == key.m_sz_command) {
            binding.m_sz_owner.clear(); // a stale reverse entry of the command itself
        }
        (binding.m_sz_owner.empty() ? plan.m_free : plan.m_taken).push_back(binding);
    }
    return plan;
}

std::wstring TakenKeysText(const StandardKeysPlan& plan) {
    std::wstring text;
    for (const StandardBinding& binding : plan.m_taken) {
        wchar_t key[64] = {};
        uint32_t capacity = 64;
        FormatHotkeyText(binding.m_key.m_n_code, key, &capacity);
        text += FormatText(L"%s: %s\n", key, binding.m_sz_owner.c_str());
    }
    return text;
}

int ApplyStandardKeys(const StandardKeysPlan& plan, int move_taken) {
    std::vector<StandardBinding> bindings = plan.m_free;
    if (move_taken) {
        bindings.insert(bindings.end(), plan.m_taken.begin(), plan.m_taken.end());
    }
    if (bindings.empty()) {
        return 1;
    }
    CSettingsBatch batch;
    for (const StandardBinding& binding : bindings) {
        if (!binding.m_sz_owner.empty()) {
            batch.Set(kSection, binding.m_sz_owner.c_str(), nullptr);
        }
        batch.Set(kSection, ReverseKey(binding.m_key.m_n_code).c_str(), binding.m_key.m_sz_command);
        batch.SetInt(kSection, binding.m_key.m_sz_command, binding.m_key.m_n_code);
    }
    if (!batch.Commit()) {
        return 0;
    }
    for (const StandardBinding& binding : bindings) {
        if (!binding.m_sz_owner.empty()) {
            SetShortcutKey(binding.m_sz_owner.c_str(), 0);
        }
        SetShortcutKey(binding.m_key.m_sz_command, binding.m_key.m_n_code);
    }
    return 1;
}
