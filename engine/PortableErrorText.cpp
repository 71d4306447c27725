// Error texts where the system gives none (the platform-free builds and their tests).
#include "engine/RunJournal.h"

std::string FileErrorText(std::uint32_t code)
{
    switch (code) {
    case FileError::kFileNotFound: return "The system cannot find the file specified.";
    case FileError::kPathNotFound: return "The system cannot find the path specified.";
    case FileError::kAccessDenied: return "Access denied.";
    case FileError::kSharingViolation: return "Sharing violation.";
    case FileError::kDiskFull: return "There is not enough space on the disk.";
    case FileError::kFileExists: return "The file exists.";
    case FileError::kAlreadyExists: return "Cannot create a file when that file already exists.";
    case FileError::kCopyDiffers: return FileError::kCopyDiffersText;
    default: return "error " + std::to_string(code);
    }
}
