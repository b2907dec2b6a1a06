// Recovery copies: the timing rule on a fake clock, the matching rules, safe
// replacement with a file seam failing at each step, the keeper's deletions
// and the start-up cleaning.
#include "data/data_plane.h"
#include "data/document.h"
#include "data/recovery.h"
#include "data/recovery_keeper.h"
#include "data/recovery_schedule.h"
#include "data/workspace.h"
#include "tests/fakes/failing_workspace_ops.h"
#include "tests/fakes/file_contents.h"
#include "tests/fakes/memory_source.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

// The real folder calls on a test folder, with a clock that can be moved on,
// a chosen set of running processes and a chosen identity of this process
// (so that two platforms on one folder act as two instances).
class FakeRecoveryPlatform final : public RecoveryPlatform {
  public:
    explicit FakeRecoveryPlatform(const TempDir& dir) : m_sz_folder(dir.Path().wstring() + L"/") {}
    std::wstring Folder() override { return m_sz_folder; }
    int List(const wchar_t* f, std::vector<std::wstring>* n) override { return real().List(f, n); }
    int Stamp(const wchar_t* p, int64_t* s, int64_t* t) override { return real().Stamp(p, s, t); }
    int64_t Now() override { return real().Now() + m_n_days_later * kTicksPerDay; }
    int ProcessRuns(uint32_t id, const wchar_t*) override { return m_running.count(id) ? 1 : 0; }
    void Self(uint32_t* id, int64_t* start) override {
        *id = m_n_self;
        *start = 1000 + m_n_self;
    }
    // A running instance has the start time Self gives it; a reused ID does not.
    int InstanceRuns(uint32_t id, int64_t start) override {
        return m_running.count(id) && start == 1000 + id ? 1 : 0;
    }
    int FileKey(const wchar_t* p, std::wstring* key) override { return real().FileKey(p, key); }
    int64_t m_n_days_later = 0;
    std::set<uint32_t> m_running;
    uint32_t m_n_self = 4242;

  private:
    static RecoveryPlatform& real() { return PlatformRecovery(); }
    std::wstring m_sz_folder;
};

RecoveryIdentity FileIdentityOf(const std::wstring& path, int64_t size, int64_t time) {
    RecoveryIdentity id;
    id.m_sz_path = path;
    id.m_n_size = size;
    id.m_n_time = time;
    return id;
}

// The recovery folder on another volume than the file: a move between the
// two folders fails, as it does across volumes; any other step fails when
// the wrapped calls make it.
class OtherVolumeOps final : public WorkspaceFileOps {
  public:
    explicit OtherVolumeOps(WorkspaceFileOps& inner) : m_inner(inner) {}
    void* OpenWrite(const wchar_t* p) override { return m_inner.OpenWrite(p); }
    void* OpenRead(const wchar_t* p) override { return m_inner.OpenRead(p); }
    size_t Write(void* f, const void* d, size_t n) override { return m_inner.Write(f, d, n); }
    size_t Read(void* f, void* d, size_t n) override { return m_inner.Read(f, d, n); }
    int64_t Size(void* f) override { return m_inner.Size(f); }
    int FlushToDisk(void* f) override { return m_inner.FlushToDisk(f); }
    int Close(void* f) override { return m_inner.Close(f); }
    int Exists(const wchar_t* p) override { return m_inner.Exists(p); }
    int MoveReplace(const wchar_t* from, const wchar_t* to) override {
        if (std::filesystem::path(from).parent_path() != std::filesystem::path(to).parent_path())
            return 0;
        return m_inner.MoveReplace(from, to);
    }
    int Delete(const wchar_t* p) override { return m_inner.Delete(p); }

  private:
    WorkspaceFileOps& m_inner;
};

std::vector<uint8_t> Image(const CDataPlane& plane, int64_t size) {
    std::vector<uint8_t> out;
    EXPECT_EQ(1, SerializeWorkspace(&plane, size, &out));
    return out;
}

} // namespace

