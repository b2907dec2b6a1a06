// Recovery copies (see recovery.h): the companion text, the copy's key, the
// in-memory workspace image, the matching rule and the store in the folder.
#include "data/recovery.h"

#include "base/messages.h"
#include "base/same_path.h"
#include "base/utf8.h"
#include "data/data_plane.h"
#include "data/document.h"
#include "data/workspace.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <sstream>

namespace {

constexpr char kCompanionMagic[] = "PELMORA.RECOVERY 1";
const wchar_t kCopyExtension[] = L".interm";
const wchar_t kCompanionExtension[] = L".doc";
const wchar_t kNewSuffix[] = L".new";

// FNV-1a over the path's case-folded code units.
uint64_t PathHash(const std::wstring& path) {
    uint64_t h = 1469598103934665603ull;
    for (wchar_t c : path) {
        const uint32_t u = FoldPathChar(c);
        for (int k = 0; k < 4; ++k) {
            h ^= (u >> (8 * k)) & 0xFF;
            h *= 1099511628211ull;
        }
    }
    return h;
}

bool EndsWith(const std::wstring& name, const wchar_t* suffix) {
    const std::wstring s(suffix);
    return name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
}

// Collects what WriteWorkspace writes into a byte vector.
class MemoryWorkspaceOps final : public WorkspaceFileOps {
  public:
    explicit MemoryWorkspaceOps(std::vector<uint8_t>* out) : m_p_out(out) {}
    void* OpenWrite(const wchar_t*) override {
        m_p_out->clear();
        return m_p_out;
    }
    void* OpenRead(const wchar_t*) override { return nullptr; }
    size_t Write(void*, const void* data, size_t count) override {
        const auto* b = static_cast<const uint8_t*>(data);
        try {
            m_p_out->insert(m_p_out->end(), b, b + count);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        return count;
    }
    size_t Read(void*, void*, size_t) override { return 0; }
    int64_t Size(void*) override { return static_cast<int64_t>(m_p_out->size()); }
    int FlushToDisk(void*) override { return 1; }
    int Close(void*) override { return 1; }
    int Exists(const wchar_t*) override { return 0; }
    int MoveReplace(const wchar_t*, const wchar_t*) override { return 0; }
    int Delete(const wchar_t*) override {
        m_p_out->clear();
        return 1;
    }

  private:
    std::vector<uint8_t>* m_p_out;
};

} // namespace

std::string CompanionText(const RecoveryIdentity& id) {
    std::string path;
    WideToUtf8(id.m_sz_path.c_str(), &path);
    std::string file_key;
    WideToUtf8(id.m_sz_file_key.c_str(), &file_key);
    std::ostringstream out;
    out << kCompanionMagic << "\nkind " << (id.m_n_kind == RECOVERY_PROCESS ? "process" : "file")
        << "\npath " << path << "\nsize " << id.m_n_size << "\ntime " << id.m_n_time << "\npid "
        << id.m_n_process_id << "\n";
    // Later fields: versions that do not know them pass over them.
    if (!file_key.empty())
        out << "fileid " << file_key << "\n";
    out << "owner " << id.m_n_owner_id << "\nstarted " << id.m_n_owner_start << "\n";
    return out.str();
}

int ParseCompanion(const std::string& text, RecoveryIdentity* id) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kCompanionMagic)
        return 0;
    RecoveryIdentity read;
    int fields = 0;
    while (std::getline(in, line)) {
        const size_t space = line.find(' ');
        if (space == std::string::npos)
            return 0;
        const std::string key = line.substr(0, space), value = line.substr(space + 1);
        char* end = nullptr;
        if (key == "kind") {
            if (value != "file" && value != "process")
                return 0;
            read.m_n_kind = value == "process" ? RECOVERY_PROCESS : RECOVERY_FILE;
        } else if (key == "path") {
            // A path never holds a zero character; one would cut it short.
            if (value.find('\0') != std::string::npos || !Utf8ToWide(value, &read.m_sz_path))
                return 0;
        } else if (key == "fileid") {
            if (value.find('\0') != std::string::npos || !Utf8ToWide(value, &read.m_sz_file_key))
                return 0;
            continue;
        } else if (key == "owner" || key == "started") {
            const long long n = std::strtoll(value.c_str(), &end, 10);
            if (value.empty() || *end != 0)
                return 0;
            if (key == "owner")
                read.m_n_owner_id = static_cast<uint32_t>(n);
            else
                read.m_n_owner_start = n;
            continue;
        } else if (key == "size" || key == "time" || key == "pid") {
            const long long n = std::strtoll(value.c_str(), &end, 10);
            if (value.empty() || *end != 0)
                return 0;
            if (key == "size")
                read.m_n_size = n;
            else if (key == "time")
                read.m_n_time = n;
            else
                read.m_n_process_id = static_cast<uint32_t>(n);
        } else {
            continue; // a field of a later version
        }
        ++fields;
    }
    if (fields < 5 || read.m_sz_path.empty())
        return 0;
    *id = read;
    return 1;
}

