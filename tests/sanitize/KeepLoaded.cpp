// Preloaded into sanitizer test runs only. LeakSanitizer names a leak's frames by library at exit;
// a library unloaded by then (libVLC unloads its plugins) shows as "<unknown module>", which no
// suppression can match. Keeping every library mapped keeps their names.
extern "C" int dlclose(void *)
{
    return 0;
}
