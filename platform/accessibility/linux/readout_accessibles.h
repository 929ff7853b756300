// The GObject types behind the panel's readout on ATK (see AtkPanelReadout).
#pragma once

#include <atk/atk.h>
#include <gtk/gtk.h>

class AtkPanelReadout;

// A widget that draws nothing and takes no focus, whose accessible object is a status bar holding the
// readout's lines as its children.
GtkWidget* readout_host_new(AtkPanelReadout* readout);
// Cuts the widget and its labels loose from a readout that is going: they answer nothing from then on.
void readout_host_detach(GtkWidget* host);

// The label of the text at (x, y) of the readout, a child of `status`.
AtkObject* readout_label_new(AtkPanelReadout* readout, AtkObject* status, int x, int y);
void readout_label_detach(AtkObject* label);
