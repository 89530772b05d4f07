#pragma once

#include <QGuiApplication>
#include <QStringList>

#include <xcb/xcb.h>

namespace X11Probe {

template <typename T> using Reply = QScopedPointer<T, QScopedPointerPodDeleter>; // malloc'ed

// What the X server and its window manager say about the one client window
// beside `own`, asked over the test's own connection, not what a widget
// believes: "iconic" (WM_STATE 3), "maximised" (both ways in _NET_WM_STATE),
// "active", its place on the screen, and "frameless" when the window manager
// gave it no decorations; "none" when there is no such window.
inline QString Says(xcb_window_t own) {
    xcb_connection_t* c =
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const auto atom = [c](const char* pName) {
        return Reply<xcb_intern_atom_reply_t>(
                   xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, qstrlen(pName), pName), nullptr))
            ->atom;
    };
    // A property of 32-bit items (windows, atoms, cardinals); empty when unset.
    const auto get = [&](xcb_window_t window, const char* pName) {
        const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, atom(pName), 0, 0, 64), nullptr));
        const auto* pItems = reply && reply->format == 32
                                 ? static_cast<const quint32*>(xcb_get_property_value(reply.get()))
                                 : nullptr;
        return QList<quint32>(pItems, pItems + (pItems ? reply->value_len : 0));
    };
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const QList<quint32> clients = get(root, "_NET_CLIENT_LIST");
    const xcb_window_t window = clients.value(clients.value(0) == own ? 1 : 0);
    const Reply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr));
    const Reply<xcb_get_geometry_reply_t> size(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    if (!at || !size)
        return QStringLiteral("none");
    const QList<quint32> state = get(window, "_NET_WM_STATE");
    const bool maximised = state.contains(atom("_NET_WM_STATE_MAXIMIZED_VERT")) &&
                           state.contains(atom("_NET_WM_STATE_MAXIMIZED_HORZ"));
    return QString::asprintf(
        "%s%s%s %ux%u+%d+%d%s", get(window, "WM_STATE").value(0) == 3 ? "iconic" : "",
        maximised ? "maximised" : "",
        get(root, "_NET_ACTIVE_WINDOW").value(0) == window ? " active" : "", size->width,
        size->height, at->dst_x, at->dst_y,
        get(window, "_NET_FRAME_EXTENTS") == QList<quint32>{0, 0, 0, 0} ? " frameless" : "");
}

} // namespace X11Probe
