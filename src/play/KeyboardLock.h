#pragma once

class QWidget;

// Keeps the desktop's own keys (window switching, the Super key, workspace keys) from taking
// the child out of the play window. BeginHook switches the lock on for the play window while
// that window is being made, EndHook switches it off when the play window goes; neither reports failure,
// since the program plays on with or without the lock. The program passes the X11 lock;
// tests pass a fake that records the calls.
class KeyboardLock
{
public:
    virtual ~KeyboardLock() = default;

    virtual void BeginHook(QWidget* PlayWindow) = 0;
    virtual void EndHook() = 0;
};
