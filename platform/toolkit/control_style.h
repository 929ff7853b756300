// How the panel's controls look and take the focus, where the toolkit's own defaults differ from what the
// panel needs.
#pragma once

class wxWindow;

// Marks a combo box or button to be drawn compact, one text line high with thin padding, and answers the
// height it then needs.
int make_compact(wxWindow* control);

// Makes a combo box one stop of the Tab order, as in a dialog: its drop-down button takes no focus of its
// own.
void make_single_tab_stop(wxWindow* comboBox);
