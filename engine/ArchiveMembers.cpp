#include "engine/ArchiveMembers.h"

#include "engine/ExtFilter.h"
#include "engine/RunJournal.h"
#include "engine/SafePath.h"

namespace {

// ASCII letters compare without case, as Windows compares names; other characters must match.
bool SameNameNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
        if (upper(a[i]) != upper(b[i]))
            return false;
    }
    return true;
}

bool OpenDirectory(FileOps& ops, const std::string& archive, FileZipInput& input,
                   std::vector<ZipEntry>& entries, std::string& reason)
{
    if (!input.Open(ops, archive)) {
        reason = "The archive \"" + archive + "\" could not be opened (" + FileErrorText(ops.LastError()) +
                 ")";
        return false;
    }
    return ReadZipDirectory(input, entries, reason);
}

// A name that is no safe path, shown with its separators as the list's and nothing that would
// make the row's text misleading.
std::string ShownName(const std::string& name)
{
    std::string shown = ShowableName(name);
    for (char& c : shown)
        if (c == '/')
            c = '\\';
    return shown;
}

}  // namespace

bool ListArchiveMembers(FileOps& ops, const std::string& archive, std::uint32_t enableExtFilter,
                        const std::vector<std::string>& allowedExts, std::vector<ArchiveMember>& members,
                        std::string& reason)
{
    FileZipInput input;
    std::vector<ZipEntry> entries;
    members.clear();
    if (!OpenDirectory(ops, archive, input, entries, reason))
        return false;
    for (const ZipEntry& entry : entries) {
        if (entry.folder || !PassesExtFilter(enableExtFilter, allowedExts, entry.name))
            continue;
        ArchiveMember member;
        std::string relative;
        if (!ZipEntryPath(entry.name, relative, member.failure))
            relative = ShownName(entry.name);
        member.path = ArchiveMemberPath(archive, relative);
        members.push_back(std::move(member));
    }
    return true;
}

bool OpenArchiveMember(FileOps& ops, const std::string& memberPath, FileZipInput& input, ZipEntry& entry,
                       std::string& reason)
{
    std::string archive, wanted;
    if (!SplitArchiveMember(memberPath, archive, wanted)) {
        reason = "Not a file inside a .zip archive";
        return false;
    }
    std::vector<ZipEntry> entries;
    if (!OpenDirectory(ops, archive, input, entries, reason))
        return false;
    for (ZipEntry& candidate : entries) {
        std::string relative, unsafe;
        if (ZipEntryPath(candidate.name, relative, unsafe) && SameNameNoCase(relative, wanted)) {
            entry = std::move(candidate);
            return true;
        }
    }
    reason = "The archive no longer holds this file";
    return false;
}
