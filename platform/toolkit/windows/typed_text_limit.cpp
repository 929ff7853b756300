#include "platform/toolkit/typed_text_limit.h"

#include <wx/combobox.h>

// The system's edit-field limit bounds typing and pasting only: an entry a choice puts there is set whole.
void limit_typed_text(wxComboBox* box, unsigned long characters) {
    box->SetMaxLength(characters);
}
