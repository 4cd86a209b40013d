/* swap_counter.c — counts the frames a GL program shows: preloaded, it wraps
 * glXSwapBuffers, eglSwapBuffers and SDL_GL_SwapWindow (whichever the program
 * calls) and writes the count so far and the seconds since the first frame
 * to the file named by $SWAP_COUNTER_FILE, once a second. The bench reads
 * the last line, so a program ended by a signal still reports. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static void Counted(void) {
    static long frames;
    static double first, lastReport;
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    const double now = (double)t.tv_sec + (double)t.tv_nsec / 1e9;
    if (frames++ == 0) first = lastReport = now;
    if (now - lastReport < 1.0) return;
    lastReport = now;
    const char* path = getenv("SWAP_COUNTER_FILE");
    FILE* file = path ? fopen(path, "a") : NULL;
    if (!file) return;
    fprintf(file, "%ld %.3f\n", frames - 1, now - first);
    fclose(file);
}

void glXSwapBuffers(void* display, unsigned long drawable) {
    static void (*real)(void*, unsigned long);
    if (!real) real = (void (*)(void*, unsigned long))dlsym(RTLD_NEXT, "glXSwapBuffers");
    if (real) real(display, drawable);
    Counted();
}

unsigned eglSwapBuffers(void* display, void* surface) {
    static unsigned (*real)(void*, void*);
    if (!real) real = (unsigned (*)(void*, void*))dlsym(RTLD_NEXT, "eglSwapBuffers");
    const unsigned ok = real ? real(display, surface) : 0;
    Counted();
    return ok;
}

void SDL_GL_SwapWindow(void* window) {
    static void (*real)(void*);
    if (!real) real = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    if (real) real(window);
    Counted();
}
