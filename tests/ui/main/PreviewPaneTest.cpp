// The photo preview beside the list: pictures made with the system's own encoders, shown through
// the real window; the pane says which source it used and how large the picture was.
#include <objbase.h>
#include <wincodec.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/ui/main/ClientPixels.h"
#include "tests/ui/main/MainWindowFixture.h"

using namespace mainwindow;

namespace {

class ComOnThisThread {
public:
    ComOnThisThread() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) { }
    ~ComOnThisThread()
    {
        if (ok_)
            CoUninitialize();
    }

private:
    bool ok_;
};

// A picture of the size in the container format (JPEG, PNG), encoded by the system; empty on
// failure.
std::vector<unsigned char> Encoded(const GUID& container, UINT width, UINT height)
{
    std::vector<unsigned char> bytes;
    IWICImagingFactory* factory = nullptr;
    IStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* properties = nullptr;
    std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<BYTE>(i * 7 % 251);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    HGLOBAL memory = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
        SUCCEEDED(factory->CreateEncoder(container, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, &properties)) && SUCCEEDED(frame->Initialize(properties)) &&
        SUCCEEDED(frame->SetSize(width, height)) && SUCCEEDED(frame->SetPixelFormat(&format)) &&
        SUCCEEDED(frame->WritePixels(height, width * 3, static_cast<UINT>(pixels.size()), pixels.data())) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit()) &&
        SUCCEEDED(GetHGlobalFromStream(stream, &memory))) {
        STATSTG stat {};
        if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME))) {
            const auto* data = static_cast<const unsigned char*>(GlobalLock(memory));
            if (data)
                bytes.assign(data, data + stat.cbSize.QuadPart);
            GlobalUnlock(memory);
        }
    }
    for (IUnknown* object : std::initializer_list<IUnknown*> {properties, frame, encoder, stream, factory})
        if (object)
            object->Release();
    return bytes;
}

// The JPEG with an EXIF block after its start marker whose second directory holds the thumbnail.
std::vector<unsigned char> WithThumbnail(const std::vector<unsigned char>& jpeg,
                                         const std::vector<unsigned char>& thumbnail)
{
    qmtest::Ifd ifd1;
    ifd1.Short(0x0103, 6).Blob(0x0201, 0x0202, thumbnail);
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, "Quillmere Test").Next(ifd1);
    std::vector<unsigned char> bytes =
            qmtest::JpegBuilder().Soi().Exif(ifd0, qmtest::ByteOrder::Intel).Bytes();
    bytes.insert(bytes.end(), jpeg.begin() + 2, jpeg.end());
    return bytes;
}

// Pixels of the window's client area, as the screen shows it, that are not the window colour.
int InkedPixels(HWND window)
{
    ClientPixels shot;
    if (!CaptureClient(window, false, shot))
        return -1;
    const COLORREF back = GetSysColor(COLOR_WINDOW);
    int count = 0;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            count += shot.Differs(x, y, back) ? 1 : 0;
    return count;
}

int ColumnsWidth(HWND list)
{
    return ListView_GetColumnWidth(list, 0) + ListView_GetColumnWidth(list, 1) +
           ListView_GetColumnWidth(list, 2);
}

}  // namespace

// Opening the pane takes its width from the list, and Source, Target and Result give it up between
// them as they do when the window narrows, so no column is pushed out of sight; closing it gives
// each its width back. With no row selected the pane says how to fill it.
TEST_F(MainWindowTest, ThePaneTakesItsWidthFromTheColumnsAndAsksForARow)
{
    // Columns wide enough that none comes down to the narrowest a column gets.
    SetDword("WndMaximized", 0);
    SetDword("ColWidth_Source", 260);
    SetDword("ColWidth_Target", 300);
    SetDword("ColWidth_Result", 160);
    HWND w = Open();
    ShowWindow(w, SW_SHOWNORMAL);
    PumpFor(50);
    HWND list = GetDlgItem(w, IDC_FILE_LIST);
    HWND pane = GetDlgItem(w, IDC_PREVIEW_PANE);
    ASSERT_NE(pane, nullptr);
    const int widths[3] = {ListView_GetColumnWidth(list, 0), ListView_GetColumnWidth(list, 1),
                           ListView_GetColumnWidth(list, 2)};
    RECT wide {};
    GetWindowRect(list, &wide);

    Command(w, IDM_VIEW_PREVIEW);
    ASSERT_TRUE(IsWindowVisible(pane));
    RECT narrow {};
    GetWindowRect(list, &narrow);
    const int lost = (wide.right - wide.left) - (narrow.right - narrow.left);
    ASSERT_GT(lost, 0);
    EXPECT_EQ(ColumnsWidth(list), widths[0] + widths[1] + widths[2] - lost);
    for (int column = 0; column < 3; ++column)
        EXPECT_NEAR(ListView_GetColumnWidth(list, column), widths[column] - lost / 3, 1) << column;

    // Drawn on top of anything an earlier test left on the screen.
    SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpFor(50);
    EXPECT_GT(InkedPixels(pane), 20) << "the pane with no row selected stands empty";
    SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    Command(w, IDM_VIEW_PREVIEW);
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(ListView_GetColumnWidth(list, column), widths[column]) << column;

    // Closed with the pane shown: the widths are stored as the list has them without it.
    Command(w, IDM_VIEW_PREVIEW);
    ASSERT_TRUE(IsWindowVisible(pane));
    Close();
    DWORD stored[3] = {};
    ASSERT_TRUE(GetDword("ColWidth_Source", stored[0]));
    ASSERT_TRUE(GetDword("ColWidth_Target", stored[1]));
    ASSERT_TRUE(GetDword("ColWidth_Result", stored[2]));
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(static_cast<int>(stored[column]), widths[column]) << column;
}

