#include "platform/x11_input.h"

namespace oxl::win::x11
{
namespace
{

// The fields a pointer and a key event share: sent by a client to the window, at a point in it.
template <class Event> void address(Event& e, int type, Display* display, Window window, int screen, Point at)
{
    e.type = type;
    e.send_event = True;
    e.display = display;
    e.window = window;
    e.root = RootWindow(display, screen);
    e.subwindow = None;
    e.time = CurrentTime;
    e.x = at.x;
    e.y = at.y;
    e.x_root = at.rootX;
    e.y_root = at.rootY;
    e.same_screen = True;
}

// A client message about the window, of the type named by the atom, with 32-bit data.
XEvent clientMessage(Display* display, Window window, const char* type)
{
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.send_event = True;
    e.xclient.display = display;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(display, type, False);
    e.xclient.format = 32;
    return e;
}

bool sendButton(Display* display, Window window, int screen, int type, Point at, unsigned state)
{
    XEvent e{};
    address(e.xbutton, type, display, window, screen, at);
    e.xbutton.state = state;
    e.xbutton.button = Button1;
    return XSendEvent(display, window, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e) !=
           0;
}

} // namespace

void setAbove(Display* display, Window window, int screen, bool above)
{
    if (window == 0)
        return;
    XEvent e = clientMessage(display, window, "_NET_WM_STATE");
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
    address(k, KeyPress, display, window, screen, {1, 1, 0, 0});
    k.keycode = XKeysymToKeycode(display, keysym);
    bool sent = XSendEvent(display, window, True, KeyPressMask, &e) != 0;
    k.type = KeyRelease;
    sent = XSendEvent(display, window, True, KeyReleaseMask, &e) != 0 && sent;
    XSync(display, False);
    return sent;
}

bool sendClose(Display* display, Window window)
{
    XEvent e = clientMessage(display, window, "WM_PROTOCOLS");
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, window, False, NoEventMask, &e) != 0;
    XSync(display, False);
    return sent;
}

} // namespace oxl::win::x11
