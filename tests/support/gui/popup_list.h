// Finds the list a combo box opens (a drop-down list or a menu, as the toolkit draws it) on the screen.
#pragma once

#include <gtk/gtk.h>
#include <wx/gdicmn.h>

#include <optional>
#include <string>

// The screen point at the middle of the entry at `position` of the open drop-down list, if one is open.
std::optional<wxPoint> popup_entry_point(int position);

// The text of the entry a cell view draws (how a list-only box shows its chosen entry).
std::string cell_view_text(GtkCellView* view);
