// The workspace of a document whose every byte was removed: kept as one empty
// source record, so that an older workspace cannot come back at the next opening.
#include "data/data_plane.h"
#include "data/document.h"
#include "data/workspace.h"
#include "tests/fakes/memory_source.h"
#include "tests/fakes/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

TEST(Workspace, AnEmptiedDocumentIsKeptAndReadBackEmpty) {
    TempDir dir;
    const std::wstring file = dir.WriteFile("e.bin", MemorySource::Pattern(40));
    const std::wstring path = WorkspaceName(file.c_str());
    {
        CDataPlane edited(40);
        const uint8_t add[] = {1, 2};
        ASSERT_EQ(1, edited.Insert(3, add, 2));
        ASSERT_EQ(1, WriteWorkspace(path.c_str(), &edited, 40)); // an older workspace
    }
    CDataPlane emptied(40);
    ASSERT_EQ(1, emptied.Remove(0, 39));
    ASSERT_EQ(1, WriteWorkspace(path.c_str(), &emptied, 40));
    std::ifstream in(dir.File("e.bin.interm"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 30u + 16 + 50);
    EXPECT_EQ(bytes.substr(30), "0000000000000028"
                                "00" +
                                    std::string(16, '0') + std::string(16, 'F') +
                                    std::string(16, '0'));

    CallBackInfo doc(nullptr);
    ASSERT_EQ(1, doc.OpenFile(file.c_str()));
    EXPECT_EQ(doc.m_n_data_size, 0);
    ASSERT_EQ(doc.m_p_data_plane->PieceCount(), 1);
    EXPECT_EQ(PieceCursor(*doc.m_p_data_plane).Piece()->m_n_length, 0);
}
