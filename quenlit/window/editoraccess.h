#pragma once

class QMainWindow;

namespace quenlit {

// What a screen reader reads of the editor's window, and the way the keyboard
// goes through it. Each box is named after its label and tied to it; the tree,
// the list, the bars' boxes and the preview say what they are; Tab goes from
// the pane at the top (the boxes, then the check boxes, left to right) to the
// tree, the find and replace bars over the list, the list, then the preview.
// Run once the window and its parts are made; it finds the controls by name.
void SetUpEditorAccess(QMainWindow &window);

} // namespace quenlit
