// The yardstick for the launcher's start on X11: a minimal program that opens
// the display, maps a borderless window of the splash's size and paints it on
// its first Expose. Then, as the launcher does on its first paint, it starts
// the setup runtime from the "setup" folder, so that the runtime's first trace
// line marks the first paint of both programs alike.
//   splash_baseline   (run in the medium's folder)
#include "platform/CurrentFolder.h"
#include "platform/ProgramStart.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 350;

} // namespace

int main()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 2;
    const int screen = DefaultScreen(display);
    const Window window =
        XCreateSimpleWindow(display, RootWindow(display, screen), (DisplayWidth(display, screen) - kWidth) / 2,
                            (DisplayHeight(display, screen) - kHeight) / 2, kWidth, kHeight, 0,
                            BlackPixel(display, screen), BlackPixel(display, screen));
    // No decorations from a window manager (Motif hints: decorations 0).
    const long motifHints[5] = {2, 0, 0, 0, 0};
    const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    XChangeProperty(display, window, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motifHints), 5);
    XSelectInput(display, window, ExposureMask);
    XMapWindow(display, window);
    XFlush(display);

    std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight);
    for (int row = 0; row < kHeight; ++row) {
        for (int column = 0; column < kWidth; ++column)
            pixels[static_cast<size_t>(row) * kWidth + column] = static_cast<uint32_t>(row << 8 | column);
    }
    XImage* image =
        XCreateImage(display, DefaultVisual(display, screen), static_cast<unsigned>(DefaultDepth(display, screen)),
                     ZPixmap, 0, reinterpret_cast<char*>(pixels.data()), kWidth, kHeight, 32, kWidth * 4);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == Expose && event.xexpose.count == 0)
            break;
    }
    XPutImage(display, window, DefaultGC(display, screen), image, 0, 0, 0, 0, kWidth, kHeight);
    XFlush(display);
    image->data = nullptr; // the pixels belong to the vector
    XDestroyImage(image);

    platform::ChangeCurrentFolder("setup");
    const bool started =
        platform::StartProgramShown("Mobrun.exe RADerav SetupProgram=RUZovoz Server=None Wnd=Maximized ", 5);
    XCloseDisplay(display);
    return started ? 0 : 3;
}
