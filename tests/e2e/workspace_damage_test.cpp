// A damaged workspace on the real pelmora.exe: what can be read is shown, the
// user is told, and the damaged file is set aside before closing writes the
// workspace anew.
#include "data/data_plane.h"
#include "data/workspace.h"
#include "tests/e2e/e2e_harness.h"
#include "tests/e2e/e2e_session.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

TEST(LifecycleWorkspace, ADamagedWorkspaceIsReportedAndSetAside) {
    e2e::Sandbox box(L"damaged_workspace");
    const std::wstring path = box.File(L"d.bin", e2e::Counting(256));
    // "XY" inserted in front, then the workspace cut inside its last record.
    const std::wstring workspace = path + L".interm";
    CDataPlane edited(256);
    ASSERT_EQ(edited.Insert(0, reinterpret_cast<const uint8_t*>("XY"), 2), 1);
    ASSERT_EQ(WriteWorkspace(workspace.c_str(), &edited, 256), 1);
    std::vector<unsigned char> damaged = e2e::ReadAll(workspace);
    damaged.resize(damaged.size() - 20);
    box.File(L"d.bin.interm", damaged);
    const std::wstring aside = workspace + L".damaged";

    e2e::PelmoraProcess app;
    ASSERT_TRUE(app.Start(L"\"" + path + L"\"", box.Exe()));
    HWND message = app.WaitForWindow(L"#32770", L"Message", 20000);
    ASSERT_NE(message, nullptr) << "no word of the damage";
    EXPECT_EQ(e2e::MessageBoxText(message),
              L"Only part of the workspace " + workspace +
                  L" could be read (it is damaged or did not fit in memory). The changes read "
                  L"are shown; the whole file is kept as " +
                  aside + L".");
    e2e::Answer(message, IDOK);
    HWND main = app.WaitForMainWindow(20000, (L"Pelmora - " + path).c_str());
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(e2e::StatusPane(app, e2e::StatusBar(main), 0), L"Total: 0x1"); // the last offset
    EXPECT_EQ(e2e::ReadAll(aside), damaged);
    EXPECT_FALSE(e2e::Exists(workspace));

    // The edits read are pending: closing keeps them in a new workspace and
    // leaves the damaged one where it was set aside.
    EXPECT_EQ(app.Close(), 0);
    CDataPlane plane;
    int64_t size = 256;
    EXPECT_EQ(ReadWorkspace(&plane, workspace.c_str(), &size), kWorkspaceRead);
    EXPECT_EQ(size, 2);
    EXPECT_EQ(e2e::ReadAll(aside), damaged);
    DeleteFileW(workspace.c_str());
    DeleteFileW(aside.c_str());
}
