#include "uWindowFocus.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef TUMBALO_HAVE_XCB
#include <xcb/xcb.h>
#endif

void BringToFront(QWidget* Window)
{
    if (!Window || !Window->isVisible())
        return;
    Window->raise();
    Window->activateWindow();
#ifdef TUMBALO_HAVE_XCB
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    auto* X11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!X11 || !X11->connection())
        return;
    xcb_set_input_focus(
        X11->connection(), XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(Window->winId()), XCB_CURRENT_TIME);
    xcb_flush(X11->connection());
#endif
}
