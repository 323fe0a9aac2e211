// A small shared library the library tests load: two C entry points.
#ifdef _WIN32
#define QO_TEST_EXPORT __declspec(dllexport)
#else
#define QO_TEST_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

QO_TEST_EXPORT int qo_test_add(int a, int b) {
    return a + b;
}

// Counts its calls since the library was loaded; a fresh load starts again at
// 1, which shows that unloading really released the library.
QO_TEST_EXPORT int qo_test_counter() {
    static int calls = 0;
    return ++calls;
}
}
