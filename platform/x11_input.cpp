#include "platform/x11_input.h"

namespace oxl::win::x11
{
namespace
{

bool sendButton(Display* display, Window window, int screen, int type, Point at, unsigned state)
{
    XEvent e{};
    XButtonEvent& b = e.xbutton;
    b.type = type;
    b.send_event = True;
    b.display = display;
    b.window = window;
    b.root = RootWindow(display, screen);
    b.subwindow = None;
    b.time = CurrentTime;
    b.x = at.x;
    b.y = at.y;
    b.x_root = at.rootX;
    b.y_root = at.rootY;
    b.state = state;
    b.button = Button1;
    b.same_screen = True;
    return XSendEvent(display, window, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e) !=
           0;
}

} // namespace

void setAbove(Display* display, Window window, int screen, bool above)
{
    if (window == 0)
        return;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.send_event = True;
    e.xclient.display = display;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = above ? 1 : 0; // add or remove
    e.xclient.data.l[1] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_ABOVE", False));
    e.xclient.data.l[3] = 1; // asked by an application
    XSendEvent(display, RootWindow(display, screen), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &e);
    XFlush(display);
}

bool sendClick(Display* display, Window window, int screen, Point at)
{
    const bool sent = sendButton(display, window, screen, ButtonPress, at, 0) &&
                      sendButton(display, window, screen, ButtonRelease, at, Button1Mask);
    XSync(display, False);
    return sent;
}

bool sendKey(Display* display, Window window, int screen, unsigned long keysym)
{
    XEvent e{};
    XKeyEvent& k = e.xkey;
    k.type = KeyPress;
    k.send_event = True;
    k.display = display;
    k.window = window;
    k.root = RootWindow(display, screen);
    k.subwindow = None;
    k.time = CurrentTime;
    k.x = 1;
    k.y = 1;
    k.keycode = XKeysymToKeycode(display, keysym);
    k.same_screen = True;
    bool sent = XSendEvent(display, window, True, KeyPressMask, &e) != 0;
    k.type = KeyRelease;
    sent = XSendEvent(display, window, True, KeyReleaseMask, &e) != 0 && sent;
    XSync(display, False);
    return sent;
}

bool sendClose(Display* display, Window window)
{
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.send_event = True;
    e.xclient.display = display;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, window, False, NoEventMask, &e) != 0;
    XSync(display, False);
    return sent;
}

} // namespace oxl::win::x11
