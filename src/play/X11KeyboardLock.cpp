#include "X11KeyboardLock.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWindow>

#ifdef TUMBALO_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace {

// A refused grab (window not yet viewable, another client's grab) is retried this often.
constexpr int RetryMilliseconds = 200;

} // namespace

X11KeyboardLock::X11KeyboardLock()
{
    FRetry.setInterval(RetryMilliseconds);
    FRetry.setSingleShot(true);
    connect(&FRetry, &QTimer::timeout, this, &X11KeyboardLock::TryGrab);
}

X11KeyboardLock::~X11KeyboardLock()
{
    EndHook();
}

void X11KeyboardLock::BeginHook(QWidget* PlayWindow)
{
    if (FActive || !PlayWindow)
        return;
    FWindow = PlayWindow;
    FActive = true;
    FWindow->installEventFilter(this);
    TryGrab();
}

void X11KeyboardLock::EndHook()
{
    if (!FActive)
        return;
    FActive = false;
    FRetry.stop();
    if (FWindow)
        FWindow->removeEventFilter(this);
    Release();
}

bool X11KeyboardLock::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FWindow) {
        switch (Event->type()) {
        case QEvent::Show:
        case QEvent::WindowActivate:
        case QEvent::WindowStateChange:
            // The grab may have been lost while the window was hidden or minimised; grabbing
            // again while it holds changes nothing.
            QTimer::singleShot(0, this, &X11KeyboardLock::TryGrab);
            break;
        case QEvent::Hide:
            FGrabbed = false;
            FRetry.stop();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(Watched, Event);
}

void X11KeyboardLock::TryGrab()
{
    if (!FActive || !FWindow)
        return;
    if (!FWindow->isVisible() || FWindow->isMinimized())
        return; // the next Show or state change tries again
    QWindow* Handle = FWindow->windowHandle();
    if (!Handle)
        return;
    FGrabbed = Handle->setKeyboardGrabEnabled(true);
    if (!FGrabbed && QGuiApplication::platformName() == QLatin1String("xcb"))
        FRetry.start();
}

void X11KeyboardLock::Release()
{
    FGrabbed = false;
    if (FWindow && FWindow->windowHandle())
        FWindow->windowHandle()->setKeyboardGrabEnabled(false);
#ifdef TUMBALO_HAVE_XCB
    // The release waits in the connection's buffer until the next turn of the event loop;
    // the desktop gets its keys back now, not after whatever this thread does next.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        auto* X11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (X11 && X11->connection())
            xcb_flush(X11->connection());
    }
#endif
}
