#pragma once
// Reads back from the X server the frame a window asked its window manager
// for; nothing on a platform without X11 (the offscreen one).

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include "gui/qt/DialogFrame.h"

inline std::optional<MotifFrameHints> FrameHintsOf(QWidget& window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11 || !x11->connection())
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    static constexpr char kName[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, std::strlen(kName), kName), nullptr);
    if (!atom)
        return MotifFrameHints{};
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, static_cast<xcb_window_t>(window.winId()), atom->atom, XCB_GET_PROPERTY_TYPE_ANY,
                         0, 5),
        nullptr);
    std::free(atom);
    MotifFrameHints hints;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 12) {
        const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        hints = {values[0], values[1], values[2]};
    }
    std::free(reply);
    return hints;
}

inline bool operator==(const MotifFrameHints& a, const MotifFrameHints& b)
{
    return a.flags == b.flags && a.functions == b.functions && a.decorations == b.decorations;
}
