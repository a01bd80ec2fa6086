#include "adminlayout.h"

#include <algorithm>

void ResizeAdminLayout(AdminLayout &l, float sw, float sh, bool minimised)
{
    if (minimised)
        return;
    const float m = l.lvLang.left;
    l.frmInfo.left = sw - l.frmInfo.width - m;
    l.lvLang = {m, l.frmInfo.top, std::max(0.0f, sw - 3 * m - l.frmInfo.width), l.frmInfo.height};
    l.txtOutput = {m, l.lvLang.top + l.lvLang.height + 100, std::max(0.0f, sw - 2 * m),
                   std::max(0.0f, sh - l.lvLang.top - l.lvLang.height - 200)};
}
