// The program's outward-facing names and addresses, in one place.
//
// Quillmere has no public web site yet. The addresses use the reserved ".example" domain
// (RFC 2606), which can never belong to anyone, so that no link points at a stranger's site;
// they are to be replaced here, and only here, once the project has a site of its own.
// The maker link's caption is also the text of control 1112 in the About box template.
#pragma once

#include "QuillmereVersion.h"

namespace ProductInfo {

inline constexpr char kName[] = "Quillmere";
inline constexpr char kVersion[] = QM_VERSION_SHORT;
inline constexpr char kBuild[] = QM_BUILD_TEXT;
inline constexpr char kHomePage[] = "https://quillmere.example/";
inline constexpr char kMakerPage[] = "https://quillmere.example/developers/";
inline constexpr char kMakerCaption[] = "Quillmere Developers";
inline constexpr char kSupportMail[] = "support@quillmere.example";
inline constexpr char kHelpFile[] = "quillmere.chm";
inline constexpr char kHelpWindowTitle[] = "Quillmere Help";

}  // namespace ProductInfo