TEST(RecoverySchedule, WaitsForQuietButNeverLongerThanTheLongestWait) {
    // A copy is written at least every 5 s while edits go on.
    const int64_t longest_wait = 5000;
    RecoverySchedule s;
    EXPECT_EQ(s.Due(0), 0);
    s.Edited(1000);
    EXPECT_EQ(s.Due(2999), 0);
    EXPECT_EQ(s.Due(3000), 1); // two seconds of quiet
    s.Written(3000, 1);
    EXPECT_EQ(s.Due(100000), 0);

    // Edits every half second: written after the longest wait all the same.
    int64_t t = 10000;
    for (; t < 10000 + longest_wait; t += 500) {
        s.Edited(t);
        EXPECT_EQ(s.Due(t), 0) << t;
    }
    s.Edited(t);
    EXPECT_EQ(s.Due(t), 1);

    // A failed write is tried again after the longest wait, without new edits.
    s.Written(t, 0);
    EXPECT_EQ(s.Due(t + longest_wait - 1), 0);
    EXPECT_EQ(s.Due(t + longest_wait), 1);
    s.Clear();
    EXPECT_EQ(s.Due(t + 100000), 0);
}

TEST(Recovery, CompanionNamesTheDocumentAndMatchingNeedsSizeAndTime) {
    RecoveryIdentity id = FileIdentityOf(L"C:\\d\u00e4ta\\\u6587\U0001F600.bin", 4096, 1234567);
    RecoveryIdentity back;
    ASSERT_EQ(1, ParseCompanion(CompanionText(id), &back));
    EXPECT_EQ(back.m_sz_path, id.m_sz_path);
    EXPECT_EQ(back.m_n_size, 4096);
    EXPECT_EQ(back.m_n_time, 1234567);
    EXPECT_EQ(0, ParseCompanion("PELMORA.RECOVERY 1\nkind file\n", &back));
    EXPECT_EQ(0, ParseCompanion("something else", &back));

    RecoveryIdentity proc;
    proc.m_n_kind = RECOVERY_PROCESS;
    proc.m_sz_path = L"C:\\windows\\notepad.exe";
    proc.m_n_process_id = 0x1F4;
    ASSERT_EQ(1, ParseCompanion(CompanionText(proc), &back));
    EXPECT_EQ(back.m_n_kind, RECOVERY_PROCESS);
    EXPECT_EQ(back.m_n_process_id, 0x1F4u);
    EXPECT_NE(RecoveryKey(proc), RecoveryKey(id));

    const RecoveryIdentity same = id;
    RecoveryIdentity bigger = id, touched = id;
    bigger.m_n_size += 1;
    touched.m_n_time += 1;
    EXPECT_EQ(MatchRecovery(id, same, 500, -1), RecoveryMatch::kOffer);
    EXPECT_EQ(MatchRecovery(id, same, 500, 400), RecoveryMatch::kOffer);
    EXPECT_EQ(MatchRecovery(id, same, 500, 600), RecoveryMatch::kStale);
    EXPECT_EQ(MatchRecovery(id, bigger, 500, -1), RecoveryMatch::kChanged);
    EXPECT_EQ(MatchRecovery(id, touched, 500, 400), RecoveryMatch::kChanged);
}

