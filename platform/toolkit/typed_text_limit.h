// A bound on what a user types into a combo box's edit field that leaves the box's own entries whole.
#pragma once

class wxComboBox;

// At most `characters` typed or pasted characters stay in the edit field; an entry of the box's list put
// there by a choice is shown in full whatever its length. (The toolkit's own limit would cut the chosen
// entry too.)
void limit_typed_text(wxComboBox* box, unsigned long characters);
