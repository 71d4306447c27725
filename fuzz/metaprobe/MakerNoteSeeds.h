// Seeds that reach the maker note readers and the camera date blocks: JPEGs (and a converted raw
// file, and a Sigma file) carrying each make's note, written without the prefix of their target.
#pragma once

#include <filesystem>

// Writes into DIR/jpeg, DIR/tiff and DIR/x3f; false when a file could not be written.
bool WriteMakerNoteSeeds(const std::filesystem::path& dir);
