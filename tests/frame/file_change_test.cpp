// A file changed by another program: when the user is asked, and what Yes
// and No do with and without pending changes.
#include "frame/file_change.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FakeHost : public FileChangeHost {
  public:
    int answer = 1;
    int keep_result = 1;
    int reload_result = 1;
    std::vector<std::wstring> calls;

    int AskReload(const wchar_t* path, const wchar_t* kept_path) override {
        calls.push_back(L"ask " + std::wstring(path) + L" [" + kept_path + L"]");
        return answer;
    }
    int KeepChanges(const wchar_t* kept_path) override {
        calls.push_back(L"keep " + std::wstring(kept_path));
        return keep_result;
    }
    void ReportKeepFailure(const wchar_t*, const wchar_t* kept_path) override {
        calls.push_back(L"report " + std::wstring(kept_path));
    }
    int Reload() override {
        calls.push_back(L"reload");
        return reload_result;
    }
};

const wchar_t kPath[] = L"C:\\d\\a.bin";
const FileStamp kOpened = {4096, 1000};
const FileStamp kGrown = {4112, 2000};
const FileStamp kRewritten = {4096, 3000};

using Calls = std::vector<std::wstring>;

} // namespace

TEST(FileChange, AnUnchangedOrUnknownStampAsksNothing) {
    FakeHost host;
    FileStamp asked;
    for (ChangeCheck when : {ChangeCheck::kAtActivation, ChangeCheck::kBeforeWrite}) {
        EXPECT_EQ(ChangeOutcome::kUnchanged,
                  CheckFileChange(when, kOpened, kOpened, &asked, 1, kPath, host));
        EXPECT_EQ(ChangeOutcome::kUnchanged,
                  CheckFileChange(when, kOpened, FileStamp(), &asked, 1, kPath, host));
        EXPECT_EQ(ChangeOutcome::kUnchanged,
                  CheckFileChange(when, FileStamp(), kGrown, &asked, 1, kPath, host));
    }
    EXPECT_TRUE(host.calls.empty());
}

TEST(FileChange, ActivationsAskOnceAboutAChangeAndWritesAskEveryTime) {
    FakeHost host;
    host.answer = 0;
    FileStamp asked;
    const ChangeCheck activation = ChangeCheck::kAtActivation;
    EXPECT_EQ(ChangeOutcome::kKeptWorking,
              CheckFileChange(activation, kOpened, kGrown, &asked, 0, kPath, host));
    EXPECT_EQ(ChangeOutcome::kKeptWorking,
              CheckFileChange(activation, kOpened, kGrown, &asked, 0, kPath, host));
    EXPECT_EQ(Calls{L"ask C:\\d\\a.bin []"}, host.calls) << "one question for one change";
    EXPECT_EQ(ChangeOutcome::kKeptWorking,
              CheckFileChange(ChangeCheck::kBeforeWrite, kOpened, kGrown, &asked, 0, kPath, host));
    EXPECT_EQ(ChangeOutcome::kKeptWorking,
              CheckFileChange(activation, kOpened, kRewritten, &asked, 0, kPath, host));
    EXPECT_EQ(3u, host.calls.size()) << "asked before the write and about the newer change";

    // Yes with nothing pending reloads without keeping anything.
    host.calls.clear();
    host.answer = 1;
    EXPECT_EQ(ChangeOutcome::kReloaded, CheckFileChange(ChangeCheck::kBeforeWrite, kOpened,
                                                        kRewritten, &asked, 0, kPath, host));
    EXPECT_EQ((Calls{L"ask C:\\d\\a.bin []", L"reload"}), host.calls);
}

TEST(FileChange, YesKeepsPendingChangesBesideTheFileBeforeItReloads) {
    const std::wstring kept = L"C:\\d\\a.bin.interm.recovered";
    FakeHost host;
    FileStamp asked;
    EXPECT_EQ(ChangeOutcome::kReloaded,
              CheckFileChange(ChangeCheck::kAtActivation, kOpened, kGrown, &asked, 1, kPath, host));
    EXPECT_EQ((Calls{L"ask C:\\d\\a.bin [" + kept + L"]", L"keep " + kept, L"reload"}), host.calls);

    // Changes that cannot be kept are not dropped by a reload.
    host.calls.clear();
    host.keep_result = 0;
    EXPECT_EQ(ChangeOutcome::kKeptWorking,
              CheckFileChange(ChangeCheck::kBeforeWrite, kOpened, kGrown, &asked, 1, kPath, host));
    EXPECT_EQ((Calls{L"ask C:\\d\\a.bin [" + kept + L"]", L"keep " + kept, L"report " + kept}),
              host.calls);

    host.keep_result = 1;
    host.reload_result = 0;
    EXPECT_EQ(ChangeOutcome::kKeptWorking,
              CheckFileChange(ChangeCheck::kBeforeWrite, kOpened, kGrown, &asked, 1, kPath, host));
}
