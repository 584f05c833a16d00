#pragma once

#include <Qt>

// The window type of the program's dialog, a top-level window with no owner;
// its frame (title bar, system menu, close box, fixed size) comes from the
// other flags the dialog gives, the same on every system.
//   Windows: Qt::Dialog. Qt's windows platform, when it creates the first
//   window of type Qt::Window, asks Direct3D 9 for the graphics adapter
//   (Direct3DCreate9, GetAdapterIdentifier: a workaround for machines with
//   two graphics cards, QTBUG-50371); a window of another type skips it, and
//   with these flags gets the same Win32 styles. Under Wine that query sets
//   up Direct3D on the software renderer, which the start-up would wait for.
//   Elsewhere: Qt::Window. On X11 Qt makes a Qt::Dialog with no parent
//   transient for the application, which window managers keep out of the
//   task bar.
Qt::WindowType TypeFenetreFiche();
