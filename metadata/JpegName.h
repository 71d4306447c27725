#pragma once
// Which files the lookup reads in-process as JPEG: those whose extension, taken from the
// file-name part and lower-cased, is ".jpg" or ".jpeg". Other JPEG extensions (.jpe, .jfif)
// go to the metadata tool like every other file.

#include <string>

bool IsJpegPath(const std::string& path);
