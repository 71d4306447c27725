#include "ui/FileList.h"

#include <shellapi.h>

#include <cstdio>

#include "engine/ExtFilter.h"
#include "engine/FolderScan.h"
#include "engine/PathUtils.h"

class FileList::Batch {
public:
    explicit Batch(FileList& list) : list_(list)
    {
        if (list_.batchDepth_++ == 0 && list_.list_)
            SendMessageA(*list_.list_, WM_SETREDRAW, FALSE, 0);
    }
    ~Batch()
    {
        if (--list_.batchDepth_ != 0 || !list_.list_)
            return;
        SendMessageA(*list_.list_, WM_SETREDRAW, TRUE, 0);
        const int rows = list_.list_->GetItemCount();
        if (rows > 0)
            list_.list_->EnsureVisible(rows - 1);
        InvalidateRect(*list_.list_, nullptr, TRUE);
        list_.UpdateTotal();
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

private:
    FileList& list_;
};

FileList::FileList() : addedPaths_(10000)
{ }

void FileList::Attach(SortListCtrl* list, HWND total)
{
    list_ = list;
    total_ = total;
}

void FileList::AddPath(const std::string& path)
{
    if (!addedPaths_.insert(PathKey(path)).second)
        return;
    const int row = list_->InsertRow(LVIF_TEXT, list_->GetItemCount(), path.c_str());
    if (batchDepth_ == 0) {
        list_->EnsureVisible(row);
        UpdateTotal();
    }
}

void FileList::ScanCounting(const std::string& folder, bool subfolders, std::uint32_t enableExtFilter,
                            const std::vector<std::string>& allowedExts, size_t& leftOut)
{
    ScanFolder(folder, subfolders, 0, {}, [&](const std::string& path) {
        if (PassesExtFilter(enableExtFilter, allowedExts, path))
            AddPath(path);
        else
            ++leftOut;
    });
}

size_t FileList::AddFolderContents(const std::string& folder, bool subfolders, std::uint32_t enableExtFilter,
                                   const std::vector<std::string>& allowedExts)
{
    Batch batch(*this);
    size_t leftOut = 0;
    ScanCounting(folder, subfolders, enableExtFilter, allowedExts, leftOut);
    return leftOut;
}

size_t FileList::AddDrop(HDROP drop, bool subfolders, std::uint32_t enableExtFilter,
                         const std::vector<std::string>& allowedExts)
{
    Batch batch(*this);
    size_t leftOut = 0;
    // The wide form: a dropped name comes as it is, at any length.
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0)
            continue;
        std::wstring wide(length + 1, L'\0');
        if (DragQueryFileW(drop, i, wide.data(), length + 1) != length)
            continue;
        wide.resize(length);
        const std::string path = AnsiOf(wide);
        if (path.empty() || SystemLength(path) > kMaxListedPathLength)
            continue;
        if (FolderExists(path)) {
            ScanCounting(path, subfolders, enableExtFilter, allowedExts, leftOut);
        } else if (PassesExtFilter(enableExtFilter, allowedExts, path)) {
            AddPath(path);
        } else {
            ++leftOut;
        }
    }
    DragFinish(drop);
    return leftOut;
}

void FileList::RemoveSelected()
{
    if (list_->GetSelectedCount() == 0)
        return;
    for (int row; (row = list_->SelectedItem()) >= 0;) {
        const std::string path = list_->GetItemText(row, 0);
        if (!list_->DeleteRow(row))
            break;
        addedPaths_.erase(PathKey(path));
    }
    UpdateTotal();
}

void FileList::RemoveAll()
{
    list_->DeleteAllRows();
    addedPaths_.clear();
    UpdateTotal();
}

void FileList::UpdateTotal() const
{
    char text[32];
    std::snprintf(text, sizeof text, "Total: %u", static_cast<unsigned>(addedPaths_.size()));
    SetWindowTextA(total_, text);
}
