// The least a full-window hack can cost on X11: a client that puts one
// prepared frame per tick into its window through shared memory, in the
// window's own pixel format, and does nothing else. What vidider costs
// beyond this is its own work: composing, widening, pacing.
//
//   vidider_x11_limit WIDTH HEIGHT DELAY_US   (DISPLAY names the server)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: vidider_x11_limit WIDTH HEIGHT DELAY_US\n");
        return 2;
    }
    const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    const long delay = std::atol(argv[3]);
    if (width <= 0 || height <= 0 || delay < 0) {
        std::fprintf(stderr, "vidider_x11_limit: bad size or delay\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr || !XShmQueryExtension(display)) {
        std::fprintf(stderr, "vidider_x11_limit: no display with shared memory\n");
        return 1;
    }
    const int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    const int depth = DefaultDepth(display, screen);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, unsigned(width),
                                        unsigned(height), 0, BlackPixel(display, screen), BlackPixel(display, screen));
    XMapRaised(display, window);
    GC gc = XCreateGC(display, window, 0, nullptr);

    XShmSegmentInfo shm{};
    XImage* image = XShmCreateImage(display, visual, unsigned(depth), ZPixmap, nullptr, &shm, unsigned(width),
                                    unsigned(height));
    shm.shmid = shmget(IPC_PRIVATE, std::size_t(image->bytes_per_line) * std::size_t(height), IPC_CREAT | 0600);
    shm.shmaddr = image->data = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
    shm.readOnly = False;
    XShmAttach(display, &shm);
    XSync(display, False);
    shmctl(shm.shmid, IPC_RMID, nullptr);
    // One frame, prepared once: black and white stripes.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            XPutPixel(image, x, y, ((x ^ y) & 16) != 0 ? WhitePixel(display, screen) : BlackPixel(display, screen));

    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (;;) {
        XShmPutImage(display, window, gc, image, 0, 0, 0, 0, unsigned(width), unsigned(height), False);
        XSync(display, False);
        next.tv_nsec += delay * 1000;
        while (next.tv_nsec >= 1000000000) {
            next.tv_nsec -= 1000000000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
}
