#include "support/gui/popup_list.h"

namespace {

GtkWidget* find_descendant(GtkWidget* widget, GType type) {
    if (G_TYPE_CHECK_INSTANCE_TYPE(widget, type)) {
        return widget;
    }
    if (!GTK_IS_CONTAINER(widget)) {
        return nullptr;
    }
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    GtkWidget* found = nullptr;
    for (GList* child = children; child != nullptr && found == nullptr; child = child->next) {
        found = find_descendant(GTK_WIDGET(child->data), type);
    }
    g_list_free(children);
    return found;
}

// A point of a widget, in its own coordinates, on the screen.
wxPoint on_screen(GtkWidget* widget, int x, int y) {
    GtkWidget* top = gtk_widget_get_toplevel(widget);
    int inTopX = 0;
    int inTopY = 0;
    gtk_widget_translate_coordinates(widget, top, x, y, &inTopX, &inTopY);
    int originX = 0;
    int originY = 0;
    gdk_window_get_origin(gtk_widget_get_window(top), &originX, &originY);
    return wxPoint(originX + inTopX, originY + inTopY);
}

std::optional<wxPoint> row_point(GtkTreeView* tree, int position) {
    constexpr int kInsetX = 10;
    GtkTreePath* path = gtk_tree_path_new_from_indices(position, -1);
    GdkRectangle row{};
    gtk_tree_view_get_background_area(tree, path, nullptr, &row);
    gtk_tree_path_free(path);
    if (row.height <= 0) {
        return std::nullopt;
    }
    int x = 0;
    int y = 0;
    gtk_tree_view_convert_bin_window_to_widget_coords(tree, kInsetX, row.y + row.height / 2, &x, &y);
    return on_screen(GTK_WIDGET(tree), x, y);
}

std::optional<wxPoint> menu_item_point(GtkMenu* menu, int position) {
    GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
    std::optional<wxPoint> point;
    if (GList* item = g_list_nth(items, static_cast<guint>(position))) {
        GtkWidget* widget = GTK_WIDGET(item->data);
        GtkAllocation area{};
        gtk_widget_get_allocation(widget, &area);
        point = on_screen(widget, area.width / 2, area.height / 2);
    }
    g_list_free(items);
    return point;
}

} // namespace

std::optional<wxPoint> popup_entry_point(int position) {
    GList* windows = gtk_window_list_toplevels();
    std::optional<wxPoint> point;
    for (GList* item = windows; item != nullptr && !point; item = item->next) {
        GtkWidget* window = GTK_WIDGET(item->data);
        if (gtk_window_get_window_type(GTK_WINDOW(window)) != GTK_WINDOW_POPUP ||
            !gtk_widget_get_mapped(window)) {
            continue;
        }
        if (GtkWidget* tree = find_descendant(window, GTK_TYPE_TREE_VIEW)) {
            point = row_point(GTK_TREE_VIEW(tree), position);
        } else if (GtkWidget* menu = find_descendant(window, GTK_TYPE_MENU)) {
            point = menu_item_point(GTK_MENU(menu), position);
        }
    }
    g_list_free(windows);
    return point;
}

std::string cell_view_text(GtkCellView* view) {
    GtkTreeModel* model = gtk_cell_view_get_model(view);
    GtkTreePath* path = gtk_cell_view_get_displayed_row(view);
    std::string text = "<no entry>";
    GtkTreeIter row;
    if (model != nullptr && path != nullptr && gtk_tree_model_get_iter(model, &row, path)) {
        gchar* value = nullptr;
        gtk_tree_model_get(model, &row, 0, &value, -1);
        text = value != nullptr ? value : "";
        g_free(value);
    }
    if (path != nullptr) {
        gtk_tree_path_free(path);
    }
    return text;
}
