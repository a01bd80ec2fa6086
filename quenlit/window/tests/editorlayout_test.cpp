#include "window/editorlayout.h"

#include <gtest/gtest.h>

namespace {

TEST(EditorLayout, CreationSize)
{
    EditorLayout l;
    ResizeEditorLayout(l, 8670, 5925);
    EXPECT_FLOAT_EQ(l.tvTyp.left, 60);
    EXPECT_FLOAT_EQ(l.tvTyp.top, 1500);
    EXPECT_FLOAT_EQ(l.tvTyp.width, 1590);
    EXPECT_FLOAT_EQ(l.tvTyp.height, 4325);
    EXPECT_FLOAT_EQ(l.lvTok.left, 1710);
    EXPECT_FLOAT_EQ(l.lvTok.top, 1500);
    EXPECT_FLOAT_EQ(l.lvTok.width, 6900);
    EXPECT_FLOAT_EQ(l.lvTok.height, 4325);
    EXPECT_FLOAT_EQ(l.frmPropPrj.width, 8460);
    EXPECT_FLOAT_EQ(l.frmPropPrj.height, 1365);
    EXPECT_FLOAT_EQ(l.progress.width, 8280);
    EXPECT_FLOAT_EQ(l.txtOrgTok.width, 6540);
    EXPECT_FLOAT_EQ(l.txtTransTok.width, 6540);
}

TEST(EditorLayout, WiderAndTaller)
{
    EditorLayout a;
    ResizeEditorLayout(a, 8670, 5925);
    EditorLayout b = a;
    ResizeEditorLayout(b, 9670, 6425);
    EXPECT_FLOAT_EQ(b.lvTok.width - a.lvTok.width, 1000);
    EXPECT_FLOAT_EQ(b.frmPropPrj.width - a.frmPropPrj.width, 1000);
    EXPECT_FLOAT_EQ(b.progress.width - a.progress.width, 1000);
    EXPECT_FLOAT_EQ(b.txtOrgTok.width - a.txtOrgTok.width, 1000);
    EXPECT_FLOAT_EQ(b.txtTransTok.width - a.txtTransTok.width, 1000);
    EXPECT_FLOAT_EQ(b.tvTyp.width, a.tvTyp.width);
    EXPECT_FLOAT_EQ(b.tvTyp.height - a.tvTyp.height, 500);
    EXPECT_FLOAT_EQ(b.lvTok.height - a.lvTok.height, 500);
    EXPECT_FLOAT_EQ(b.frmPropPrj.height, a.frmPropPrj.height);
}

TEST(EditorLayout, NegativeStepsAreSkipped)
{
    EditorLayout l;
    ResizeEditorLayout(l, 8670, 5925);
    ResizeEditorLayout(l, 1500, 5925);
    EXPECT_FLOAT_EQ(l.lvTok.width, 6900); // 1500 - 1770 < 0: kept
    EXPECT_FLOAT_EQ(l.frmPropPrj.width, 1290);
    EXPECT_FLOAT_EQ(l.progress.width, 1110);
    EXPECT_FLOAT_EQ(l.txtOrgTok.width, 6540); // 1500 - 2130 < 0: kept
    EXPECT_FLOAT_EQ(l.txtTransTok.width, 6540);

    // Very small, as when minimised: every step but none of the heights below zero.
    ResizeEditorLayout(l, 0, 0);
    EXPECT_FLOAT_EQ(l.tvTyp.height, 4325);
    // Back to the creation size gives the same layout as before.
    ResizeEditorLayout(l, 8670, 5925);
    EditorLayout fresh;
    ResizeEditorLayout(fresh, 8670, 5925);
    EXPECT_FLOAT_EQ(l.lvTok.width, fresh.lvTok.width);
    EXPECT_FLOAT_EQ(l.txtOrgTok.width, fresh.txtOrgTok.width);
    EXPECT_FLOAT_EQ(l.tvTyp.height, fresh.tvTyp.height);
}

} // namespace
