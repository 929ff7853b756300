// The toolkit's natural sizes for combo boxes and buttons are taller than the panel's layout allows;
// a compact style keeps each control inside its place.
#pragma once

class wxWindow;

// Marks a combo box or button to be drawn compact: one text line high, with thin padding.
void make_compact(wxWindow* control);
