#include "platform/accessibility/linux/readout_accessibles.h"

#include "platform/accessibility/linux/AtkPanelReadout.h"

#include <gtk/gtk-a11y.h>

#include <algorithm>
#include <string>

// The host widget: no window, no drawing, no focus, no size of its own.
struct VarnelReadoutHost {
    GtkWidget parent;
    AtkPanelReadout* readout;
};
struct VarnelReadoutHostClass {
    GtkWidgetClass parentClass;
};

// The host's accessible object: a status bar whose children are the readout's lines.
struct VarnelReadoutStatus {
    GtkWidgetAccessible parent;
};
struct VarnelReadoutStatusClass {
    GtkWidgetAccessibleClass parentClass;
};

// A line's label: its text, as name and as text, and the box it covers on the screen.
struct VarnelReadoutLabel {
    AtkObject parent;
    AtkPanelReadout* readout;
    int x;
    int y;
    gchar* name; // what get_name answered last: it stays valid until the text changes
};
struct VarnelReadoutLabelClass {
    AtkObjectClass parentClass;
};

namespace {

void label_text_init(AtkTextIface* text);
void label_component_init(AtkComponentIface* component);

} // namespace

G_DEFINE_TYPE(VarnelReadoutStatus, varnel_readout_status, GTK_TYPE_WIDGET_ACCESSIBLE)
G_DEFINE_TYPE(VarnelReadoutHost, varnel_readout_host, GTK_TYPE_WIDGET)
G_DEFINE_TYPE_WITH_CODE(VarnelReadoutLabel, varnel_readout_label, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_TEXT, label_text_init)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, label_component_init))

namespace {

VarnelReadoutHost* as_host(gpointer instance) {
    return G_TYPE_CHECK_INSTANCE_CAST(instance, varnel_readout_host_get_type(), VarnelReadoutHost);
}

VarnelReadoutLabel* as_label(gpointer instance) {
    return G_TYPE_CHECK_INSTANCE_CAST(instance, varnel_readout_label_get_type(), VarnelReadoutLabel);
}

AtkPanelReadout* readout_of_status(AtkObject* status) {
    GtkWidget* host = gtk_accessible_get_widget(GTK_ACCESSIBLE(status));
    return host != nullptr ? as_host(host)->readout : nullptr;
}

void status_initialize(AtkObject* status, gpointer widget) {
    ATK_OBJECT_CLASS(varnel_readout_status_parent_class)->initialize(status, widget);
    status->role = ATK_ROLE_STATUSBAR;
}

gint status_child_count(AtkObject* status) {
    const AtkPanelReadout* readout = readout_of_status(status);
    return readout != nullptr ? readout->lineCount() : 0;
}

AtkObject* status_ref_child(AtkObject* status, gint index) {
    AtkPanelReadout* readout = readout_of_status(status);
    AtkObject* label = readout != nullptr ? readout->lineLabel(index) : nullptr;
    return label != nullptr ? ATK_OBJECT(g_object_ref(label)) : nullptr;
}

std::string label_text(gpointer label) {
    const VarnelReadoutLabel* self = as_label(label);
    return self->readout != nullptr ? self->readout->textAt(self->x, self->y) : std::string();
}

glong character_count(const std::string& text) {
    return g_utf8_strlen(text.c_str(), static_cast<gssize>(text.size()));
}

// A caller may ask again before it is done with the last answer, so an unchanged name is the same string.
const gchar* label_name(AtkObject* label) {
    VarnelReadoutLabel* self = as_label(label);
    const std::string text = label_text(label);
    if (self->name == nullptr || text != self->name) {
        g_free(self->name);
        self->name = g_strdup(text.c_str());
    }
    return self->name;
}

gint label_index(AtkObject* label) {
    const VarnelReadoutLabel* self = as_label(label);
    return self->readout != nullptr ? self->readout->indexOf(self->x, self->y) : -1;
}

AtkStateSet* label_states(AtkObject* label) {
    AtkStateSet* states = ATK_OBJECT_CLASS(varnel_readout_label_parent_class)->ref_state_set(label);
    if (as_label(label)->readout == nullptr) {
        atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
    } else if (label_index(label) >= 0) {
        const AtkStateType shown[] = {ATK_STATE_ENABLED, ATK_STATE_SENSITIVE, ATK_STATE_VISIBLE,
                                      ATK_STATE_SHOWING, ATK_STATE_SINGLE_LINE};
        atk_state_set_add_states(states, const_cast<AtkStateType*>(shown), G_N_ELEMENTS(shown));
    }
    return states;
}

void label_finalize(GObject* label) {
    g_free(as_label(label)->name);
    G_OBJECT_CLASS(varnel_readout_label_parent_class)->finalize(label);
}

gchar* label_get_text(AtkText* label, gint start, gint end) {
    const std::string text = label_text(label);
    const glong count = character_count(text);
    const glong last = end < 0 || end > count ? count : end;
    const glong first = std::clamp<glong>(start, 0, last);
    return g_utf8_substring(text.c_str(), first, last);
}

gint label_get_character_count(AtkText* label) {
    return static_cast<gint>(character_count(label_text(label)));
}

gint label_get_caret_offset(AtkText*) {
    return 0;
}

// A line is one line, one sentence and one paragraph: any unit but a character is the whole text.
gchar* label_get_string_at_offset(AtkText* label, gint offset, AtkTextGranularity granularity, gint* start,
                                  gint* end) {
    const std::string text = label_text(label);
    const gint count = static_cast<gint>(character_count(text));
    if (offset < 0 || offset > count || (granularity == ATK_TEXT_GRANULARITY_CHAR && offset == count)) {
        *start = *end = std::clamp(offset, 0, count);
        return g_strdup("");
    }
    *start = granularity == ATK_TEXT_GRANULARITY_CHAR ? offset : 0;
    *end = granularity == ATK_TEXT_GRANULARITY_CHAR ? offset + 1 : count;
    return g_utf8_substring(text.c_str(), *start, *end);
}

// The status bar lies at the panel's origin, so a box in the panel's coordinates is one in the status bar's.
void label_get_extents(AtkComponent* label, gint* x, gint* y, gint* width, gint* height,
                       AtkCoordType coords) {
    const VarnelReadoutLabel* self = as_label(label);
    *x = *y = *width = *height = -1;
    if (self->readout == nullptr) {
        return;
    }
    gint originX = 0;
    gint originY = 0;
    AtkObject* status = atk_object_get_parent(ATK_OBJECT(label));
    if (coords != ATK_XY_PARENT && status != nullptr && ATK_IS_COMPONENT(status)) {
        atk_component_get_extents(ATK_COMPONENT(status), &originX, &originY, nullptr, nullptr, coords);
    }
    const wxRect box = self->readout->boxAt(self->x, self->y);
    *x = originX + box.x;
    *y = originY + box.y;
    *width = box.width;
    *height = box.height;
}

void label_text_init(AtkTextIface* text) {
    text->get_text = label_get_text;
    text->get_character_count = label_get_character_count;
    text->get_caret_offset = label_get_caret_offset;
    text->get_string_at_offset = label_get_string_at_offset;
}

void label_component_init(AtkComponentIface* component) {
    component->get_extents = label_get_extents;
}

} // namespace