std::wstring RecoveryKey(const RecoveryIdentity& id) {
    wchar_t text[80];
    if (id.m_n_kind == RECOVERY_PROCESS)
        std::swprintf(text, 80, L"p%08X", id.m_n_process_id);
    else
        std::swprintf(text, 80, L"f%016llX",
                      static_cast<unsigned long long>(PathHash(id.m_sz_path)));
    std::wstring key = text;
    if (id.m_n_owner_id != 0) {
        std::swprintf(text, 80, L"-%08X-%016llX", id.m_n_owner_id,
                      static_cast<unsigned long long>(id.m_n_owner_start));
        key += text;
    }
    return key;
}

int SameFile(const RecoveryIdentity& copy, const RecoveryIdentity& opened) {
    if (SamePath(copy.m_sz_path, opened.m_sz_path))
        return 1;
    return !copy.m_sz_file_key.empty() && copy.m_sz_file_key == opened.m_sz_file_key ? 1 : 0;
}

int SerializeWorkspace(const CDataPlane* plane, int64_t file_size, std::vector<uint8_t>* out) {
    MemoryWorkspaceOps ops(out);
    return WriteWorkspace(L"memory", plane, file_size, ops);
}

int SerializeWorkspace(const PlaneSnapshot& snapshot, int64_t file_size,
                       std::vector<uint8_t>* out) {
    MemoryWorkspaceOps ops(out);
    return WriteWorkspace(L"memory", snapshot, file_size, ops);
}

RecoveryMatch MatchRecovery(const RecoveryIdentity& copy, const RecoveryIdentity& opened,
                            int64_t copy_time, int64_t workspace_time) {
    if (copy.m_n_size != opened.m_n_size || copy.m_n_time != opened.m_n_time)
        return RecoveryMatch::kChanged;
    if (workspace_time >= 0 && workspace_time > copy_time)
        return RecoveryMatch::kStale;
    return RecoveryMatch::kOffer;
}

WorkspaceStamp TakeWorkspaceStamp(RecoveryPlatform& platform, const wchar_t* workspace_path) {
    WorkspaceStamp stamp;
    stamp.m_b_exists = platform.Stamp(workspace_path, &stamp.m_n_size, &stamp.m_n_time);
    return stamp;
}

int WorkspaceReplacedSince(const WorkspaceStamp& before, const WorkspaceStamp& now) {
    if (!now.m_b_exists)
        return 0;
    return !before.m_b_exists || before.m_n_size != now.m_n_size || before.m_n_time != now.m_n_time
               ? 1
               : 0;
}

RecoveryStore::RecoveryStore(std::wstring folder, WorkspaceFileOps& ops, RecoveryPlatform& platform)
    : m_sz_folder(std::move(folder)), m_ops(ops), m_platform(platform) {}

std::wstring RecoveryStore::CopyPath(const RecoveryIdentity& id) const {
    return m_sz_folder + RecoveryKey(id) + kCopyExtension;
}

std::wstring RecoveryStore::CompanionPath(const RecoveryIdentity& id) const {
    return m_sz_folder + RecoveryKey(id) + kCompanionExtension;
}

int RecoveryStore::WriteReplacing(const std::wstring& path, const void* data, size_t count) {
    const std::wstring temp = path + kNewSuffix;
    void* file = m_ops.OpenWrite(temp.c_str());
    if (file == nullptr)
        return 0;
    const bool written = count == 0 || m_ops.Write(file, data, count) == count;
    const bool flushed = written && m_ops.FlushToDisk(file) != 0;
    const bool closed = m_ops.Close(file) != 0;
    if (!flushed || !closed || !m_ops.MoveReplace(temp.c_str(), path.c_str())) {
        m_ops.Delete(temp.c_str());
        return 0;
    }
    return 1;
}

