#pragma once

class QWidget;

// Raises Window and gives it the keyboard focus, also when the request comes from outside
// (another copy of the program asked). Qt's own activation on X stamps the focus request with
// the time of the last event this copy saw, which the X server ignores when another client
// took the focus later; so on X the focus is also set with the server's current time.
// Window must be visible.
void BringToFront(QWidget* Window);
