#include "ui/PreviewPane.h"

#include <objbase.h>
#include <wincodec.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "base/WidePath.h"
#include "metadata/ImageInfo.h"
#include "metadata/JpegSectionReader.h"

namespace {

// The largest picture the worker keeps: a pane wider than this shows it scaled up when drawn.
constexpr UINT kLargestSide = 1024;

// What the worker hands back through the owner's message queue.
struct PreviewResult {
    unsigned generation = 0;
    PreviewSource source = PreviewSource::None;
    SIZE imageSize {};
    HBITMAP bitmap = nullptr;
    SIZE bitmapSize {};
};

// A COM object released at the end of its scope.
template <typename T> class ComRef {
public:
    ComRef() = default;
    ~ComRef()
    {
        if (object_)
            object_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* operator->() const { return object_; }
    T* get() const { return object_; }
    T** out() { return &object_; }
    void** out_void() { return reinterpret_cast<void**>(&object_); }

private:
    T* object_ = nullptr;
};

// The frame scaled to fit kLargestSide (never enlarged) as a 32-bit top-down DIB section.
bool FrameToBitmap(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, PreviewResult& result)
{
    UINT width = 0, height = 0;
    if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0)
        return false;
    UINT fitWidth = width, fitHeight = height;
    if (width > kLargestSide || height > kLargestSide) {
        if (width >= height) {
            fitWidth = kLargestSide;
            fitHeight = static_cast<UINT>(
                    MulDiv(static_cast<int>(height), kLargestSide, static_cast<int>(width)));
        } else {
            fitHeight = kLargestSide;
            fitWidth = static_cast<UINT>(
                    MulDiv(static_cast<int>(width), kLargestSide, static_cast<int>(height)));
        }
        fitWidth = fitWidth ? fitWidth : 1;
        fitHeight = fitHeight ? fitHeight : 1;
    }
    ComRef<IWICBitmapScaler> scaler;
    ComRef<IWICFormatConverter> converter;
    if (FAILED(factory->CreateBitmapScaler(scaler.out())) ||
        FAILED(scaler->Initialize(frame, fitWidth, fitHeight, WICBitmapInterpolationModeFant)) ||
        FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(scaler.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom)))
        return false;
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(fitWidth);
    info.bmiHeader.biHeight = -static_cast<LONG>(fitHeight);  // top-down, as WIC gives the rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap)
            DeleteObject(bitmap);
        return false;
    }
    const UINT stride = fitWidth * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * fitHeight, static_cast<BYTE*>(bits)))) {
        DeleteObject(bitmap);
        return false;
    }
    result.imageSize = {static_cast<LONG>(width), static_cast<LONG>(height)};
    result.bitmap = bitmap;
    result.bitmapSize = {static_cast<LONG>(fitWidth), static_cast<LONG>(fitHeight)};
    return true;
}

bool DecodeFirstFrame(IWICImagingFactory* factory, IWICBitmapDecoder* decoder, PreviewResult& result)
{
    ComRef<IWICBitmapFrameDecode> frame;
    return SUCCEEDED(decoder->GetFrame(0, frame.out())) && FrameToBitmap(factory, frame.get(), result);
}

// The JPEG the file's EXIF block holds as its thumbnail; empty when it has none.
std::vector<unsigned char> ExifThumbnail(const std::string& path)
{
    std::vector<unsigned char> thumbnail;
    std::FILE* file = _wfopen(WidePath(path).c_str(), L"rb");
    if (!file)
        return thumbnail;
    ImageInfo info {};
    {
        // Header sections only: the reader stops at the image data, however large the file.
        JpegSectionReader reader(&info);
        reader.ReadSections(file);
        const std::string_view bytes = reader.ExifThumbnail();
        thumbnail.assign(bytes.begin(), bytes.end());
    }
    std::fclose(file);
    return thumbnail;
}

bool DecodeThumbnail(IWICImagingFactory* factory, std::vector<unsigned char>& bytes, PreviewResult& result)
{
    ComRef<IWICStream> stream;
    ComRef<IWICBitmapDecoder> decoder;
    return SUCCEEDED(factory->CreateStream(stream.out())) &&
           SUCCEEDED(stream->InitializeFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()))) &&
           SUCCEEDED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                      decoder.out())) &&
           DecodeFirstFrame(factory, decoder.get(), result);
}

bool DecodeFile(IWICImagingFactory* factory, const std::string& path, PreviewResult& result)
{
    ComRef<IWICBitmapDecoder> decoder;
    return SUCCEEDED(factory->CreateDecoderFromFilename(WidePath(path).c_str(), nullptr, GENERIC_READ,
                                                        WICDecodeMetadataCacheOnDemand, decoder.out())) &&
           DecodeFirstFrame(factory, decoder.get(), result);
}

void Read(IWICImagingFactory* factory, const std::string& path, PreviewResult& result)
{
    std::vector<unsigned char> thumbnail = ExifThumbnail(path);
    if (!thumbnail.empty() && DecodeThumbnail(factory, thumbnail, result))
        result.source = PreviewSource::Thumbnail;
    else if (DecodeFile(factory, path, result))
        result.source = PreviewSource::Decoded;
}

}  // namespace

// What the window and the worker share: the newest request, and whether the pane is gone.
struct PreviewPane::Work {
    std::mutex lock;
    std::condition_variable wake;
    std::optional<std::pair<unsigned, std::string>> request;
    bool stop = false;
    HWND owner = nullptr;

    void Run()
    {
        const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        Serve(SUCCEEDED(com));
        if (SUCCEEDED(com))
            CoUninitialize();
    }

