// A tool window's first place beside its owner.
#include "tools/tool_place.h"

#include <gtest/gtest.h>

TEST(ToolPlace, BesideTheOwnerWhereThereIsRoomAndOverItOnlyWhenThereIsNone) {
    const PlaceRect area = {0, 0, 1280, 1000};
    PlaceRect at = PlaceBesideOwner({0, 0, 600, 700}, area, 600, 470, 260);
    EXPECT_EQ(600, at.left);
    EXPECT_EQ(1200, at.right);
    at = PlaceBesideOwner({680, 0, 1280, 700}, area, 600, 470, 260); // no room on the right
    EXPECT_EQ(80, at.left);
    EXPECT_EQ(680, at.right);
    at = PlaceBesideOwner({0, 600, 990, 960}, area, 600, 470, 260); // narrowed, kept on screen
    EXPECT_EQ(990, at.left);
    EXPECT_EQ(1280, at.right);
    EXPECT_EQ(530, at.top);
    at = PlaceBesideOwner({0, 0, 1280, 1000}, area, 600, 470, 260); // maximised owner
    EXPECT_EQ(680, at.left);
    EXPECT_EQ(1280, at.right);
}
