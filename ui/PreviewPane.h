// The main window's photo preview: an owner-drawn pane beside the list that shows the selected
// row's picture, scaled to fit. A JPEG's embedded EXIF thumbnail serves when it has one; other
// files are decoded through the Windows Imaging Component (JPEG, PNG, TIFF, and HEIC where the
// system has a codec). Pictures are read on a worker thread of the pane's own, one at a time, the
// newest request first, so that a huge file never holds up the window; the result comes back to
// the owner as kPreviewReadyMessage, which the owner hands to TakeResult.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <thread>

inline constexpr UINT kPreviewReadyMessage = WM_APP + 301;

// What the pane says while no row is selected.
inline constexpr const char* kNothingSelectedText = "Select a photo in the list to see it here";

// Where the picture shown came from.
enum class PreviewSource { None, Thumbnail, Decoded };

class PreviewPane {
public:
    PreviewPane();
    ~PreviewPane();
    PreviewPane(const PreviewPane&) = delete;
    PreviewPane& operator=(const PreviewPane&) = delete;

    // Creates the pane, hidden, as a child of the owner with the control ID; false on failure.
    bool Create(HWND owner, int id);
    HWND Handle() const { return pane_; }

    // Starts showing the file (an empty path shows nothing); a request for the file shown or being
    // read is ignored.
    void ShowFile(const std::string& path);
    // Takes a result the worker posted (the message's lParam); stale ones are dropped.
    void TakeResult(LPARAM result);
    // Paints the pane for WM_DRAWITEM.
    void Draw(const DRAWITEMSTRUCT& item) const;

    const std::string& Path() const { return path_; }
    // True while the file asked for last is being read.
    bool Pending() const { return pending_; }
    PreviewSource Source() const { return source_; }
    // The picture's own size in pixels (the thumbnail's or the file's), zero without one.
    SIZE ImageSize() const { return imageSize_; }

private:
    struct Work;
    void Clear();

    HWND pane_ = nullptr;
    std::shared_ptr<Work> work_;
    std::thread worker_;
    std::string path_;
    unsigned generation_ = 0;
    bool pending_ = false;
    PreviewSource source_ = PreviewSource::None;
    SIZE imageSize_ {};
    HBITMAP bitmap_ = nullptr;
    SIZE bitmapSize_ {};
};
