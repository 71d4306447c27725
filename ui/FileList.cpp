#include "ui/FileList.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "engine/ArchiveRun.h"
#include "engine/ExtFilter.h"
#include "engine/FolderScan.h"
#include "engine/PathUtils.h"

FileList::Batch::Batch(FileList& list) : list_(list)
{
    if (list_.batchDepth_++ == 0 && list_.list_)
        list_.list_->BeginUpdate();
}

FileList::Batch::~Batch()
{
    if (--list_.batchDepth_ != 0 || !list_.list_)
        return;
    list_.list_->EndUpdate();
    const int rows = list_.list_->RowCount();
    if (rows > 0)
        list_.list_->ShowRow(rows - 1);
    list_.UpdateTotal();
}

FileList::FileList() : addedPaths_(10000)
{ }

void FileList::Attach(VirtualListCtrl* list, HWND statusBar, int totalPart)
{
    list_ = list;
    statusBar_ = statusBar;
    totalPart_ = totalPart;
}

bool FileList::AddPath(std::string path)
{
    if (!addedPaths_.insert(PathKey(path)).second)
        return false;
    const int row = list_->AddRow(std::move(path));
    if (batchDepth_ == 0) {
        list_->ShowRow(row);
        UpdateTotal();
    }
    return true;
}

void FileList::ScanCounting(const std::string& folder, bool subfolders, std::uint32_t enableExtFilter,
                            const std::vector<std::string>& allowedExts, size_t& leftOut)
{
    ScanFolder(folder, subfolders, 0, {}, [&](std::string path) {
        if (IsZipArchiveName(path))
            AddChosen(path, enableExtFilter, allowedExts);
        else if (PassesExtFilter(enableExtFilter, allowedExts, path))
            AddPath(std::move(path));
        else
            ++leftOut;
    });
}

void FileList::AddChosen(const std::string& path, std::uint32_t enableExtFilter,
                         const std::vector<std::string>& allowedExts)
{
    if (!IsZipArchiveName(path)) {
        AddPath(path);
        return;
    }
    AddListedPath(SystemFileOps(), path, enableExtFilter, allowedExts,
                  [this](const std::string& member) { AddPath(member); });
}

size_t FileList::AddFolderContents(const std::string& folder, bool subfolders, std::uint32_t enableExtFilter,
                                   const std::vector<std::string>& allowedExts)
{
    Batch batch(*this);
    size_t leftOut = 0;
    ScanCounting(folder, subfolders, enableExtFilter, allowedExts, leftOut);
    return leftOut;
}

namespace {

// The dropped names in the program's code page, in one pass over the drop block: DragQueryFile
// walks the block from its start for every name, which takes minutes for a hundred thousand.
// A name the block does not end is left out.
template <typename Char> void ReadNames(const BYTE* names, size_t bytes, std::vector<std::string>& paths)
{
    std::basic_string<Char> all(bytes / sizeof(Char), Char {});
    std::memcpy(all.data(), names, all.size() * sizeof(Char));
    size_t at = 0;
    while (at < all.size() && all[at] != 0) {
        const size_t end = all.find(Char {}, at);
        if (end == std::basic_string<Char>::npos)
            break;
        if constexpr (sizeof(Char) == 1)
            paths.push_back(all.substr(at, end - at));
        else
            paths.push_back(AnsiOf(all.substr(at, end - at)));
        at = end + 1;
    }
}

std::vector<std::string> DroppedPaths(HDROP drop)
{
    std::vector<std::string> paths;
    const SIZE_T size = GlobalSize(drop);
    const auto* block = static_cast<const BYTE*>(GlobalLock(drop));
    if (!block)
        return paths;
    DROPFILES header {};
    if (size >= sizeof header) {
        std::memcpy(&header, block, sizeof header);
        if (header.pFiles >= sizeof header && header.pFiles < size) {
            if (header.fWide)
                ReadNames<wchar_t>(block + header.pFiles, size - header.pFiles, paths);
            else
                ReadNames<char>(block + header.pFiles, size - header.pFiles, paths);
        }
    }
    GlobalUnlock(drop);
    return paths;
}

}  // namespace

size_t FileList::AddDrop(HDROP drop, bool subfolders, std::uint32_t enableExtFilter,
                         const std::vector<std::string>& allowedExts)
{
    const size_t leftOut = AddPaths(DroppedPaths(drop), subfolders, enableExtFilter, allowedExts, nullptr);
    DragFinish(drop);
    return leftOut;
}

size_t FileList::AddPaths(const std::vector<std::string>& paths, bool subfolders,
                          std::uint32_t enableExtFilter, const std::vector<std::string>& allowedExts,
                          std::vector<std::string>* missing)
{
    Batch batch(*this);
    size_t leftOut = 0;
    for (const std::string& path : paths) {
        if (path.empty() || SystemLength(path) > kMaxListedPathLength)
            continue;
        if (FolderExists(path)) {
            ScanCounting(path, subfolders, enableExtFilter, allowedExts, leftOut);
        } else if (missing && !FileExists(path)) {
            missing->push_back(path);
        } else if (IsZipArchiveName(path)) {
            AddChosen(path, enableExtFilter, allowedExts);
        } else if (PassesExtFilter(enableExtFilter, allowedExts, path)) {
            AddPath(path);
        } else {
            ++leftOut;
        }
    }
    return leftOut;
}

void FileList::RemoveSelected()
{
    if (list_->GetSelectedCount() == 0)
        return;
    for (const std::string& path : list_->RemoveSelectedRows())
        addedPaths_.erase(PathKey(path));
    UpdateTotal();
}

void FileList::RemoveAll()
{
    list_->RemoveAll();
    addedPaths_.clear();
    UpdateTotal();
}

void FileList::UpdateTotal() const
{
    char text[32];
    std::snprintf(text, sizeof text, "Total: %u", static_cast<unsigned>(addedPaths_.size()));
    SendMessageA(statusBar_, SB_SETTEXTA, static_cast<WPARAM>(totalPart_), reinterpret_cast<LPARAM>(text));
}
