// Milliseconds from a key sent to the X server until the last repaint of a
// window: the window's damage (X DAMAGE extension) is watched, the key is
// sent through XTEST, and the time of the last damage before the window has
// been quiet for QUIET_MS is taken (the first repaint is awaited up to 10 s). Prints one figure, or "none" when the key
// repainted nothing.
//
//   key_latency WINDOW_ID KEY [QUIET_MS]     KEY: an X key name, with ctrl+ / shift+
//
// Built by bench/latency.sh.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <sys/select.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Waits up to `ms` for an event; true when one is there.
bool WaitForEvent(Display* dpy, int ms) {
    if (XPending(dpy)) return true;
    const int fd = ConnectionNumber(dpy);
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    return select(fd + 1, &set, nullptr, nullptr, &tv) > 0 && XPending(dpy);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: key_latency WINDOW_ID KEY [QUIET_MS]\n");
        return 2;
    }
    const Window win = std::strtoul(argv[1], nullptr, 0);
    std::string key = argv[2];
    const int quiet = argc > 3 ? std::atoi(argv[3]) : 150;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    int damageEvent = 0, damageError = 0, xtest[4];
    if (!XDamageQueryExtension(dpy, &damageEvent, &damageError) ||
        !XTestQueryExtension(dpy, &xtest[0], &xtest[1], &xtest[2], &xtest[3])) {
        std::fprintf(stderr, "the X server lacks DAMAGE or XTEST\n");
        return 1;
    }
    std::vector<KeyCode> modifiers;
    for (size_t plus; (plus = key.find('+')) != std::string::npos; key.erase(0, plus + 1)) {
        const std::string mod = key.substr(0, plus);
        modifiers.push_back(XKeysymToKeycode(dpy, mod == "ctrl" ? XK_Control_L : XK_Shift_L));
    }
    const KeySym sym = XStringToKeysym(key.c_str());
    if (sym == NoSymbol) {
        std::fprintf(stderr, "unknown key %s\n", key.c_str());
        return 2;
    }
    const KeyCode code = XKeysymToKeycode(dpy, sym);
    const Damage damage = XDamageCreate(dpy, win, XDamageReportRawRectangles);
    XSync(dpy, False);
    // What was pending before the key is not its repaint.
    while (WaitForEvent(dpy, quiet)) {
        XEvent ev;
        XNextEvent(dpy, &ev);
    }
    const Clock::time_point sent = Clock::now();
    for (const KeyCode m : modifiers) XTestFakeKeyEvent(dpy, m, True, 0);
    XTestFakeKeyEvent(dpy, code, True, 0);
    XTestFakeKeyEvent(dpy, code, False, 0);
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) XTestFakeKeyEvent(dpy, *m, False, 0);
    XFlush(dpy);
    Clock::time_point last{};
    // The first repaint may be long in coming; after it, quiet ends the wait.
    for (int wait = 10000; WaitForEvent(dpy, wait); wait = last == Clock::time_point{} ? wait : quiet) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type == damageEvent + XDamageNotify) last = Clock::now();
    }
    XDamageDestroy(dpy, damage);
    XCloseDisplay(dpy);
    if (last == Clock::time_point{}) {
        std::printf("none\n");
        return 0;
    }
    std::printf("%.1f\n", Ms(sent, last));
    return 0;
}
