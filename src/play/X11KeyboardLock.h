#pragma once

#include "KeyboardLock.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

// The keyboard lock as an X keyboard grab on the play window: while it holds, every key goes
// to the play window, the window manager's shortcuts included, and the desktop gets them back
// when the grab ends. The X server drops a grab when its window is unmapped (minimised) and
// refuses one for a window that is not yet visible or while another client holds a grab, so
// the lock grabs again whenever the window is shown, activated or changes state, and retries a
// refused grab a little later. Under a platform without real grabs (offscreen, Wayland
// without the protocol) the lock does nothing.
//
// Only the X-level grab is taken, not Qt's own keyboard grab, so the program's modal windows
// (help, editor) still receive their keys while the lock holds.
class X11KeyboardLock final : public QObject, public KeyboardLock
{
    Q_OBJECT

public:
    X11KeyboardLock();
    ~X11KeyboardLock() override;

    // PlayWindow is watched, not owned; a window destroyed while locked simply ends the grab.
    void BeginHook(QWidget* PlayWindow) override;
    void EndHook() override;

    // True while the X server has granted the grab.
    bool IsGrabbed() const { return FGrabbed; }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void TryGrab();
    void Release();

    QPointer<QWidget> FWindow;
    bool FActive = false;
    bool FGrabbed = false;
    QTimer FRetry;
};
