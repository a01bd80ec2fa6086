#include "window/tokenlook.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct LookCase
{
    std::int64_t status;
    TokenLook previous;
    TokenLook expected;
};

// Names the case by its status, so that the test's name stays the same from build to build.
void PrintTo(const LookCase &c, std::ostream *os)
{
    *os << "status " << c.status;
}

class Look : public testing::TestWithParam<LookCase>
{
};

TEST_P(Look, FromStatusAndPreviousLook)
{
    EXPECT_TRUE(LookForStatus(GetParam().previous, GetParam().status) == GetParam().expected) << GetParam().status;
}

constexpr TokenLook plain{};
constexpr TokenLook redBold{true, LookColor::Red, true, LookColor::Red};

INSTANTIATE_TEST_SUITE_P(
    Flags, Look,
    testing::Values(LookCase{1, plain, redBold}, LookCase{4, redBold, plain},
                    // 3: bold, grey item, bold red status, not editable in place
                    LookCase{3, plain, {true, LookColor::GrayText, true, LookColor::Red, true}},
                    // 6: plain grey item, window-text status
                    LookCase{6, redBold, {false, LookColor::GrayText, false, LookColor::WindowText, true}},
                    // 2 greys the item and leaves the rest as it was
                    LookCase{2, redBold, {true, LookColor::GrayText, true, LookColor::Red, true}},
                    // a status without the read-only flag makes an item editable again
                    LookCase{4, {false, LookColor::GrayText, false, LookColor::WindowText, true}, plain},
                    LookCase{0, redBold, redBold}, LookCase{0, plain, plain},
                    // 5: non-translated wins over translated
                    LookCase{5, plain, redBold}, LookCase{8, redBold, redBold}));

} // namespace
