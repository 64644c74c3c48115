#pragma once

// Marks an entry that one of the program's libraries exports; everything else stays hidden.
#if defined(_WIN32)
#define PELDERWICK_EXPORT __declspec(dllexport)
#else
#define PELDERWICK_EXPORT __attribute__((visibility("default")))
#endif
