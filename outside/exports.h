#pragma once

// Marks an entry that one of the program's libraries exports, or that a program takes from one;
// everything else stays hidden.
#if defined(_WIN32)
#define PELDERWICK_EXPORT __declspec(dllexport)
#define PELDERWICK_IMPORT __declspec(dllimport)
#else
#define PELDERWICK_EXPORT __attribute__((visibility("default")))
#define PELDERWICK_IMPORT __attribute__((visibility("default")))
#endif

// A program's entry, pelderwick_main: on Windows it lives in a library of its own that a small
// launcher loads (outside/launcher_windows.cpp), elsewhere in the program itself.
#if defined(_WIN32)
#define PELDERWICK_PROGRAM __declspec(dllexport)
#else
#define PELDERWICK_PROGRAM
#endif
