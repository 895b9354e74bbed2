#include "platform/x11_dock.h"

#include "platform/x11_error_trap.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <type_traits>

namespace orbeta {

static_assert(std::is_same_v<XWindowId, Window>);

namespace {

bool IsDock(Display* display, Window window, Atom typeProperty, Atom dockType) {
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, typeProperty, 0, 32, False, XA_ATOM, &actualType, &format, &count,
                         &remaining, &data) != Success)
    return false;
  bool dock = false;
  if (data && actualType == XA_ATOM && format == 32) {
    const Atom* types = reinterpret_cast<const Atom*>(data);
    dock = std::find(types, types + count, dockType) != types + count;
  }
  if (data) XFree(data);
  return dock;
}

std::vector<Window> Children(Display* display, Window parent) {
  Window root = None, parentOfParent = None, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, parent, &root, &parentOfParent, &children, &count)) return {};
  std::vector<Window> result(children, children + count);
  if (children) XFree(children);
  return result;
}

}  // namespace

std::vector<XWindowId> DockWindows(Display* display) {
  // Without the atoms no window can carry the type.
  const Atom typeProperty = XInternAtom(display, "_NET_WM_WINDOW_TYPE", True);
  const Atom dockType = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", True);
  if (typeProperty == None || dockType == None) return {};
  X11ErrorTrap trap(display);
  std::vector<Window> docks;
  for (int screen = 0; screen < ScreenCount(display); ++screen) {
    for (Window top : Children(display, RootWindow(display, screen))) {
      if (IsDock(display, top, typeProperty, dockType)) docks.push_back(top);
      for (Window inner : Children(display, top))
        if (IsDock(display, inner, typeProperty, dockType)) docks.push_back(inner);
    }
  }
  return docks;
}

bool SetDockWindowsShown(Display* display, bool shown) {
  const std::vector<XWindowId> docks = DockWindows(display);
  X11ErrorTrap trap(display);
  for (Window dock : docks) {
    if (shown)
      XMapWindow(display, dock);
    else
      XUnmapWindow(display, dock);
  }
  return !trap.Failed();
}

}  // namespace orbeta
