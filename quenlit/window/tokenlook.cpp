#include "window/tokenlook.h"

#include "tokenstatus.h"

TokenLook LookForStatus(TokenLook look, std::int64_t status)
{
    if (status & FlagNonTranslated) {
        look.itemBold = true;
        look.itemColor = LookColor::Red;
        look.statusBold = true;
        look.statusColor = LookColor::Red;
    } else if (status & FlagTranslated) {
        look.itemBold = false;
        look.itemColor = LookColor::WindowText;
        look.statusBold = false;
        look.statusColor = LookColor::WindowText;
    }
    if (status & FlagReadOnly)
        look.itemColor = LookColor::GrayText;
    look.readOnly = (status & FlagReadOnly) != 0;
    return look;
}