static void varnel_readout_host_class_init(VarnelReadoutHostClass* hostClass) {
    gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(hostClass), varnel_readout_status_get_type());
}

static void varnel_readout_host_init(VarnelReadoutHost* host) {
    gtk_widget_set_has_window(GTK_WIDGET(host), FALSE);
    gtk_widget_set_can_focus(GTK_WIDGET(host), FALSE);
    host->readout = nullptr;
}

static void varnel_readout_status_class_init(VarnelReadoutStatusClass* statusClass) {
    AtkObjectClass* atkClass = ATK_OBJECT_CLASS(statusClass);
    atkClass->initialize = status_initialize;
    atkClass->get_n_children = status_child_count;
    atkClass->ref_child = status_ref_child;
}

static void varnel_readout_status_init(VarnelReadoutStatus*) {}

static void varnel_readout_label_class_init(VarnelReadoutLabelClass* labelClass) {
    G_OBJECT_CLASS(labelClass)->finalize = label_finalize;
    AtkObjectClass* atkClass = ATK_OBJECT_CLASS(labelClass);
    atkClass->get_name = label_name;
    atkClass->get_index_in_parent = label_index;
    atkClass->ref_state_set = label_states;
}

static void varnel_readout_label_init(VarnelReadoutLabel* label) {
    label->readout = nullptr;
    label->name = nullptr;
}

GtkWidget* readout_host_new(AtkPanelReadout* readout) {
    VarnelReadoutHost* host = as_host(g_object_new(varnel_readout_host_get_type(), nullptr));
    host->readout = readout;
    return GTK_WIDGET(host);
}

void readout_host_detach(GtkWidget* host) {
    as_host(host)->readout = nullptr;
}

AtkObject* readout_label_new(AtkPanelReadout* readout, AtkObject* status, int x, int y) {
    VarnelReadoutLabel* label = as_label(g_object_new(varnel_readout_label_get_type(), nullptr));
    label->readout = readout;
    label->x = x;
    label->y = y;
    AtkObject* object = ATK_OBJECT(label);
    atk_object_set_role(object, ATK_ROLE_LABEL);
    atk_object_set_parent(object, status);
    return object;
}

void readout_label_detach(AtkObject* label) {
    as_label(label)->readout = nullptr;
}
