#include "window/editorlayout.h"

namespace {

bool place(TwipsRect &rect, const TwipsRect &wanted)
{
    if (wanted.width < 0 || wanted.height < 0)
        return false;
    rect = wanted;
    return true;
}

} // namespace

void ResizeEditorLayout(EditorLayout &l, float sw, float sh)
{
    TwipsRect r = l.tvTyp;
    r.height = sh - l.tvTyp.top - 100;
    place(l.tvTyp, r);

    r = {l.tvTyp.width + 2 * l.tvTyp.left, l.tvTyp.top, sw - l.tvTyp.width - 3 * l.tvTyp.left, l.tvTyp.height};
    place(l.lvTok, r);

    r = l.frmPropPrj;
    r.width = sw - 2 * l.frmPropPrj.left;
    place(l.frmPropPrj, r);

    r = l.progress;
    r.width = l.frmPropPrj.width - 2 * l.progress.left;
    place(l.progress, r);

    r = l.txtOrgTok;
    r.width = l.frmPropPrj.width - l.txtOrgTok.left - l.frmPropPrj.left;
    place(l.txtOrgTok, r);

    r = l.txtTransTok;
    r.width = l.txtOrgTok.width;
    place(l.txtTransTok, r);
}

TwipsRect CheckPaneLine(const EditorLayout &l)
{
    const float left = l.chkRO.left + l.chkRO.width + 90;
    const float width = l.frmPropPrj.width - left - 120;
    return {left, l.chkRO.top, width < 0 ? 0 : width, l.chkRO.height};
}
