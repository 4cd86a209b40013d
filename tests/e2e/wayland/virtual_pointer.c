/* virtual_pointer.c — moves a Wayland compositor's pointer the way a mouse
 * would, for the end-to-end cases: one virtual pointer device (the wlroots
 * virtual-pointer protocol) that stays plugged in while it sends its moves,
 * so that clients see an ordinary pointer arrive, move and leave.
 *
 *   virtual_pointer COUNT INTERVAL_MS DX DY
 *
 * Waits half a second after plugging the device in (clients bind their
 * pointer then), sends COUNT relative moves of (DX, DY) INTERVAL_MS apart,
 * waits half a second and unplugs it. The protocol's two interfaces are
 * written out here: Debian ships no header for them. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

static const struct wl_interface virtual_pointer_interface;
static const struct wl_interface* manager_types[] = {&wl_seat_interface, &virtual_pointer_interface};
static const struct wl_message manager_requests[] = {
    {"create_virtual_pointer", "?on", manager_types},
    {"destroy", "", NULL},
};
static const struct wl_interface manager_interface = {
    "zwlr_virtual_pointer_manager_v1", 1, 2, manager_requests, 0, NULL};
static const struct wl_interface* no_types[] = {NULL, NULL, NULL, NULL, NULL};
static const struct wl_message pointer_requests[] = {
    {"motion", "uff", no_types},       {"motion_absolute", "uuuuu", no_types},
    {"button", "uuu", no_types},       {"axis", "uuf", no_types},
    {"frame", "", no_types},           {"axis_source", "u", no_types},
    {"axis_stop", "uu", no_types},     {"axis_discrete", "uufi", no_types},
    {"destroy", "", no_types},
};
static const struct wl_interface virtual_pointer_interface = {
    "zwlr_virtual_pointer_v1", 1, 9, pointer_requests, 0, NULL};
enum { MOTION = 0, FRAME = 4, DESTROY = 8 };

static struct wl_proxy* manager;
static struct wl_seat* seat;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(interface, manager_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &manager_interface, 1);
    else if (strcmp(interface, "wl_seat") == 0 && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
}
static void global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}
static const struct wl_registry_listener registry_listener = {global, global_remove};

static void pause_ms(long ms) {
    struct timespec span = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&span, NULL);
}

static uint32_t now_ms(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: virtual_pointer COUNT INTERVAL_MS DX DY\n");
        return 2;
    }
    int count = atoi(argv[1]);
    long interval = atol(argv[2]);
    double dx = atof(argv[3]), dy = atof(argv[4]);
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "virtual_pointer: cannot connect to the Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!manager || !seat) {
        fprintf(stderr, "virtual_pointer: the compositor offers no virtual pointers\n");
        return 1;
    }
    struct wl_proxy* pointer = wl_proxy_marshal_constructor(manager, 0, &virtual_pointer_interface, seat, NULL);
    wl_display_roundtrip(display);
    pause_ms(500);
    for (int i = 0; i < count; ++i) {
        wl_proxy_marshal(pointer, MOTION, now_ms(), wl_fixed_from_double(dx), wl_fixed_from_double(dy));
        wl_proxy_marshal(pointer, FRAME);
        wl_display_flush(display);
        pause_ms(interval);
    }
    wl_display_roundtrip(display);
    pause_ms(500);
    wl_proxy_marshal(pointer, DESTROY);
    wl_proxy_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
