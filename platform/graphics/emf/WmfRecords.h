#pragma once
// The size a WMF record needs for the parameters of its function.

#include <cstddef>

// Whether the record of Size bytes at Record (its size already checked against the file) holds every
// parameter its function has: the fixed ones, and the strings, points and bitmap header its counts and
// options announce. libUEMF's readers take those on trust, so a record is checked here before they read.
// Advances of EXTTEXTOUT are optional and not required.
bool WmfRecordComplete(const char* Record, std::size_t Size);