int RecoveryStore::Write(const RecoveryIdentity& id, const std::vector<uint8_t>& image,
                         int with_companion) {
    if (m_sz_folder.empty() || image.empty())
        return 0;
    if (with_companion) {
        const std::string text = CompanionText(id);
        if (!WriteReplacing(CompanionPath(id), text.data(), text.size())) {
            DebugTrace(L"Recovery: companion not written: %s\n", CompanionPath(id).c_str());
            return 0;
        }
    }
    if (!WriteReplacing(CopyPath(id), image.data(), image.size())) {
        DebugTrace(L"Recovery: copy not written: %s\n", CopyPath(id).c_str());
        return 0;
    }
    return 1;
}

int RecoveryStore::WriteCompanion(const RecoveryIdentity& id) {
    if (m_sz_folder.empty())
        return 0;
    const std::string text = CompanionText(id);
    return WriteReplacing(CompanionPath(id), text.data(), text.size());
}

int RecoveryStore::Delete(const RecoveryIdentity& id) {
    if (m_sz_folder.empty())
        return 0;
    const std::wstring copy = CopyPath(id), companion = CompanionPath(id);
    if (m_ops.Exists(copy.c_str()) && !m_ops.Delete(copy.c_str()))
        return 0; // the companion stays while its copy does
    if (m_ops.Exists(companion.c_str()))
        m_ops.Delete(companion.c_str());
    return m_ops.Exists(companion.c_str()) ? 0 : 1;
}

namespace {

int ReadSmallFile(WorkspaceFileOps& ops, const std::wstring& path, std::string* out) {
    void* file = ops.OpenRead(path.c_str());
    if (file == nullptr)
        return 0;
    char buffer[4096];
    const size_t n = ops.Read(file, buffer, sizeof buffer);
    ops.Close(file);
    out->assign(buffer, n);
    return n < sizeof buffer ? 1 : 0;
}

} // namespace

int RecoveryStore::FindFileCopy(const RecoveryIdentity& opened, RecoveryIdentity* id,
                                int64_t* copy_time, int* open_elsewhere) {
    std::vector<std::wstring> names;
    if (m_sz_folder.empty() || !m_platform.List(m_sz_folder.c_str(), &names))
        return 0;
    uint32_t self_id = 0;
    int64_t self_start = 0;
    m_platform.Self(&self_id, &self_start);
    int found_any = 0;
    for (const std::wstring& name : names) {
        if (!EndsWith(name, kCompanionExtension))
            continue;
        std::string text;
        RecoveryIdentity found;
        if (!ReadSmallFile(m_ops, m_sz_folder + name, &text) || !ParseCompanion(text, &found) ||
            found.m_n_kind != RECOVERY_FILE || !SameFile(found, opened))
            continue;
        const bool own = found.m_n_owner_id == self_id && found.m_n_owner_start == self_start;
        if (found.m_n_owner_id != 0 && !own &&
            m_platform.InstanceRuns(found.m_n_owner_id, found.m_n_owner_start)) {
            // Another window's: neither offered nor touched while it runs.
            if (open_elsewhere != nullptr)
                *open_elsewhere = 1;
            continue;
        }
        int64_t size = 0, time = 0;
        if (m_sz_folder + name != CompanionPath(found) ||
            !m_platform.Stamp(CopyPath(found).c_str(), &size, &time))
            continue; // a companion alone, or one under another name
        if (!found_any || time > *copy_time) {
            *id = found;
            *copy_time = time;
            found_any = 1;
        }
    }
    return found_any;
}

int RecoveryStore::FindFileCopy(const wchar_t* path, RecoveryIdentity* id, int64_t* copy_time) {
    if (path == nullptr)
        return 0;
    RecoveryIdentity opened;
    opened.m_sz_path = path;
    m_platform.FileKey(path, &opened.m_sz_file_key);
    return FindFileCopy(opened, id, copy_time);
}

int RecoveryStore::Read(const RecoveryIdentity& id, CDataPlane* plane, int64_t* size) {
    const std::wstring copy = CopyPath(id);
    const int read = ReadWorkspace(plane, copy.c_str(), size, m_ops);
    if (read == kWorkspaceReadInPart)
        return read;
    return read && plane->PieceCount() > 0 ? 1 : 0;
}

int RecoveryStore::CopyAcross(const std::wstring& from, const std::wstring& to) {
    void* in = m_ops.OpenRead(from.c_str());
    if (in == nullptr)
        return 0;
    void* out = m_ops.OpenWrite(to.c_str());
    if (out == nullptr) {
        m_ops.Close(in);
        return 0;
    }
    uint8_t buffer[16384];
    const int64_t total = m_ops.Size(in);
    int64_t copied = 0;
    bool ok = total >= 0;
    while (ok && copied < total) {
        const size_t n = m_ops.Read(in, buffer, sizeof buffer);
        ok = n > 0 && m_ops.Write(out, buffer, n) == n;
        copied += static_cast<int64_t>(n);
    }
    ok = ok && copied == total && m_ops.FlushToDisk(out) != 0;
    m_ops.Close(in);
    return m_ops.Close(out) != 0 && ok ? 1 : 0;
}

