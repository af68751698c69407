#include "platform/window.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <dlfcn.h>

#include <cstdlib>

#include "core/engine_state.h"
#include "undo/undo_api.h"

namespace {

InternalWindow g_internalWindow = {kInternalWindowClass, kInternalWindowTitle, 0x0002u | 0x0001u};

Display *g_display = nullptr;
bool g_displayTried = false;
int g_randrEventBase = 0;
bool g_randrSelected = false;

int IgnoreXErrors(Display *, XErrorEvent *) { return 0; }

bool ValidWindow(Display *d, Window w) {
    XWindowAttributes attrs;
    return XGetWindowAttributes(d, w, &attrs) != 0;
}

}  // namespace

_XDisplay *PlatformDisplay() {
    if (!g_displayTried) {
        g_displayTried = true;
        const char *name = std::getenv("DISPLAY");
        if (name != nullptr && name[0] != 0) {
            g_display = XOpenDisplay(nullptr);
            if (g_display != nullptr) XSetErrorHandler(IgnoreXErrors);
        }
    }
    return g_display;
}

void PlatformAttach() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void *>(&PlatformAttach), &info) != 0)
        g_engine.moduleInstance = info.dli_fbase;
    g_engine.internalWindow = &g_internalWindow;
    EndFade();
}

void PlatformPollDisplayChanges() {
    Display *d = PlatformDisplay();
    if (d == nullptr) return;
    if (!g_randrSelected) {
        g_randrSelected = true;
        int errorBase = 0;
        if (XRRQueryExtension(d, &g_randrEventBase, &errorBase))
            XRRSelectInput(d, DefaultRootWindow(d), RRScreenChangeNotifyMask);
        else
            g_randrEventBase = -1;
        XSync(d, False);
    }
    while (XPending(d) > 0) {
        XEvent ev;
        XNextEvent(d, &ev);
        if (g_randrEventBase >= 0 && ev.type == g_randrEventBase + RRScreenChangeNotify) {
            XRRUpdateConfiguration(&ev);
            g_engine.displayChanged = 1;
        }
    }
}

void PlatformRaiseDisplayChange() { g_engine.displayChanged = 1; }

int PlatformSetWindowRedraw(void *window, int on) {
    // The redraw switch has no X11 counterpart; the message result is 0.
    (void)on;
    (void)window;
    return 0;
}

int PlatformRedrawWindow(void *window) {
    Display *d = PlatformDisplay();
    if (d == nullptr || window == nullptr) return 0;
    const Window w = static_cast<Window>(reinterpret_cast<uintptr_t>(window));
    if (!ValidWindow(d, w)) return 0;
    // Expose the window and every child so each repaints, frame included.
    XClearArea(d, w, 0, 0, 0, 0, True);
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &count) != 0) {
        for (unsigned i = 0; i < count; ++i) XClearArea(d, children[i], 0, 0, 0, 0, True);
        if (children != nullptr) XFree(children);
    }
    XFlush(d);
    return 1;
}

// Library load: the engine's counterpart of process attach.
__attribute__((constructor)) static void TessaryLibraryLoad() { PlatformAttach(); }
