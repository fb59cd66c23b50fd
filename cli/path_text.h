// The path texts of the run: changing drive and directory, the mask's drive
// prefix, whether a mask names a directory, and the small text operations
// the driver makes its directory and pattern with.
#pragma once

#include <cstddef>

#include "fs/fs_services.h"

// Makes a drive ("X:"), a drive and path, or a path current; 0 on success.
// Null or empty changes nothing. A path the run saved itself is made current
// AS_TYPED, never resolved to a directory of another case.
int change_dir(const char* path, PathLookup lookup = PathLookup::ANY_CASE);

// Drops a leading "X:" from the mask and makes that drive current;
// change_dir's result, or 0 when the mask has no drive prefix.
int take_drive_prefix(char*& mask_text);

// 1 when the text names an existing directory and holds no wildcard in its
// name or extension.
int names_directory(const char* path);

// The text with a '\' appended, as a new text owned by the run, or the same
// text when it is empty, ends in '\' or has no room left.
char* add_backslash(char* path);

// Appends source to destination, keeping it to at most size - 1 characters;
// returns the new length.
std::size_t append_bounded(char* destination, const char* source, std::size_t size);

// The position of the last character; of the terminator when text is empty.
std::size_t last_char(const char* text);

// 1 when the text ends in '\', which is then removed unless the text is a root.
int strip_backslash(char* path);
