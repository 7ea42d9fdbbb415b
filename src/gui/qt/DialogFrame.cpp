#include "gui/qt/DialogFrame.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

void AskForDialogFrame([[maybe_unused]] QWidget& window)
{
#if QT_CONFIG(xcb)
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    static constexpr char kName[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(kName), kName), nullptr);
    if (!atom)
        return;
    // flags, functions, decorations, input mode, status: 32 bits each.
    const uint32_t hints[5] = {static_cast<uint32_t>(kDialogFrameHints.flags),
                               static_cast<uint32_t>(kDialogFrameHints.functions),
                               static_cast<uint32_t>(kDialogFrameHints.decorations), 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window.winId()), atom->atom,
                        atom->atom, 32, 5, hints);
    xcb_flush(connection);
    std::free(atom);
#endif
}
