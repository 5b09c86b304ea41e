#pragma once
// What a backend prepares before a list's OnDrawItem runs: the item's colours by its state, and the text
// area, which a check list starts after its check box column. Both backends take it from here.
#include "platform/ui/Canvas.h"

namespace ulv {

struct TListItemPaint {
    TColor Brush = kColorWindow;
    TColor FontColor = kColorWindowText;
    // The check box column (empty when the list has none) and the text area the handler draws in.
    TRect CheckColumn;
    TRect TextArea;
};

// `item` is the whole item in device pixels; `checkColumnWidth` the scaled column width, 0 for a list
// without check boxes.
[[nodiscard]] inline TListItemPaint ListItemPaint(const TRect& item, int checkColumnWidth,
                                                  const TOwnerDrawState& state) {
    TListItemPaint paint;
    paint.Brush = state.Selected ? kColorHighlight : kColorWindow;
    paint.FontColor = state.Disabled   ? kColorGrayText
                      : state.Selected ? kColorHighlightText
                                       : kColorWindowText;
    paint.CheckColumn = {item.Left, item.Top, item.Left + checkColumnWidth, item.Bottom};
    paint.TextArea = {item.Left + checkColumnWidth, item.Top, item.Right, item.Bottom};
    return paint;
}

} // namespace ulv