TEST(Recovery, AFailureAtAnyStepKeepsThePreviousCopy) {
    TempDir dir;
    FakeRecoveryPlatform platform(dir);
    const RecoveryIdentity id = FileIdentityOf(L"/data/a.bin", 64, 99);
    CDataPlane first(64);
    const uint8_t add[] = {1, 2, 3};
    ASSERT_EQ(1, first.Insert(10, add, 3));
    CDataPlane second(64);
    ASSERT_EQ(1, second.Remove(5, 20));
    const std::vector<uint8_t> before = Image(first, 64), after = Image(second, 64);

    int successes = 0;
    for (int fail_at = 1; fail_at < 30 && successes == 0; ++fail_at) {
        RecoveryStore good(platform.Folder(), PlatformWorkspaceFileOps(), platform);
        ASSERT_EQ(1, good.Write(id, before, 1));
        FailingWorkspaceOps ops(fail_at, FailingWorkspaceOps::ReadOpens::kNeverFail);
        RecoveryStore store(platform.Folder(), ops, platform);
        const int result = store.Write(id, after, 1);
        const std::vector<uint8_t> on_disk = ReadFileBytes(store.CopyPath(id));
        EXPECT_EQ(on_disk, result ? after : before) << "fail at " << fail_at;
        RecoveryIdentity found;
        int64_t time = 0;
        EXPECT_EQ(1, good.FindFileCopy(L"/data/a.bin", &found, &time)) << "fail at " << fail_at;
        if (ops.m_n_calls < fail_at) {
            EXPECT_EQ(result, 1);
            ++successes;
        }
        // Deleting fails part way or not at all; a copy never stays without its companion.
        FailingWorkspaceOps del_ops(fail_at, FailingWorkspaceOps::ReadOpens::kNeverFail);
        RecoveryStore del(platform.Folder(), del_ops, platform);
        const int deleted = del.Delete(id);
        const bool copy_left = std::filesystem::exists(del.CopyPath(id));
        EXPECT_EQ(deleted == 1, !copy_left && !std::filesystem::exists(del.CompanionPath(id)));
        if (copy_left) {
            EXPECT_TRUE(std::filesystem::exists(del.CompanionPath(id))) << "fail at " << fail_at;
        }
        good.Delete(id);
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            ADD_FAILURE() << "left behind: " << entry.path() << " fail at " << fail_at;
    }
    EXPECT_EQ(successes, 1);
    // Found for the same path in other letter case, as Windows names files; not for another.
    RecoveryStore store(platform.Folder(), PlatformWorkspaceFileOps(), platform);
    ASSERT_EQ(1, store.Write(id, after, 1));
    RecoveryIdentity found;
    int64_t time = 0;
    EXPECT_EQ(1, store.FindFileCopy(L"/DATA/A.bin", &found, &time));
    EXPECT_EQ(0, store.FindFileCopy(L"/data/b.bin", &found, &time));
    EXPECT_EQ(1, store.Delete(id));
}

TEST(Recovery, KeeperWritesWhenDueAndDeletesWhenEditsGo) {
    TempDir dir;
    FakeRecoveryPlatform platform(dir);
    const std::wstring file = dir.WriteFile("a.bin", MemorySource::Pattern(100));
    MemorySource source(MemorySource::Pattern(100));
    CDataPlane plane(100);
    RecoveryKeeper keeper(platform, PlatformWorkspaceFileOps());
    const RecoveryIdentity id = FileIdentityOf(file, 100, 7);
    keeper.Track(&plane, plane.m_n_generation, id, nullptr);
    const std::wstring copy = keeper.Store().CopyPath(keeper.Identity());

    EXPECT_EQ(keeper.Tick(0, &plane, plane.m_n_generation, 100), 0); // no edit yet
    ASSERT_EQ(1, plane.SetNibble(4, 0xA, 1, &source));
    EXPECT_EQ(keeper.Tick(1000, &plane, plane.m_n_generation, 100), 0);
    EXPECT_EQ(keeper.Tick(2999, &plane, plane.m_n_generation, 100), 0);
    EXPECT_EQ(keeper.Tick(3000, &plane, plane.m_n_generation, 100), 1);
    EXPECT_EQ(keeper.Wait(), 1);

    RecoveryIdentity found;
    int64_t time = 0;
    ASSERT_EQ(1, keeper.Store().FindFileCopy(file.c_str(), &found, &time));
    CDataPlane restored;
    int64_t size = 100;
    ASSERT_EQ(1, keeper.Store().Read(found, &restored, &size));
    EXPECT_EQ(size, 100);
    std::vector<uint8_t> a, b;
    ASSERT_EQ(1, SerializeWorkspace(&plane, 100, &a));
    ASSERT_EQ(1, SerializeWorkspace(&restored, 100, &b));
    EXPECT_EQ(a, b);

    keeper.Settled(plane.m_n_generation); // kept in the workspace
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_EQ(keeper.Tick(10000, &plane, plane.m_n_generation, 100), 0);
    ASSERT_EQ(1, plane.SetNibble(5, 0xB, 1, &source));
    keeper.Tick(20000, &plane, plane.m_n_generation, 100);
    EXPECT_EQ(keeper.Tick(22000, &plane, plane.m_n_generation, 100), 1);
    keeper.Wait();
    EXPECT_TRUE(std::filesystem::exists(copy));
    keeper.Release(); // closed cleanly
    EXPECT_FALSE(std::filesystem::exists(copy));

    // Session end: the copy written at once outlives the document.
    keeper.Track(&plane, plane.m_n_generation, id, nullptr);
    EXPECT_EQ(keeper.WriteNow(&plane, 100), 1);
    keeper.Release();
    EXPECT_TRUE(std::filesystem::exists(copy));
    EXPECT_EQ(1, keeper.Store().Delete(keeper.Identity()));
}

