// sanitizer_defaults.h — what the leak check of an AddressSanitizer build
// leaves out. Included once by each program's entry file; empty in other
// builds.
//
// The GL driver (Mesa, with its LLVM compiler), fontconfig, GTK with GLib,
// and D-Bus (opened by the window library for its session services) keep
// memory until the process ends on purpose; the leak check would report it as
// lost. Only those libraries are named, never our own code.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
// A run that leaks nothing of ours prints nothing: not even the table of
// what the suppressions left out.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libGLX_mesa.so\n"
           "leak:libEGL_mesa.so\n"
           "leak:swrast_dri.so\n"
           "leak:libgallium\n"
           "leak:libLLVM\n"
           "leak:libfontconfig.so\n"
           "leak:libgtk-3.so\n"
           "leak:libgdk-3.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libdbus-1.so\n";
}
#endif