    // Reads what is asked until the pane is gone; the factory is released before COM ends.
    void Serve(bool withCom)
    {
        ComRef<IWICImagingFactory> factory;
        if (withCom)
            CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                             factory.out_void());
        for (;;) {
            std::pair<unsigned, std::string> next;
            {
                std::unique_lock<std::mutex> held(lock);
                wake.wait(held, [this] { return stop || request.has_value(); });
                if (stop)
                    break;
                next = std::move(*request);
                request.reset();
            }
            auto result = std::make_unique<PreviewResult>();
            result->generation = next.first;
            if (factory.get() && !next.second.empty())
                Read(factory.get(), next.second, *result);
            const std::lock_guard<std::mutex> held(lock);
            if (!stop && PostMessageA(owner, kPreviewReadyMessage, 0, reinterpret_cast<LPARAM>(result.get())))
                result.release();  // the owner's queue has it now
            else if (result->bitmap)
                DeleteObject(result->bitmap);
        }
    }
};

PreviewPane::PreviewPane() = default;

PreviewPane::~PreviewPane()
{
    if (work_) {
        {
            const std::lock_guard<std::mutex> held(work_->lock);
            work_->stop = true;
        }
        work_->wake.notify_one();
        // A huge file may still be decoding: the worker ends on its own and frees what it made.
        if (worker_.joinable())
            worker_.detach();
    }
    Clear();
}

bool PreviewPane::Create(HWND owner, int id)
{
    pane_ = CreateWindowExA(WS_EX_CLIENTEDGE, "STATIC", "", WS_CHILD | SS_OWNERDRAW, 0, 0, 0, 0, owner,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                            nullptr);
    if (!pane_)
        return false;
    SendMessageA(pane_, WM_SETFONT, static_cast<WPARAM>(SendMessageA(owner, WM_GETFONT, 0, 0)), FALSE);
    work_ = std::make_shared<Work>();
    work_->owner = owner;
    try {
        worker_ = std::thread([work = work_] { work->Run(); });
    } catch (const std::system_error&) {
        DestroyWindow(pane_);
        pane_ = nullptr;
        work_.reset();
        return false;
    }
    return true;
}

void PreviewPane::ShowFile(const std::string& path)
{
    if (!work_ || path == path_)
        return;
    path_ = path;
    Clear();
    pending_ = !path.empty();
    ++generation_;
    if (pending_) {
        {
            const std::lock_guard<std::mutex> held(work_->lock);
            work_->request.emplace(generation_, path);
        }
        work_->wake.notify_one();
    }
    InvalidateRect(pane_, nullptr, TRUE);
}

void PreviewPane::TakeResult(LPARAM posted)
{
    std::unique_ptr<PreviewResult> result(reinterpret_cast<PreviewResult*>(posted));
    if (!result)
        return;
    if (result->generation != generation_) {
        if (result->bitmap)
            DeleteObject(result->bitmap);
        return;
    }
    Clear();
    pending_ = false;
    source_ = result->source;
    imageSize_ = result->imageSize;
    bitmap_ = result->bitmap;
    bitmapSize_ = result->bitmapSize;
    InvalidateRect(pane_, nullptr, TRUE);
}

void PreviewPane::Clear()
{
    if (bitmap_)
        DeleteObject(bitmap_);
    bitmap_ = nullptr;
    bitmapSize_ = {};
    imageSize_ = {};
    source_ = PreviewSource::None;
}

void PreviewPane::Draw(const DRAWITEMSTRUCT& item) const
{
    const RECT area = item.rcItem;
    FillRect(item.hDC, &area, GetSysColorBrush(COLOR_WINDOW));
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (bitmap_ && width > 0 && height > 0) {
        // Scaled to fit, keeping its proportions, centred.
        int shownWidth = bitmapSize_.cx, shownHeight = bitmapSize_.cy;
        if (shownWidth > width || shownHeight > height || (shownWidth < width && shownHeight < height)) {
            shownWidth = width;
            shownHeight = MulDiv(bitmapSize_.cy, width, bitmapSize_.cx);
            if (shownHeight > height) {
                shownHeight = height;
                shownWidth = MulDiv(bitmapSize_.cx, height, bitmapSize_.cy);
            }
        }
        HDC memory = CreateCompatibleDC(item.hDC);
        if (memory) {
            HGDIOBJ old = SelectObject(memory, bitmap_);
            SetStretchBltMode(item.hDC, HALFTONE);
            SetBrushOrgEx(item.hDC, 0, 0, nullptr);
            StretchBlt(item.hDC, area.left + (width - shownWidth) / 2, area.top + (height - shownHeight) / 2,
                       shownWidth, shownHeight, memory, 0, 0, bitmapSize_.cx, bitmapSize_.cy, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
        }
        return;
    }
    if (pending_)
        return;
    // Nothing selected: the pane says how to fill it rather than stand empty.
    const char* const words = path_.empty() ? kNothingSelectedText : "No preview";
    RECT text = area;
    InflateRect(&text, -GetSystemMetrics(SM_CXEDGE) * 2, 0);
    RECT measured = text;
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_GRAYTEXT));
    HGDIOBJ old =
            SelectObject(item.hDC, reinterpret_cast<HGDIOBJ>(SendMessageA(item.hwndItem, WM_GETFONT, 0, 0)));
    // Wrapped to the pane's width and centred both ways.
    const UINT format = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
    DrawTextA(item.hDC, words, -1, &measured, format | DT_CALCRECT);
    const int textHeight = measured.bottom - measured.top;
    text.top = area.top + (height - textHeight) / 2;
    text.bottom = text.top + textHeight;
    DrawTextA(item.hDC, words, -1, &text, format);
    SelectObject(item.hDC, old);
}