TEST(Recovery, AFailedWriteIsTriedAgainAndNeverTouchesTheDocument) {
    TempDir dir;
    FakeRecoveryPlatform platform(dir);
    MemorySource source(MemorySource::Pattern(50));
    CDataPlane plane(50);
    // The companion is written at Track in five steps; the copy's opening fails.
    FailingWorkspaceOps ops(6, FailingWorkspaceOps::ReadOpens::kNeverFail);
    RecoveryKeeper keeper(platform, ops);
    keeper.Track(&plane, plane.m_n_generation, FileIdentityOf(L"/data/c.bin", 50, 3), nullptr);
    const RecoveryIdentity& id = keeper.Identity();
    ASSERT_EQ(1, plane.SetNibble(7, 0xC, 0, &source));
    std::vector<uint8_t> before;
    ASSERT_EQ(1, SerializeWorkspace(&plane, 50, &before));
    const uint64_t generation = plane.m_n_generation;
    keeper.Tick(0, &plane, plane.m_n_generation, 50);
    EXPECT_EQ(keeper.Tick(2000, &plane, plane.m_n_generation, 50), 1);
    EXPECT_EQ(keeper.Wait(), 0);
    const int64_t retry = 2000 + RecoverySchedule::kLongestWaitMs;
    EXPECT_EQ(keeper.Tick(retry - 1, &plane, plane.m_n_generation, 50), 0);
    EXPECT_EQ(keeper.Tick(retry, &plane, plane.m_n_generation, 50), 1);
    EXPECT_EQ(keeper.Wait(), 1);
    EXPECT_TRUE(std::filesystem::exists(keeper.Store().CopyPath(id)));
    EXPECT_TRUE(std::filesystem::exists(keeper.Store().CompanionPath(id)));
    std::vector<uint8_t> after;
    ASSERT_EQ(1, SerializeWorkspace(&plane, 50, &after));
    EXPECT_EQ(after, before);
    EXPECT_EQ(plane.m_n_generation, generation);
    keeper.Release();
}

// The copy is built on the worker while the window goes on editing: it holds
// the edits as they were when its write began.
TEST(Recovery, TheCopyHoldsTheEditsAsTheyWereWhenItsWriteBegan) {
    TempDir dir;
    FakeRecoveryPlatform platform(dir);
    MemorySource source(MemorySource::Pattern(4000));
    CDataPlane plane(4000);
    RecoveryKeeper keeper(platform, PlatformWorkspaceFileOps());
    keeper.Track(&plane, plane.m_n_generation, FileIdentityOf(L"/data/d.bin", 4000, 3), nullptr);
    for (int64_t at = 0; at < 4000; at += 7)
        ASSERT_EQ(1, plane.SetNibble(at, 0xD, 1, &source));
    std::vector<uint8_t> expected;
    ASSERT_EQ(1, SerializeWorkspace(&plane, 4000, &expected));
    keeper.Tick(0, &plane, plane.m_n_generation, 4000);
    ASSERT_EQ(keeper.Tick(2000, &plane, plane.m_n_generation, 4000), 1);
    const uint8_t add[] = {1, 2, 3};
    for (int64_t at = 1; at < 4000; at += 5)
        ASSERT_EQ(1, plane.Insert(at, add, 3));
    ASSERT_EQ(keeper.Wait(), 1);
    RecoveryIdentity found;
    int64_t time = 0;
    ASSERT_EQ(1, keeper.Store().FindFileCopy(L"/data/d.bin", &found, &time));
    CDataPlane restored;
    int64_t size = 4000;
    ASSERT_EQ(1, keeper.Store().Read(found, &restored, &size));
    std::vector<uint8_t> written;
    ASSERT_EQ(1, SerializeWorkspace(&restored, 4000, &written));
    EXPECT_EQ(written, expected);
    keeper.Release();
}

