#include "platform/posix/X11Backend.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <vector>

namespace platform::x11 {

namespace {

// The atoms the windows here use, interned together in one round trip when
// the display opens rather than one round trip each.
const char* const kKnownAtomNames[] = {
    "_MOTIF_WM_HINTS",     "_NET_WM_USER_TIME",    "WM_DELETE_WINDOW",   "WM_PROTOCOLS", "_NET_WM_STATE",
    "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_HIDDEN", "_NET_ACTIVE_WINDOW", "_NET_WM_NAME", "UTF8_STRING",
};
constexpr int kKnownAtomCount = sizeof kKnownAtomNames / sizeof kKnownAtomNames[0];
Atom knownAtoms[kKnownAtomCount] = {};

Display* SharedDisplay()
{
    static Display* display = [] {
        Display* opened = XOpenDisplay(nullptr);
        if (opened != nullptr) {
            // Programs started by the launcher must not inherit the connection.
            fcntl(ConnectionNumber(opened), F_SETFD, FD_CLOEXEC);
            XInternAtoms(opened, const_cast<char**>(kKnownAtomNames), kKnownAtomCount, False, knownAtoms);
        }
        return opened;
    }();
    return display;
}

Atom AtomNamed(const char* name)
{
    Display* display = SharedDisplay();
    for (int i = 0; i < kKnownAtomCount; ++i) {
        if (std::strcmp(kKnownAtomNames[i], name) == 0 && knownAtoms[i] != None)
            return knownAtoms[i];
    }
    return XInternAtom(display, name, False);
}

// The window manager's net-WM client message: action on a window's state or activation.
void SendRootMessage(Window window, const char* type, long first, long second, long third)
{
    Display* display = SharedDisplay();
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = AtomNamed(type);
    message.xclient.format = 32;
    message.xclient.data.l[0] = first;
    message.xclient.data.l[1] = second;
    message.xclient.data.l[2] = third;
    message.xclient.data.l[3] = 1; // from a normal application
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &message);
}

std::string WindowTitle(Window window)
{
    Display* display = SharedDisplay();
    std::string title;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, AtomNamed("_NET_WM_NAME"), 0, 1024, False, AtomNamed("UTF8_STRING"), &type,
                           &format, &count, &after, &data) == Success &&
        data != nullptr && format == 8) {
        title.assign(reinterpret_cast<char*>(data), count);
    }
    if (data != nullptr)
        XFree(data);
    if (!title.empty())
        return title;
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

bool HasClass(Window window, const char* className)
{
    XClassHint hint{};
    if (!XGetClassHint(SharedDisplay(), window, &hint))
        return false;
    const bool match = hint.res_class != nullptr && std::strcmp(hint.res_class, className) == 0;
    if (hint.res_name != nullptr)
        XFree(hint.res_name);
    if (hint.res_class != nullptr)
        XFree(hint.res_class);
    return match;
}

// Top-level windows are the root's children, or, under a reparenting window
// manager, the children of its frames.
Window SearchChildren(Window parent, const char* className, const char* title, int depth)
{
    Display* display = SharedDisplay();
    Window root = 0, parentOut = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOut, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        if (HasClass(children[i], className) && WindowTitle(children[i]) == title)
            found = children[i];
    }
    for (unsigned int i = 0; i < count && found == 0 && depth > 1; ++i)
        found = SearchChildren(children[i], className, title, depth - 1);
    if (children != nullptr)
        XFree(children);
    return found;
}

} // namespace

bool HasDisplay()
{
    return SharedDisplay() != nullptr;
}

int ScreenWidth()
{
    Display* display = SharedDisplay();
    return display != nullptr ? DisplayWidth(display, DefaultScreen(display)) : 0;
}

int ScreenHeight()
{
    Display* display = SharedDisplay();
    return display != nullptr ? DisplayHeight(display, DefaultScreen(display)) : 0;
}