int RecoveryStore::MoveBeside(const RecoveryIdentity& id, std::wstring* place) {
    // The recovery folder and the file are often on different volumes, where
    // no move is possible: the copy is copied, and goes here only once the
    // new file is complete and on disk.
    const std::wstring copy = CopyPath(id);
    const std::wstring target = WorkspaceName(id.m_sz_path.c_str()) + L".recovered";
    const std::wstring temp = target + kNewSuffix;
    if (!CopyAcross(copy, temp) || !m_ops.MoveReplace(temp.c_str(), target.c_str())) {
        m_ops.Delete(temp.c_str());
        *place = copy;
        return 0;
    }
    if (!Delete(id))
        DebugTrace(L"Recovery: copy kept beside the file was not deleted: %s\n", copy.c_str());
    *place = target;
    return 1;
}

int RestoreFromCopy(CallBackInfo* doc, RecoveryStore& store, const RecoveryIdentity& copy) {
    CDataPlane* plane = new (std::nothrow) CDataPlane();
    int64_t size = doc->m_file_mapping.m_n_file_size;
    const int read = plane != nullptr ? store.Read(copy, plane, &size) : 0;
    if (!read || plane->PieceCount() == 0) {
        delete plane;
        return 0;
    }
    // No step leads back to a kept state: the restored edits stay pending
    // whatever is undone.
    doc->StartAfreshWith(std::unique_ptr<CDataPlane>(plane), size);
    doc->MarkNeverKept();
    return read;
}

// A file a running instance may still be writing is younger than a day,
// which gives any write all the time it needs.
int RecoveryStore::OlderThanADay(const std::wstring& path, int64_t now) {
    int64_t size = 0, time = 0;
    return m_platform.Stamp(path.c_str(), &size, &time) && now - time > kTicksPerDay;
}

int RecoveryStore::Sweep() {
    std::vector<std::wstring> names;
    if (m_sz_folder.empty() || !m_platform.List(m_sz_folder.c_str(), &names))
        return 0;
    const int64_t now = m_platform.Now();
    int deleted = 0;
    for (const std::wstring& name : names) {
        const std::wstring path = m_sz_folder + name;
        if (EndsWith(name, kNewSuffix)) {
            // Left by a write that never finished.
            if (OlderThanADay(path, now))
                m_ops.Delete(path.c_str());
            continue;
        }
        if (!EndsWith(name, kCompanionExtension))
            continue;
        const std::wstring stem = path.substr(0, path.size() - wcslen(kCompanionExtension));
        const std::wstring copy = stem + kCopyExtension;
        std::string text;
        RecoveryIdentity id;
        int64_t size = 0, time = 0;
        const bool parsed = ReadSmallFile(m_ops, path, &text) && ParseCompanion(text, &id);
        if (parsed && id.m_n_owner_id != 0 &&
            m_platform.InstanceRuns(id.m_n_owner_id, id.m_n_owner_start))
            continue; // its owner still runs and may still need it
        const bool has_copy = m_platform.Stamp(copy.c_str(), &size, &time) != 0;
        if ((!parsed || !has_copy) && !OlderThanADay(path, now))
            continue; // perhaps a running instance's write under way
        bool drop = !parsed || !has_copy;
        if (!drop && id.m_n_kind == RECOVERY_PROCESS)
            drop = !m_platform.ProcessRuns(id.m_n_process_id, id.m_sz_path.c_str());
        if (!drop && id.m_n_kind == RECOVERY_FILE)
            drop = now - time > kRecoveryKeepDays * kTicksPerDay;
        if (!drop)
            continue;
        if (has_copy && m_ops.Delete(copy.c_str()))
            ++deleted;
        m_ops.Delete(path.c_str());
    }
    // Copies whose companion is gone cannot be matched to anything.
    for (const std::wstring& name : names) {
        if (!EndsWith(name, kCopyExtension))
            continue;
        const std::wstring stem =
            m_sz_folder + name.substr(0, name.size() - wcslen(kCopyExtension));
        if (!m_ops.Exists((stem + kCompanionExtension).c_str()) &&
            OlderThanADay(m_sz_folder + name, now) && m_ops.Delete((m_sz_folder + name).c_str()))
            ++deleted;
    }
    return deleted;
}
