// The seven shared fonts of the main display program.
#include <GL/gl.h>

#include <set>

#include "shared/UDeclarations.h"
#include "shared/Ufonts.h"
#include "platform/DisplayLists.h"
#include "tests/common/TestSupport.h"

namespace {

class UfontsTest : public testsupport::GLTest {};

TEST_F(UfontsTest, SevenFontsTwoAliases) {
  platform::ReserveFixedDisplayLists();
  CreateFonts(nullptr, "Simplex");
  TCGFont3D* fonts[] = {Font035, Font040, Font045, Font050, Font6, Font8, Font10};
  std::set<TCGFont3D*> distinct(std::begin(fonts), std::end(fonts));
  EXPECT_EQ(distinct.size(), 7u);
  EXPECT_EQ(Font8Alias, Font8);
  EXPECT_EQ(Font10Alias, Font10);
  EXPECT_FLOAT_EQ(Font035->Size, 4.9497f);
  EXPECT_FLOAT_EQ(Font040->Size, 5.6568f);
  EXPECT_FLOAT_EQ(Font045->Size, 6.3639f);
  EXPECT_FLOAT_EQ(Font050->Size, 7.071f);
  EXPECT_EQ(Font6->Size, 6.0f);
  EXPECT_EQ(Font8->Size, 8.0f);
  EXPECT_EQ(Font10->Size, 10.0f);

  // No font list is a fixed list number, and no two fonts share one.
  std::set<unsigned> lists;
  for (TCGFont3D* f : fonts) {
    ASSERT_NE(f->ListBase, 0u);
    for (unsigned i = 0; i < 145; ++i) {
      EXPECT_FALSE(platform::IsFixedDisplayList(f->ListBase + i)) << f->ListBase + i;
      EXPECT_TRUE(lists.insert(f->ListBase + i).second);
      EXPECT_TRUE(glIsList(f->ListBase + i));
    }
  }
  EXPECT_STREQ(CompassLabels[4], "12");

  FreeFonts();
  EXPECT_EQ(Font035, nullptr);
  EXPECT_EQ(Font10, nullptr);
  EXPECT_EQ(Font8Alias, nullptr);
  for (unsigned l : lists) EXPECT_FALSE(glIsList(l)) << l;
  for (unsigned n : platform::FixedDisplayListNumbers()) EXPECT_TRUE(glIsList(n)) << n;
  FreeFonts();  // nothing left to free twice
}

}  // namespace