unsigned long CreateSplashWindow(int x, int y, int width, int height)
{
    Display* display = SharedDisplay();
    if (display == nullptr)
        return 0;
    const int screen = DefaultScreen(display);
    Window window =
        XCreateSimpleWindow(display, RootWindow(display, screen), x, y, width > 0 ? width : 1, height > 0 ? height : 1,
                            0, BlackPixel(display, screen), BlackPixel(display, screen));
    XSelectInput(display, window, ExposureMask | KeyPressMask | FocusChangeMask | StructureNotifyMask);

    // No title bar or border from the window manager (Motif hints: decorations 0).
    const long motifHints[5] = {2, 0, 0, 0, 0};
    const Atom motif = AtomNamed("_MOTIF_WM_HINTS");
    XChangeProperty(display, window, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motifHints), 5);
    // Shown without taking the focus: a user time of 0 asks the manager not to activate it.
    const long userTime = 0;
    XChangeProperty(display, window, AtomNamed("_NET_WM_USER_TIME"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&userTime), 1);
    XWMHints wmHints{};
    wmHints.flags = InputHint;
    wmHints.input = True;
    XSetWMHints(display, window, &wmHints);
    XClassHint classHint{const_cast<char*>("velmora"), const_cast<char*>("Velmora")};
    XSetClassHint(display, window, &classHint);
    // The protocols property as XSetWMProtocols writes it, without its own round trip for the atom.
    const Atom deleteWindow = AtomNamed("WM_DELETE_WINDOW");
    XChangeProperty(display, window, AtomNamed("WM_PROTOCOLS"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&deleteWindow), 1);
    XFlush(display);
    return window;
}

unsigned long CreateFrame(const char* className, const char* title)
{
    Display* display = SharedDisplay();
    if (display == nullptr)
        return 0;
    const int screen = DefaultScreen(display);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 10, 10, 320, 200, 0,
                                        WhitePixel(display, screen), WhitePixel(display, screen));
    XClassHint classHint{const_cast<char*>("setup"), const_cast<char*>(className)};
    XSetClassHint(display, window, &classHint);
    XStoreName(display, window, title);
    XSelectInput(display, window, StructureNotifyMask | FocusChangeMask);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

void DestroyWindow(unsigned long window)
{
    if (Display* display = SharedDisplay()) {
        XDestroyWindow(display, window);
        XSync(display, False);
    }
}

void MoveResize(unsigned long window, int x, int y, int width, int height)
{
    if (Display* display = SharedDisplay()) {
        XSizeHints hints{};
        hints.flags = USPosition | USSize;
        hints.x = x;
        hints.y = y;
        hints.width = width;
        hints.height = height;
        XSetWMNormalHints(display, window, &hints);
        XMoveResizeWindow(display, window, x, y, width > 0 ? width : 1, height > 0 ? height : 1);
        XFlush(display);
    }
}

