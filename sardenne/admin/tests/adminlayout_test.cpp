#include "adminlayout.h"

#include <gtest/gtest.h>

namespace {

TEST(AdminLayout, DesignSize)
{
    AdminLayout l;
    ResizeAdminLayout(l, 8505, 6510, false);
    EXPECT_FLOAT_EQ(l.frmInfo.left, 5595);
    EXPECT_FLOAT_EQ(l.frmInfo.top, 1740);
    EXPECT_FLOAT_EQ(l.lvLang.left, 90);
    EXPECT_FLOAT_EQ(l.lvLang.top, 1740);
    EXPECT_FLOAT_EQ(l.lvLang.width, 5415);
    EXPECT_FLOAT_EQ(l.lvLang.height, 2790);
    EXPECT_FLOAT_EQ(l.txtOutput.left, 90);
    EXPECT_FLOAT_EQ(l.txtOutput.top, 4630);
    EXPECT_FLOAT_EQ(l.txtOutput.width, 8325);
    EXPECT_FLOAT_EQ(l.txtOutput.height, 1780);
}

TEST(AdminLayout, GrowthAndMinimised)
{
    AdminLayout a;
    ResizeAdminLayout(a, 8505, 6510, false);
    AdminLayout b = a;
    ResizeAdminLayout(b, 9505, 7510, false);
    EXPECT_FLOAT_EQ(b.frmInfo.left - a.frmInfo.left, 1000);
    EXPECT_FLOAT_EQ(b.lvLang.width - a.lvLang.width, 1000);
    EXPECT_FLOAT_EQ(b.txtOutput.width - a.txtOutput.width, 1000);
    EXPECT_FLOAT_EQ(b.txtOutput.height - a.txtOutput.height, 1000);
    EXPECT_FLOAT_EQ(b.lvLang.height, a.lvLang.height);
    EXPECT_FLOAT_EQ(b.txtOutput.top, a.txtOutput.top);
    AdminLayout c = b;
    ResizeAdminLayout(c, 100, 100, true);
    EXPECT_FLOAT_EQ(c.lvLang.width, b.lvLang.width);
    EXPECT_FLOAT_EQ(c.frmInfo.left, b.frmInfo.left);
}

TEST(AdminLayout, TooSmallIsClampedAtZero)
{
    AdminLayout l;
    ResizeAdminLayout(l, 3000, 4000, false);
    EXPECT_FLOAT_EQ(l.lvLang.width, 0);
    EXPECT_FLOAT_EQ(l.txtOutput.height, 0);
    EXPECT_FLOAT_EQ(l.txtOutput.width, 2820);
}

} // namespace
