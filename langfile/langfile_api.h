// The exports of the language library (langfile2.dll on Windows,
// liblangfile2.so on Linux). Programs bind them at run time by name; this
// header gives their exact forms.
//
// A language is loaded from a gettext .po file (UTF-8): msgid is the English
// text, msgstr its translation. Keys given to the translation calls are narrow
// text in the ANSI code page (Windows: CP_ACP; Linux: Windows-1252).
//
// Threads: loading and resetting may run on any thread; translation calls may
// run concurrently from any number of threads. Dialog, menu and layout calls
// belong to the thread that owns the window. No export lets an exception or a
// crash escape on bad input: every failure is a result value.
#pragma once

#include <cstdint>

#ifdef _WIN32
#define LF_CALL __stdcall
#ifdef LANGFILE_BUILDING
#define LF_API extern "C" __declspec(dllexport)
#else
#define LF_API extern "C" __declspec(dllimport)
#endif
#else
#define LF_CALL
#define LF_API extern "C" __attribute__((visibility("default")))
#endif

// Translates key (keyLength bytes, or up to its NUL when keyLength < 1) into
// out (capacity characters including the terminating NUL). Writes the
// translation, or the key itself when the language has none, cut to fit and
// always terminated. Returns the characters written; below 1 when nothing was.
LF_API int LF_CALL lfTranslateStrW(int handle, char16_t* out, int capacity, const char* key,
                                   int keyLength);
// As lfTranslateStrW, but writes only a translation: 0 and an empty output when
// the language has no translation for the key.
LF_API int LF_CALL lfTryTranslateStrW(int handle, char16_t* out, int capacity, const char* key,
                                      int keyLength);
// Replaces the texts of a dialog (its caption and its static texts, buttons and
// links) that have a translation. Returns how many were replaced, -1 for an
// unknown handle or window. Linux: returns 0 without doing anything.
LF_API int LF_CALL lfTranslateDialogW(int handle, void* window);
// Replaces the texts of a menu and its submenus that have a translation.
// Returns how many were replaced, -1 for an unknown handle or menu. Linux: 0.
LF_API int LF_CALL lfTranslateMenuW(int handle, void* menu);
// Unloads a language; its handle is invalid afterwards.
LF_API void LF_CALL lfReset(int handle);
// Loads the language file at path (UTF-16, NUL-terminated) and stores its
// handle in *handle. Returns 1 on success, 0 on failure (then *handle is -1).
LF_API int LF_CALL lfLoadLang(const char16_t* path, int* handle);
// Mirrors a dialog for right-to-left reading (rightToLeft 1) or back (0).
// Linux: does nothing.
LF_API void LF_CALL lfSetDialogLayout(void* window, int rightToLeft);
// Sets the text direction lfTranslateDialogW gives translated controls:
// 1 right-to-left reading, 0 left-to-right. The initial direction of a language
// is right-to-left when its file translates "RightToLeft" as "TRUE". Returns 1,
// or 0 for an unknown handle.
LF_API int LF_CALL lfSetTextDirection(int handle, int rightToLeft);
// Not one of the eight bound entry points: the reason the last lfLoadLang of
// this thread failed ("de.po:12: unterminated string"), for tools and tests.
// Returns the characters written.
LF_API int LF_CALL lfLastLoadErrorW(char16_t* out, int capacity);