void KeepAbove(unsigned long window)
{
    Display* display = SharedDisplay();
    if (display == nullptr)
        return;
    // Before mapping the state is a property; afterwards the manager is asked.
    const Atom above = AtomNamed("_NET_WM_STATE_ABOVE");
    XChangeProperty(display, window, AtomNamed("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&above), 1);
    SendRootMessage(window, "_NET_WM_STATE", 1, static_cast<long>(above), 0);
    XRaiseWindow(display, window);
    XFlush(display);
}

void Show(unsigned long window)
{
    if (Display* display = SharedDisplay()) {
        XMapRaised(display, window);
        XFlush(display);
    }
}

void Hide(unsigned long window)
{
    if (Display* display = SharedDisplay()) {
        XUnmapWindow(display, window);
        XFlush(display);
    }
}

void Iconify(unsigned long window)
{
    if (Display* display = SharedDisplay()) {
        XIconifyWindow(display, window, DefaultScreen(display));
        // Without a window manager nobody answers the request: unmap it as a manager would.
        XUnmapWindow(display, window);
        XSync(display, False);
    }
}

void PutPixels(unsigned long window, const uint32_t* pixels, int width, int height)
{
    Display* display = SharedDisplay();
    if (display == nullptr || width <= 0 || height <= 0)
        return;
    const int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    const int depth = DefaultDepth(display, screen);
    // XPutImage reads the buffer only; XImage wants it writable.
    XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                                 reinterpret_cast<char*>(const_cast<uint32_t*>(pixels)), static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 32, width * 4);
    if (image == nullptr)
        return;
    if (depth >= 24 && image->bits_per_pixel == 32) {
        XPutImage(display, window, DefaultGC(display, screen), image, 0, 0, 0, 0, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    } else {
        // Other visuals are rare; go through XPutPixel on a copy.
        std::vector<char> copy(static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height));
        image->data = copy.data();
        for (int row = 0; row < height; ++row) {
            for (int column = 0; column < width; ++column)
                XPutPixel(image, column, row, pixels[static_cast<size_t>(row) * static_cast<size_t>(width) + column]);
        }
        XPutImage(display, window, DefaultGC(display, screen), image, 0, 0, 0, 0, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    }
    image->data = nullptr; // The pixels belong to the caller.
    XDestroyImage(image);
    XFlush(display);
}

bool WaitForEvents(int milliseconds)
{
    Display* display = SharedDisplay();
    if (display == nullptr)
        return false;
    if (XPending(display) > 0)
        return true;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    if (poll(&connection, 1, milliseconds > 0 ? milliseconds : 0) <= 0)
        return false;
    // Readable may also mean replies or a closed connection: only events count.
    return XPending(display) > 0;
}

bool NextEvent(Event* event)
{
    Display* display = SharedDisplay();
    if (display == nullptr || XPending(display) == 0)
        return false;
    XEvent x;
    XNextEvent(display, &x);
    event->kind = Event::kOther;
    event->window = x.xany.window;
    switch (x.type) {
    case Expose:
        if (x.xexpose.count == 0)
            event->kind = Event::kExpose;
        break;
    case FocusIn:
        if (x.xfocus.detail != NotifyPointer && x.xfocus.detail != NotifyInferior)
            event->kind = Event::kFocusIn;
        break;
    case FocusOut:
        if (x.xfocus.detail != NotifyPointer && x.xfocus.detail != NotifyInferior && x.xfocus.mode != NotifyGrab)
            event->kind = Event::kFocusOut;
        break;
    case KeyPress:
        if (XLookupKeysym(&x.xkey, 0) == XK_Escape)
            event->kind = Event::kCancel;
        break;
    case ClientMessage:
        if (x.xclient.message_type == AtomNamed("WM_PROTOCOLS") &&
            static_cast<Atom>(x.xclient.data.l[0]) == AtomNamed("WM_DELETE_WINDOW"))
            event->kind = Event::kCancel;
        break;
    default:
        break;
    }
    return true;
}

unsigned long FindTopLevel(const char* className, const char* title)
{
    Display* display = SharedDisplay();
    if (display == nullptr || className == nullptr || title == nullptr)
        return 0;
    return SearchChildren(DefaultRootWindow(display), className, title, 2);
}

bool IsMapped(unsigned long window)
{
    XWindowAttributes attributes{};
    Display* display = SharedDisplay();
    return display != nullptr && XGetWindowAttributes(display, window, &attributes) &&
           attributes.map_state == IsViewable;
}

void Restore(unsigned long window)
{
    if (Display* display = SharedDisplay()) {
        const Atom hidden = AtomNamed("_NET_WM_STATE_HIDDEN");
        SendRootMessage(window, "_NET_WM_STATE", 0, static_cast<long>(hidden), 0);
        XMapWindow(display, window);
        XSync(display, False);
    }
}

void Activate(unsigned long window)
{
    Display* display = SharedDisplay();
    if (display == nullptr)
        return;
    XRaiseWindow(display, window);
    SendRootMessage(window, "_NET_ACTIVE_WINDOW", 1, CurrentTime, 0);
    // Without a window manager nobody acts on the request: set the focus directly.
    XSync(display, False);
    if (IsMapped(window))
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
}

bool HasFocus(unsigned long window)
{
    Display* display = SharedDisplay();
    if (display == nullptr)
        return false;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return focus == window;
}

void RequestClose(unsigned long window)
{
    Display* display = SharedDisplay();
    if (display == nullptr)
        return;
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = AtomNamed("WM_PROTOCOLS");
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(AtomNamed("WM_DELETE_WINDOW"));
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &message);
    XFlush(display);
}

} // namespace platform::x11