TEST(Recovery, StartUpDeletesCopiesOfGoneProcessesAndOldFileCopies) {
    TempDir dir;
    FakeRecoveryPlatform platform(dir);
    RecoveryStore store(platform.Folder(), PlatformWorkspaceFileOps(), platform);
    CDataPlane plane(10);
    const std::vector<uint8_t> image = Image(plane, 10);
    RecoveryIdentity gone, running;
    gone.m_n_kind = running.m_n_kind = RECOVERY_PROCESS;
    gone.m_sz_path = running.m_sz_path = L"/bin/target";
    gone.m_n_process_id = 11;
    running.m_n_process_id = 12;
    platform.m_running.insert(12);
    const RecoveryIdentity file = FileIdentityOf(L"/data/b.bin", 10, 1);
    for (const RecoveryIdentity& id : {gone, running, file})
        ASSERT_EQ(1, store.Write(id, image, 1));
    std::ofstream(dir.File("f0000.interm.new")) << "half";
    std::ofstream(dir.File("f0001.interm")) << "no companion";

    platform.m_n_days_later = kRecoveryKeepDays - 1;
    EXPECT_EQ(store.Sweep(), 2); // the gone process and the copy without companion
    EXPECT_FALSE(std::filesystem::exists(store.CopyPath(gone)));
    EXPECT_FALSE(std::filesystem::exists(store.CompanionPath(gone)));
    EXPECT_TRUE(std::filesystem::exists(store.CopyPath(running)));
    EXPECT_TRUE(std::filesystem::exists(store.CopyPath(file)));
    EXPECT_FALSE(std::filesystem::exists(dir.File("f0000.interm.new")));

    platform.m_n_days_later = kRecoveryKeepDays + 1;
    EXPECT_EQ(store.Sweep(), 1);
    EXPECT_FALSE(std::filesystem::exists(store.CopyPath(file)));
    EXPECT_TRUE(std::filesystem::exists(store.CopyPath(running)));
}

// Half a pair may be another instance's write under way (the companion is
// written first): kept for a day.
TEST(Recovery, StartUpKeepsAFreshHalfPairForADay) {
    TempDir dir;
    FakeRecoveryPlatform platform(dir);
    RecoveryStore store(platform.Folder(), PlatformWorkspaceFileOps(), platform);
    const RecoveryIdentity file = FileIdentityOf(L"/data/c.bin", 10, 1);
    ASSERT_EQ(1, store.Write(file, Image(CDataPlane(10), 10), 1));
    std::filesystem::remove(store.CopyPath(file));
    std::ofstream(dir.File("f0009.interm")) << "no companion yet";
    EXPECT_EQ(store.Sweep(), 0);
    EXPECT_TRUE(std::filesystem::exists(store.CompanionPath(file)));
    EXPECT_TRUE(std::filesystem::exists(dir.File("f0009.interm")));
    platform.m_n_days_later = 2;
    EXPECT_EQ(store.Sweep(), 1);
    EXPECT_FALSE(std::filesystem::exists(store.CompanionPath(file)));
    EXPECT_FALSE(std::filesystem::exists(dir.File("f0009.interm")));
}

