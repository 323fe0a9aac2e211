// A stand-in language library with seven of the eight entry points (no
// lfSetTextDirection): a binding must refuse it as a whole.
#ifdef _WIN32
#define PARTIAL_API extern "C" __declspec(dllexport)
#define PARTIAL_CALL __stdcall
#else
#define PARTIAL_API extern "C" __attribute__((visibility("default")))
#define PARTIAL_CALL
#endif

PARTIAL_API int PARTIAL_CALL lfTranslateStrW(int, char16_t* out, int capacity, const char*, int) {
    if (out != nullptr && capacity > 0)
        out[0] = u'\0';
    return 0;
}
PARTIAL_API int PARTIAL_CALL lfTryTranslateStrW(int, char16_t* out, int capacity, const char*,
                                                int) {
    if (out != nullptr && capacity > 0)
        out[0] = u'\0';
    return 0;
}
PARTIAL_API int PARTIAL_CALL lfTranslateDialogW(int, void*) {
    return -1;
}
PARTIAL_API int PARTIAL_CALL lfTranslateMenuW(int, void*) {
    return -1;
}
PARTIAL_API void PARTIAL_CALL lfReset(int) {}
PARTIAL_API int PARTIAL_CALL lfLoadLang(const char16_t*, int* handle) {
    if (handle != nullptr)
        *handle = 1;
    return 1;
}
PARTIAL_API void PARTIAL_CALL lfSetDialogLayout(void*, int) {}