TEST_F(MainWindowTest, PreviewPaneShowsTheThumbnailThePictureOrNoPreview)
{
    ComOnThisThread com;
    const std::vector<unsigned char> large = Encoded(GUID_ContainerFormatJpeg, 120, 80);
    const std::vector<unsigned char> small = Encoded(GUID_ContainerFormatJpeg, 24, 16);
    const std::vector<unsigned char> png = Encoded(GUID_ContainerFormatPng, 50, 40);
    ASSERT_FALSE(large.empty());
    ASSERT_FALSE(small.empty());
    ASSERT_FALSE(png.empty());
    TempTree tree;
    const std::string thumbed = tree.Path("thumbed.jpg"), plain = tree.Path("plain.jpg"),
                      picture = tree.Path("picture.png"), text = tree.Path("notes.jpg");
    ASSERT_TRUE(WriteData(thumbed, WithThumbnail(large, small)));
    ASSERT_TRUE(WriteData(plain, large));
    ASSERT_TRUE(WriteData(picture, png));
    ASSERT_TRUE(WriteText(text, "not a picture at all"));

    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, {thumbed, plain, picture, text}));
    ASSERT_EQ(Rows(), 4);
    HWND list = GetDlgItem(w, IDC_FILE_LIST);
    HWND pane = GetDlgItem(w, IDC_PREVIEW_PANE);
    ASSERT_NE(pane, nullptr);
    EXPECT_FALSE(IsWindowVisible(pane)) << "hidden until asked for";
    RECT wide {};
    GetWindowRect(list, &wide);

    Command(w, IDM_VIEW_PREVIEW);
    EXPECT_TRUE(IsWindowVisible(pane));
    RECT narrow {}, beside {};
    GetWindowRect(list, &narrow);
    GetWindowRect(pane, &beside);
    EXPECT_LT(narrow.right, wide.right);
    EXPECT_GE(beside.left, narrow.right) << "the pane stands beside the list";
    EXPECT_LE(beside.right, wide.right);

    struct Expected {
        std::string path;
        PreviewSource source;
        LONG width, height;
    };
    for (const Expected& expected :
         {Expected {thumbed, PreviewSource::Thumbnail, 24, 16},
          Expected {plain, PreviewSource::Decoded, 120, 80},
          Expected {picture, PreviewSource::Decoded, 50, 40}, Expected {text, PreviewSource::None, 0, 0}}) {
        int row = 0;
        while (row < Rows() && Cell(row, 0) != expected.path)
            ++row;
        ASSERT_LT(row, Rows()) << expected.path;
        dialog_->List().SelectAndFocus(row);
        const PreviewPane& preview = dialog_->Preview();
        EXPECT_TRUE(PumpUntil([&] { return preview.Path() == expected.path && !preview.Pending(); }, 10000))
                << expected.path;
        EXPECT_EQ(preview.Source(), expected.source) << expected.path;
        EXPECT_EQ(preview.ImageSize().cx, expected.width) << expected.path;
        EXPECT_EQ(preview.ImageSize().cy, expected.height) << expected.path;
    }

    // Two rows one right after the other: the first one's picture, arriving late, is not shown.
    dialog_->List().SelectAndFocus(0);
    int plainRow = 0;
    while (plainRow < Rows() && Cell(plainRow, 0) != plain)
        ++plainRow;
    dialog_->List().SelectAndFocus(plainRow);
    const PreviewPane& preview = dialog_->Preview();
    EXPECT_TRUE(PumpUntil([&] { return preview.Path() == plain && !preview.Pending(); }, 10000));
    EXPECT_EQ(preview.Source(), PreviewSource::Decoded);
    EXPECT_EQ(preview.ImageSize().cx, 120);

    // A larger window: the pane keeps to the list's side.
    RECT frame {};
    GetWindowRect(w, &frame);
    SetWindowPos(w, nullptr, 0, 0, frame.right - frame.left + 200, frame.bottom - frame.top + 100,
                 SWP_NOMOVE | SWP_NOZORDER);
    PumpFor(50);
    GetWindowRect(list, &narrow);
    GetWindowRect(pane, &beside);
    EXPECT_GE(beside.left, narrow.right);
    EXPECT_EQ(beside.bottom, narrow.bottom);
    EXPECT_GT(beside.right, wide.right) << "the pane follows the window's new width";
    GetWindowRect(list, &wide);
    wide.right = beside.right;

    // Hidden again: the list takes its width back and the pane reads nothing more.
    Command(w, IDM_VIEW_PREVIEW);
    EXPECT_FALSE(IsWindowVisible(pane));
    RECT again {};
    GetWindowRect(list, &again);
    EXPECT_EQ(again.right, wide.right);
    dialog_->List().SelectAndFocus(0);
    PumpFor(50);
    EXPECT_EQ(dialog_->Preview().Path(), "");
}
