// The hidden internal window and window services, standing in for the system
// window manager. A non-null window handle is taken as an X11 window id when
// an X display can be opened; without a display the window calls fail
// (result 0) as a system call on an invalid window would.
#pragma once
#include <cstdint>

constexpr const char *kInternalWindowClass = "Quillwise DLL window";
constexpr const char *kInternalWindowTitle = "QW Internal WND";

// The record behind internalWindow: what was registered and created at load.
struct InternalWindow {
    const char *className;
    const char *title;
    uint32_t classStyle;    // horizontal and vertical redraw
};

// Runs once when the library is loaded: module handle, internal window, end fade.
void PlatformAttach();

// Reads pending display-change notifications (X11 RandR screen changes) and
// sets displayChanged for each; without a display nothing changes.
void PlatformPollDisplayChanges();

// Test hook: behaves as if the display settings changed.
void PlatformRaiseDisplayChange();

int PlatformSetWindowRedraw(void *window, int on);
int PlatformRedrawWindow(void *window);

// The X display shared by the window services, or null when none can be opened.
struct _XDisplay;
_XDisplay *PlatformDisplay();
