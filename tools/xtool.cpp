// quillon-xtool: small X11 helper for scripts and end-to-end tests.
//   find TITLE [SECONDS]   wait for a window whose name is TITLE, print its id
//   geometry ID            print "WIDTH HEIGHT"
//   shot ID FILE.png       save the window's pixels as a PNG
//   close ID               ask the window to close (WM_DELETE_WINDOW)
//   pixel ID X Y           print "R G B" of one window pixel
//   bright ID X Y W H [T]  print how many pixels of the rectangle have a channel >= T (128)
//   mean ID X Y W H        print the rectangle's mean "R G B" (integers)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

// True when the window's WM_NAME or, for clients that set only that (weston's
// output window), _NET_WM_NAME is `title`.
static bool IsNamed(Display* d, Window w, const char* title) {
    XTextProperty text = {};
    bool named = XGetWMName(d, w, &text) && text.value;
    if (!named)
        named = XGetTextProperty(d, w, &text, XInternAtom(d, "_NET_WM_NAME", False)) && text.value;
    bool hit = named && std::strcmp(reinterpret_cast<char*>(text.value), title) == 0;
    if (text.value)
        XFree(text.value);
    return hit;
}

static Window FindByName(Display* d, Window w, const char* title) {
    // Only a mapped window counts: a toolkit may name a window it replaces.
    XWindowAttributes a;
    if (IsNamed(d, w, title) && XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable)
        return w;
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &n))
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < n && !found; i++)
        found = FindByName(d, children[i], title);
    if (children)
        XFree(children);
    return found;
}

static int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

static bool GrabRgb(
    Display* d, Window w, std::vector<unsigned char>& rgb, int& width, int& height) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a))
        return false;
    width = a.width;
    height = a.height;
    XImage* img = XGetImage(d, w, 0, 0, width, height, AllPlanes, ZPixmap);
    if (!img)
        return false;
    rgb.resize(size_t(width) * height * 3);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            unsigned long p = XGetPixel(img, x, y);
            unsigned char* o = &rgb[(size_t(y) * width + x) * 3];
            o[0] = (p & img->red_mask) >> __builtin_ctzl(img->red_mask);
            o[1] = (p & img->green_mask) >> __builtin_ctzl(img->green_mask);
            o[2] = (p & img->blue_mask) >> __builtin_ctzl(img->blue_mask);
        }
    XDestroyImage(img);
    return true;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: quillon-xtool find TITLE [SECONDS] | geometry ID | shot ID FILE | "
                     "close ID | pixel ID X Y | bright ID X Y W H [T] | mean ID X Y W H\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "quillon-xtool: cannot open display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreErrors);
    const char* cmd = argv[1];
    if (!std::strcmp(cmd, "find")) {
        double limit = argc > 3 ? std::atof(argv[3]) : 10.0;
        struct timespec start, now, nap = {0, 20 * 1000 * 1000};
        clock_gettime(CLOCK_MONOTONIC, &start);
        for (;;) {
            Window w = FindByName(d, DefaultRootWindow(d), argv[2]);
            if (w) {
                std::printf("%lu\n", (unsigned long)w);
                return 0;
            }
            clock_gettime(CLOCK_MONOTONIC, &now);
            if (now.tv_sec - start.tv_sec + (now.tv_nsec - start.tv_nsec) / 1e9 > limit)
                break;
            nanosleep(&nap, nullptr);
        }
        std::fprintf(stderr, "quillon-xtool: no window named \"%s\"\n", argv[2]);
        return 1;
    }
    Window w = (Window)std::strtoul(argv[2], nullptr, 0);
    if (!std::strcmp(cmd, "geometry")) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, w, &a))
            return 1;
        std::printf("%d %d\n", a.width, a.height);
        return 0;
    }
    if (!std::strcmp(cmd, "close")) {
        XEvent e;
        std::memset(&e, 0, sizeof e);
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(d, w, False, NoEventMask, &e);
        XSync(d, False);
        return 0;
    }
    if (!std::strcmp(cmd, "shot") && argc > 3) {
        std::vector<unsigned char> rgb;
        int width, height;
        if (!GrabRgb(d, w, rgb, width, height))
            return 1;
        return stbi_write_png(argv[3], width, height, 3, rgb.data(), width * 3) ? 0 : 1;
    }
    if (!std::strcmp(cmd, "pixel") && argc > 4) {
        std::vector<unsigned char> rgb;
        int width, height;
        if (!GrabRgb(d, w, rgb, width, height))
            return 1;
        int x = std::atoi(argv[3]), y = std::atoi(argv[4]);
        if (x < 0 || y < 0 || x >= width || y >= height)
            return 1;
        const unsigned char* p = &rgb[(size_t(y) * width + x) * 3];
        std::printf("%d %d %d\n", p[0], p[1], p[2]);
        return 0;
    }
    if ((!std::strcmp(cmd, "bright") || !std::strcmp(cmd, "mean")) && argc > 6) {
        std::vector<unsigned char> rgb;
        int width, height;
        if (!GrabRgb(d, w, rgb, width, height))
            return 1;
        int x0 = std::atoi(argv[3]), y0 = std::atoi(argv[4]);
        int rw = std::atoi(argv[5]), rh = std::atoi(argv[6]);
        int threshold = argc > 7 ? std::atoi(argv[7]) : 128;
        long count = 0, sum[3] = {0, 0, 0}, n = 0;
        for (int y = y0; y < y0 + rh; y++)
            for (int x = x0; x < x0 + rw; x++) {
                if (x < 0 || y < 0 || x >= width || y >= height)
                    continue;
                const unsigned char* p = &rgb[(size_t(y) * width + x) * 3];
                if (p[0] >= threshold || p[1] >= threshold || p[2] >= threshold)
                    count++;
                for (int c = 0; c < 3; c++)
                    sum[c] += p[c];
                n++;
            }
        if (!std::strcmp(cmd, "bright"))
            std::printf("%ld\n", count);
        else
            std::printf(
                "%ld %ld %ld\n", n ? sum[0] / n : 0, n ? sum[1] / n : 0, n ? sum[2] / n : 0);
        return 0;
    }
    std::fprintf(stderr, "quillon-xtool: unknown command %s\n", cmd);
    return 2;
}
