// bench_mapwatch <program> [arguments...]
//
// Starts the program and prints the microseconds from just before exec to the moment the X server maps the
// program's first top-level window (a MapNotify on the root window), then ends the program with SIGTERM and
// waits for it. Prints "timeout" and exits with 1 when no window appears within 60 seconds.
#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace
{

using Clock = std::chrono::steady_clock;

bool waitForMap(xcb_connection_t* connection, Clock::time_point deadline)
{
    const int fd = xcb_get_file_descriptor(connection);
    while (Clock::now() < deadline) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const bool mapped = (event->response_type & ~0x80) == XCB_MAP_NOTIFY
                && !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
            std::free(event);
            if (mapped)
                return true;
        }
        if (xcb_connection_has_error(connection))
            return false;
        pollfd wait { fd, POLLIN, 0 };
        poll(&wait, 1, 50);
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_mapwatch <program> [arguments...]\n");
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "bench_mapwatch: no X display\n");
        return 2;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));

    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        std::perror("bench_mapwatch: exec");
        _exit(127);
    }
    if (child < 0) {
        std::perror("bench_mapwatch: fork");
        return 2;
    }
    const bool mapped = waitForMap(connection, start + std::chrono::seconds(60));
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    xcb_disconnect(connection);
    if (!mapped) {
        std::printf("timeout\n");
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(elapsed));
    return 0;
}
