// Reports about third-party code that the sanitizers cannot see into.
//
// Leaks: font configuration and the X connection keep caches for the life of the process
// that the leak checker reports at exit; they are not this project's allocations.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6Gui\nleak:libQt6Core\nleak:libxcb\nleak:libX11\nleak:"
           "libdbus\n";
}

// Races: Qt (not built with ThreadSanitizer) paints large areas and converts images on its
// own thread pool and reads X events on a thread of its own, synchronising in ways the
// sanitizer cannot observe. The simulated backend's HTTP server library hands requests to
// its worker threads the same way.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\ncalled_from_lib:libQt6Gui.so.6\ncalled_from_lib:"
           "libQt6XcbQpa.so.6\ncalled_from_lib:libcpp-httplib.so\n"
           "race:libQt6Core.so.6\nrace:libQt6Gui.so.6\nrace:libQt6XcbQpa.so.6\nrace:libxcb.so.1\n"
           "race:libcpp-httplib.so\n";
}
