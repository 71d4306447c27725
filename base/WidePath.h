// Names for the system's wide file functions, shared by the programs, the metadata reader and
// metaprobe (Windows only). The program keeps paths in its code page (UTF-8 where the manifest is
// honoured); every call that names a file converts them here and never hands the system an ANSI
// name, so no name goes through a best-fit conversion and a path of any length reaches the file.
#pragma once

#include <string>

// Text in the program's code page as UTF-16 and back. Empty for empty text or text that cannot be
// converted.
std::wstring WideText(const std::string& text);
std::string NarrowText(const std::wstring& text);

// The path as the wide file functions take it at any length, up to 32,767 units: a path that
// is (or, made full, would be) 248 units or longer is made full by the system's own rules
// (relative parts, "." and "..", forward slashes) and given the long form, "\\?\C:\..." or
// "\\?\UNC\server\share\...", which turns that normalisation off. A shorter path stays as given,
// and so does one in the long or device form already.
std::wstring WidePath(const std::string& path);

// The path made full against the current folder (GetFullPathNameW), at any length; empty when the
// system cannot make it full.
std::wstring FullWidePath(const std::wstring& path);
