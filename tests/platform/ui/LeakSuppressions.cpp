// Font configuration and the X connection keep caches for the life of the process that
// the leak checker reports at exit; they are not this project's allocations.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6Gui\nleak:libQt6Core\nleak:libxcb\nleak:libX11\nleak:"
           "libdbus\n";
}