#ifndef _WIN32
// The folder comes from the environment as UTF-8: a name beyond ASCII is used.
TEST(Recovery, FolderUnderANonAsciiHomeIsUsed) {
    TempDir dir;
    const std::string base = dir.Path().string() + "/\xC3\xA9t\xC3\xA9";
    const char* previous = std::getenv("XDG_STATE_HOME");
    const std::string kept = previous != nullptr ? previous : "";
    setenv("XDG_STATE_HOME", base.c_str(), 1);
    const std::wstring folder = PlatformRecovery().Folder();
    if (previous != nullptr)
        setenv("XDG_STATE_HOME", kept.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(folder, dir.Path().wstring() + L"/\u00E9t\u00E9/pelmora/recovery/");
}

// This process runs with its own start time; its ID with another start time
// is another, ended instance.
TEST(Recovery, AnInstanceIsItsIdAndStartTime) {
    RecoveryPlatform& platform = PlatformRecovery();
    uint32_t id = 0;
    int64_t start = 0;
    platform.Self(&id, &start);
    EXPECT_EQ(id, static_cast<uint32_t>(getpid()));
    EXPECT_EQ(platform.InstanceRuns(id, start), 1);
    if (start == 0)
        GTEST_SKIP() << "no process start times here (an emulator's /proc)";
    EXPECT_EQ(platform.InstanceRuns(id, start + 1), 0);
}
#endif

// Two instances on one file, one folder: each has its own pair; neither
// offers, deletes nor overwrites the other's while that one runs.
TEST(Recovery, ACopyBelongsToTheInstanceThatWroteIt) {
    TempDir dir;
    const std::wstring file = dir.WriteFile("two.bin", MemorySource::Pattern(40));
    MemorySource source(MemorySource::Pattern(40));
    FakeRecoveryPlatform first_platform(dir), second_platform(dir);
    second_platform.m_n_self = 5151;
    for (FakeRecoveryPlatform* p : {&first_platform, &second_platform})
        p->m_running = {4242, 5151};
    const RecoveryIdentity id = FileIdentityOf(file, 40, 9);
    CDataPlane first_plane(40), second_plane(40);
    RecoveryKeeper first(first_platform, PlatformWorkspaceFileOps());
    first.Track(&first_plane, first_plane.m_n_generation, id, nullptr);
    ASSERT_EQ(1, first_plane.SetNibble(3, 0xE, 1, &source));
    ASSERT_EQ(1, first.WriteNow(&first_plane, 40));
    const std::wstring first_copy = first.Store().CopyPath(first.Identity());
    const std::wstring first_companion = first.Store().CompanionPath(first.Identity());

    // The second instance opens the file: nothing to offer, but it is open elsewhere.
    RecoveryStore second_store(second_platform.Folder(), PlatformWorkspaceFileOps(),
                               second_platform);
    RecoveryIdentity found;
    int64_t time = 0;
    int elsewhere = 0;
    EXPECT_EQ(0, second_store.FindFileCopy(id, &found, &time, &elsewhere));
    EXPECT_EQ(elsewhere, 1);
    {
        RecoveryKeeper second(second_platform, PlatformWorkspaceFileOps());
        second.Track(&second_plane, second_plane.m_n_generation, id, nullptr);
        EXPECT_NE(second.Store().CopyPath(second.Identity()), first_copy);
        ASSERT_EQ(1, second_plane.SetNibble(5, 0x1, 1, &source));
        ASSERT_EQ(1, second.WriteNow(&second_plane, 40));
        second.Settled(second_plane.m_n_generation);
        second.Release();
    }
    second_platform.m_n_days_later = kRecoveryKeepDays + 1;
    second_store.Sweep();
    EXPECT_TRUE(std::filesystem::exists(first_copy));
    EXPECT_TRUE(std::filesystem::exists(first_companion));

    // Once the first has ended (or its ID runs another program), its copy is offered.
    second_platform.m_n_days_later = 0;
    second_platform.m_running = {5151, 4242 + 1};
    elsewhere = 0;
    ASSERT_EQ(1, second_store.FindFileCopy(id, &found, &time, &elsewhere));
    EXPECT_EQ(elsewhere, 0);
    EXPECT_EQ(second_store.CopyPath(found), first_copy);
    // A companion of an older version has no owner: it counts as ended.
    std::string text = CompanionText(found);
    text = text.substr(0, text.find("owner "));
    RecoveryIdentity old;
    ASSERT_EQ(1, ParseCompanion(text, &old));
    EXPECT_EQ(old.m_n_owner_id, 0u);
    EXPECT_EQ(RecoveryKey(old), RecoveryKey(FileIdentityOf(file, 40, 9)));
}

// A copy is found under another spelling of the file's path; an edit undone
// back to the kept state leaves no copy to offer.
TEST(Recovery, CopiesFollowTheFileAndOnlyRealChanges) {
    TempDir dir;
    FakeRecoveryPlatform platform(dir);
    const std::wstring file = dir.WriteFile("k.bin", MemorySource::Pattern(30));
    const std::wstring other_spelling = dir.Path().wstring() + L"/./k.bin";
    MemorySource source(MemorySource::Pattern(30));
    CDataPlane plane(30);
    RecoveryKeeper keeper(platform, PlatformWorkspaceFileOps());
    RecoveryIdentity id = FileIdentityOf(file, 30, 5);
    ASSERT_EQ(1, platform.FileKey(file.c_str(), &id.m_sz_file_key));
    keeper.Track(&plane, plane.m_n_generation, id, nullptr);
    ASSERT_EQ(1, plane.SetNibble(2, 0x7, 1, &source));
    EXPECT_EQ(keeper.Tick(0, &plane, plane.m_n_generation, 30), 0);
    EXPECT_EQ(keeper.Tick(3000, &plane, plane.m_n_generation, 30), 1);
    ASSERT_EQ(keeper.Wait(), 1);
    const std::wstring copy = keeper.Store().CopyPath(keeper.Identity());
    RecoveryIdentity found;
    int64_t time = 0;
    EXPECT_EQ(1, keeper.Store().FindFileCopy(other_spelling.c_str(), &found, &time));

    keeper.Release();
}

// Restoring replaces the pieces the undo steps were made over: the steps go,
// and the restored edits stay pending.
TEST(Recovery, RestoringForgetsTheUndoSteps) {
    TempDir dir;
    FakeRecoveryPlatform platform(dir);
    RecoveryStore store(platform.Folder(), PlatformWorkspaceFileOps(), platform);
    const RecoveryIdentity id = FileIdentityOf(L"/data/u.bin", 20, 1);
    CDataPlane saved(20);
    ASSERT_EQ(1, saved.Remove(0, 4));
    ASSERT_EQ(1, store.Write(id, Image(saved, 20), 1));

    CallBackInfo doc(nullptr);
    doc.m_file_mapping.m_n_file_size = 20;
    doc.m_p_data_plane = new CDataPlane(20);
    const uint8_t typed[] = {9, 9};
    ASSERT_EQ(1, doc.m_history.Insert(doc.m_p_data_plane, 0, typed, 2, EditMarkOf(doc)));
    ASSERT_EQ(1, RestoreFromCopy(&doc, store, id));
    EXPECT_EQ(doc.m_n_data_size, 15);
    EXPECT_EQ(doc.m_history.CanUndo(), 0);
    EXPECT_EQ(doc.m_history.IsClean(), 0);
}

// Kept beside a changed file across volumes: copied, and the copy here goes
// only once that is done; on any failure the copy stays and is named.
TEST(Recovery, ACopyMovedBesideItsFileIsNeverLost) {
    TempDir folder, files;
    FakeRecoveryPlatform platform(folder);
    const std::wstring file = files.WriteFile("m.bin", MemorySource::Pattern(20));
    const std::wstring beside = file + L".interm.recovered";
    const RecoveryIdentity id = FileIdentityOf(file, 20, 1);
    CDataPlane plane(20);
    ASSERT_EQ(1, plane.Remove(2, 5));
    const std::vector<uint8_t> image = Image(plane, 20);
    bool clean_run = false;
    for (int fail_at = 1; fail_at < 40 && !clean_run; ++fail_at) {
        RecoveryStore good(platform.Folder(), PlatformWorkspaceFileOps(), platform);
        ASSERT_EQ(1, good.Write(id, image, 1));
        FailingWorkspaceOps failing(fail_at);
        OtherVolumeOps ops(failing);
        RecoveryStore store(platform.Folder(), ops, platform);
        std::wstring place;
        const int moved = store.MoveBeside(id, &place);
        clean_run = failing.m_n_calls < fail_at;
        if (moved) {
            // Only the deletion here may have failed: then both places hold it.
            EXPECT_EQ(place, beside);
            EXPECT_EQ(ReadFileBytes(beside), image);
            if (clean_run) {
                EXPECT_FALSE(std::filesystem::exists(store.CopyPath(id)));
            }
        } else {
            EXPECT_EQ(place, store.CopyPath(id)) << "fail at " << fail_at;
            EXPECT_EQ(ReadFileBytes(store.CopyPath(id)), image) << "fail at " << fail_at;
            EXPECT_TRUE(std::filesystem::exists(store.CompanionPath(id)));
            EXPECT_FALSE(std::filesystem::exists(beside)) << "fail at " << fail_at;
        }
        EXPECT_FALSE(std::filesystem::exists(beside + L".new")) << "fail at " << fail_at;
        std::filesystem::remove(beside);
        good.Delete(id);
    }
    EXPECT_TRUE(clean_run);
}
