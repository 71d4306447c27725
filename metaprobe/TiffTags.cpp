#include "metaprobe/TiffTags.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace metaprobe {

namespace {

#define TABLE(name) name, unsigned(std::size(name))

const EnumText kSubfileType[] = {
        {0, "Full-resolution image"},
        {1, "Reduced-resolution image"},
        {2, "Single page of multi-page image"},
        {3, "Single page of multi-page reduced-resolution image"},
        {4, "Transparency mask"},
        {5, "Transparency mask of reduced-resolution image"},
        {6, "Transparency mask of multi-page image"},
        {7, "Transparency mask of reduced-resolution multi-page image"},
        {8, "Depth map"},
        {9, "Depth map of reduced-resolution image"},
        {16, "Enhanced image data"},
        {0x10001, "Alternate reduced-resolution image"},
        {0x10004, "Semantic Mask"},
        {0xffffffff, "invalid"},
};
const EnumText kOldSubfileType[] = {{1, "Full-resolution image"},
                                    {2, "Reduced-resolution image"},
                                    {3, "Single page of multi-page image"}};
const EnumText kCompression[] = {
        {1, "Uncompressed"},
        {2, "CCITT 1D"},
        {3, "T4/Group 3 Fax"},
        {4, "T6/Group 4 Fax"},
        {5, "LZW"},
        {6, "JPEG (old-style)"},
        {7, "JPEG"},
        {8, "Adobe Deflate"},
        {9, "JBIG B&W"},
        {10, "JBIG Color"},
        {99, "JPEG"},
        {262, "Kodak 262"},
        {32766, "Next"},
        {32767, "Sony ARW Compressed"},
        {32769, "Packed RAW"},
        {32770, "Samsung SRW Compressed"},
        {32771, "CCIRLEW"},
        {32772, "Samsung SRW Compressed 2"},
        {32773, "PackBits"},
        {32809, "Thunderscan"},
        {32867, "Kodak KDC Compressed"},
        {32895, "IT8CTPAD"},
        {32896, "IT8LW"},
        {32897, "IT8MP"},
        {32898, "IT8BL"},
        {32908, "PixarFilm"},
        {32909, "PixarLog"},
        {32946, "Deflate"},
        {32947, "DCS"},
        {33003, "Aperio JPEG 2000 YCbCr"},
        {33005, "Aperio JPEG 2000 RGB"},
        {34661, "JBIG"},
        {34676, "SGILog"},
        {34677, "SGILog24"},
        {34712, "JPEG 2000"},
        {34713, "Nikon NEF Compressed"},
        {34715, "JBIG2 TIFF FX"},
        {34887, "ESRI Lerc"},
        {34892, "Lossy JPEG"},
        {34925, "LZMA2"},
        {34926, "Zstd"},
        {34927, "WebP"},
        {34933, "PNG"},
        {34934, "JPEG XR"},
        {52546, "JPEG XL"},
        {65000, "Kodak DCR Compressed"},
        {65535, "Pentax PEF Compressed"},
};
const EnumText kPhotometric[] = {
        {0, "WhiteIsZero"},
        {1, "BlackIsZero"},
        {2, "RGB"},
        {3, "RGB Palette"},
        {4, "Transparency Mask"},
        {5, "CMYK"},
        {6, "YCbCr"},
        {8, "CIELab"},
        {9, "ICCLab"},
        {10, "ITULab"},
        {32803, "Color Filter Array"},
        {32844, "Pixar LogL"},
        {32845, "Pixar LogLuv"},
        {32892, "Sequential Color Filter"},
        {34892, "Linear Raw"},
        {51177, "Depth Map"},
        {52527, "Semantic Mask"},
};
const EnumText kThresholding[] = {
        {1, "No dithering or halftoning"}, {2, "Ordered dither or halftone"}, {3, "Randomized dither"}};
const EnumText kFillOrder[] = {{1, "Normal"}, {2, "Reversed"}};
const EnumText kOrientation[] = {
        {1, "Horizontal (normal)"},
        {2, "Mirror horizontal"},
        {3, "Rotate 180"},
        {4, "Mirror vertical"},
        {5, "Mirror horizontal and rotate 270 CW"},
        {6, "Rotate 90 CW"},
        {7, "Mirror horizontal and rotate 90 CW"},
        {8, "Rotate 270 CW"},
};
const EnumText kPlanar[] = {{1, "Chunky"}, {2, "Planar"}};
const EnumText kResolutionUnit[] = {{1, "None"}, {2, "inches"}, {3, "cm"}};
const EnumText kFocalPlaneUnit[] = {{1, "None"}, {2, "inches"}, {3, "cm"}, {4, "mm"}, {5, "um"}};
const EnumText kPredictor[] = {
        {1, "None"},
        {2, "Horizontal differencing"},
        {3, "Floating point"},
        {34892, "Horizontal difference X2"},
        {34893, "Horizontal difference X4"},
        {34894, "Floating point X2"},
        {34895, "Floating point X4"},
};
const EnumText kInkSet[] = {{1, "CMYK"}, {2, "Not CMYK"}};
const EnumText kExtraSamples[] = {{0, "Unspecified"}, {1, "Associated Alpha"}, {2, "Unassociated Alpha"}};
const EnumText kYCbCrPositioning[] = {{1, "Centered"}, {2, "Co-sited"}};
const EnumText kExposureProgram[] = {
        {0, "Not Defined"},
        {1, "Manual"},
        {2, "Program AE"},
        {3, "Aperture-priority AE"},
        {4, "Shutter speed priority AE"},
        {5, "Creative (Slow speed)"},
        {6, "Action (High speed)"},
        {7, "Portrait"},
        {8, "Landscape"},
        {9, "Bulb"},
};
const EnumText kSensitivityType[] = {
        {0, "Unknown"},
        {1, "Standard Output Sensitivity"},
        {2, "Recommended Exposure Index"},
        {3, "ISO Speed"},
        {4, "Standard Output Sensitivity and Recommended Exposure Index"},
        {5, "Standard Output Sensitivity and ISO Speed"},
        {6, "Recommended Exposure Index and ISO Speed"},
        {7, "Standard Output Sensitivity, Recommended Exposure Index and ISO Speed"},
};
const EnumText kMeteringMode[] = {
        {0, "Unknown"}, {1, "Average"},    {2, "Center-weighted average"},
        {3, "Spot"},    {4, "Multi-spot"}, {5, "Multi-segment"},
        {6, "Partial"}, {255, "Other"},
};
const EnumText kLightSource[] = {
        {0, "Unknown"},
        {1, "Daylight"},
        {2, "Fluorescent"},
        {3, "Tungsten (Incandescent)"},
        {4, "Flash"},
        {9, "Fine Weather"},
        {10, "Cloudy"},
        {11, "Shade"},
        {12, "Daylight Fluorescent"},
        {13, "Day White Fluorescent"},
        {14, "Cool White Fluorescent"},
        {15, "White Fluorescent"},
        {16, "Warm White Fluorescent"},
        {17, "Standard Light A"},
        {18, "Standard Light B"},
        {19, "Standard Light C"},
        {20, "D55"},
        {21, "D65"},
        {22, "D75"},
        {23, "D50"},
        {24, "ISO Studio Tungsten"},
        {255, "Other"},
};
const EnumText kFlash[] = {
        {0x00, "No Flash"},
        {0x01, "Fired"},
        {0x05, "Fired, Return not detected"},
        {0x07, "Fired, Return detected"},
        {0x08, "On, Did not fire"},
        {0x09, "On, Fired"},
        {0x0d, "On, Return not detected"},
        {0x0f, "On, Return detected"},
        {0x10, "Off, Did not fire"},
        {0x14, "Off, Did not fire, Return not detected"},
        {0x18, "Auto, Did not fire"},
        {0x19, "Auto, Fired"},
        {0x1d, "Auto, Fired, Return not detected"},
        {0x1f, "Auto, Fired, Return detected"},
        {0x20, "No flash function"},
        {0x30, "Off, No flash function"},
        {0x41, "Fired, Red-eye reduction"},
        {0x45, "Fired, Red-eye reduction, Return not detected"},
        {0x47, "Fired, Red-eye reduction, Return detected"},
        {0x49, "On, Red-eye reduction"},
        {0x4d, "On, Red-eye reduction, Return not detected"},
        {0x4f, "On, Red-eye reduction, Return detected"},
        {0x50, "Off, Red-eye reduction"},
        {0x58, "Auto, Did not fire, Red-eye reduction"},
        {0x59, "Auto, Fired, Red-eye reduction"},
        {0x5d, "Auto, Fired, Red-eye reduction, Return not detected"},
        {0x5f, "Auto, Fired, Red-eye reduction, Return detected"},
};
const EnumText kColorSpace[] = {{1, "sRGB"},
                                {2, "Adobe RGB"},
                                {0xffff, "Uncalibrated"},
                                {0xfffe, "ICC Profile"},
                                {0xfffd, "Wide Gamut RGB"}};
const EnumText kSensingMethod[] = {
        {1, "Not defined"},
        {2, "One-chip color area"},
        {3, "Two-chip color area"},
        {4, "Three-chip color area"},
        {5, "Color sequential area"},
        {7, "Trilinear"},
        {8, "Color sequential linear"},
};
const EnumText kFileSource[] = {{1, "Film Scanner"}, {2, "Reflection Print Scanner"}, {3, "Digital Camera"}};
const EnumText kSceneType[] = {{1, "Directly photographed"}};
const EnumText kCustomRendered[] = {
        {0, "Normal"},
        {1, "Custom"},
        {2, "HDR (no original saved)"},
        {3, "HDR (original saved)"},
        {4, "Original (for HDR)"},
        {6, "Panorama"},
        {7, "Portrait HDR"},
        {8, "Portrait"},
};
const EnumText kExposureMode[] = {{0, "Auto"}, {1, "Manual"}, {2, "Auto bracket"}};
const EnumText kWhiteBalance[] = {{0, "Auto"}, {1, "Manual"}};
const EnumText kSceneCaptureType[] = {
        {0, "Standard"}, {1, "Landscape"}, {2, "Portrait"}, {3, "Night"}, {4, "Other"}};
const EnumText kGainControl[] = {
        {0, "None"}, {1, "Low gain up"}, {2, "High gain up"}, {3, "Low gain down"}, {4, "High gain down"}};
const EnumText kNormalLowHigh[] = {{0, "Normal"}, {1, "Low"}, {2, "High"}};
const EnumText kSharpness[] = {{0, "Normal"}, {1, "Soft"}, {2, "Hard"}};
const EnumText kSubjectDistanceRange[] = {{0, "Unknown"}, {1, "Macro"}, {2, "Close"}, {3, "Distant"}};
const EnumText kCompositeImage[] = {
        {0, "Unknown"},
        {1, "Not a Composite Image"},
        {2, "General Composite Image"},
        {3, "Composite Image Captured While Shooting"},
};
const EnumText kMakerNoteSafety[] = {{0, "Unsafe"}, {1, "Safe"}};
const EnumText kProfileEmbedPolicy[] = {
        {0, "Allow Copying"}, {1, "Embed if Used"}, {2, "Never Embed"}, {3, "No Restrictions"}};
const EnumText kPreviewColorSpace[] = {
        {0, "Unknown"}, {1, "Gray Gamma 2.2"}, {2, "sRGB"}, {3, "Adobe RGB"}, {4, "ProPhoto RGB"}};

// Sorted by id.
const TagInfo kExifTags[] = {
        {0x0001, "Interoperability Index", Conv::InteropIndex},
        {0x0002, "Interoperability Version", Conv::Undefined8},
        {0x000B, "Processing Software", Conv::Plain},
        {0x00FE, "Subfile Type", Conv::Enum, TABLE(kSubfileType)},
        {0x00FF, "Old Subfile Type", Conv::Enum, TABLE(kOldSubfileType)},
        {0x0100, "Image Width", Conv::Plain},
        {0x0101, "Image Height", Conv::Plain},
        {0x0102, "Bits Per Sample", Conv::Plain},
        {0x0103, "Compression", Conv::Enum, TABLE(kCompression)},
        {0x0106, "Photometric Interpretation", Conv::Enum, TABLE(kPhotometric)},
        {0x0107, "Thresholding", Conv::Enum, TABLE(kThresholding)},
        {0x0108, "Cell Width", Conv::Plain},
        {0x0109, "Cell Length", Conv::Plain},
        {0x010A, "Fill Order", Conv::Enum, TABLE(kFillOrder)},
        {0x010D, "Document Name", Conv::Plain},
        {0x010E, "Image Description", Conv::Plain},
        {0x010F, "Make", Conv::Plain},
        {0x0110, "Camera Model Name", Conv::Plain},
        {0x0111, "Strip Offsets", Conv::Plain},
        {0x0112, "Orientation", Conv::Enum, TABLE(kOrientation)},
        {0x0115, "Samples Per Pixel", Conv::Plain},
        {0x0116, "Rows Per Strip", Conv::Plain},
        {0x0117, "Strip Byte Counts", Conv::Plain},
        {0x0118, "Min Sample Value", Conv::Plain},
        {0x0119, "Max Sample Value", Conv::Plain},
        {0x011A, "X Resolution", Conv::Plain},
        {0x011B, "Y Resolution", Conv::Plain},
        {0x011C, "Planar Configuration", Conv::Enum, TABLE(kPlanar)},
        {0x011D, "Page Name", Conv::Plain},
        {0x011E, "X Position", Conv::Plain},
        {0x011F, "Y Position", Conv::Plain},
        {0x0128, "Resolution Unit", Conv::Enum, TABLE(kResolutionUnit)},
        {0x012D, "Transfer Function", Conv::Binary},
        {0x0131, "Software", Conv::Plain},
        {0x0132, "Modify Date", Conv::Plain},
        {0x013B, "Artist", Conv::Plain},
        {0x013C, "Host Computer", Conv::Plain},
        {0x013D, "Predictor", Conv::Enum, TABLE(kPredictor)},
        {0x013E, "White Point", Conv::Plain},
        {0x013F, "Primary Chromaticities", Conv::Plain},
        {0x0140, "Color Map", Conv::Binary},
        {0x0141, "Halftone Hints", Conv::Plain},
        {0x0142, "Tile Width", Conv::Plain},
        {0x0143, "Tile Length", Conv::Plain},
        {0x0144, "Tile Offsets", Conv::Plain},
        {0x0145, "Tile Byte Counts", Conv::Plain},
        {kSubIfdsTag, "Sub IFDs", Conv::SubIfd},
        {0x014C, "Ink Set", Conv::Enum, TABLE(kInkSet)},
        {0x0152, "Extra Samples", Conv::Enum, TABLE(kExtraSamples)},
        {0x0201, "Thumbnail Offset", Conv::Plain},
        {0x0202, "Thumbnail Length", Conv::Plain},
        {0x0211, "Y Cb Cr Coefficients", Conv::Plain},
        {0x0212, "Y Cb Cr Sub Sampling", Conv::SubSampling},
        {0x0213, "Y Cb Cr Positioning", Conv::Enum, TABLE(kYCbCrPositioning)},
        {0x0214, "Reference Black White", Conv::Plain},
        {kXmpTag, "Application Notes", Conv::Binary},
        {0x1000, "Related Image File Format", Conv::Plain},
        {0x1001, "Related Image Width", Conv::Plain},
        {0x1002, "Related Image Height", Conv::Plain},
        {0x4746, "Rating", Conv::Plain},
        {0x4749, "Rating Percent", Conv::Plain},
        {0x8298, "Copyright", Conv::Plain},
        {0x829A, "Exposure Time", Conv::ExposureTime},
        {0x829D, "F Number", Conv::FNumber},
        {kExifIfdTag, "Exif Offset", Conv::SubIfd},
        {0x8822, "Exposure Program", Conv::Enum, TABLE(kExposureProgram)},
        {0x8824, "Spectral Sensitivity", Conv::Plain},
        {kGpsIfdTag, "GPS Info", Conv::SubIfd},
        {0x8827, "ISO", Conv::CommaList},
        {0x8828, "Opto-Electric Conv Factor", Conv::Binary},
        {0x8830, "Sensitivity Type", Conv::Enum, TABLE(kSensitivityType)},
        {0x8831, "Standard Output Sensitivity", Conv::Plain},
        {0x8832, "Recommended Exposure Index", Conv::Plain},
        {0x8833, "ISO Speed", Conv::Plain},
        {0x8834, "ISO Speed Latitude yyy", Conv::Plain},
        {0x8835, "ISO Speed Latitude zzz", Conv::Plain},
        {0x9000, "Exif Version", Conv::Version},
        {0x9003, "Date/Time Original", Conv::Plain},
        {0x9004, "Create Date", Conv::Plain},
        {0x9010, "Offset Time", Conv::Plain},
        {0x9011, "Offset Time Original", Conv::Plain},
        {0x9012, "Offset Time Digitized", Conv::Plain},
        {0x9101, "Components Configuration", Conv::Components},
        {0x9102, "Compressed Bits Per Pixel", Conv::Plain},
        {0x9201, "Shutter Speed Value", Conv::ShutterApex},
        {0x9202, "Aperture Value", Conv::ApertureApex},
        {0x9203, "Brightness Value", Conv::Plain},
        {0x9204, "Exposure Compensation", Conv::Fraction},
        {0x9205, "Max Aperture Value", Conv::ApertureApex},
        {0x9206, "Subject Distance", Conv::Metres},
        {0x9207, "Metering Mode", Conv::Enum, TABLE(kMeteringMode)},
        {0x9208, "Light Source", Conv::Enum, TABLE(kLightSource)},
        {0x9209, "Flash", Conv::Flash, TABLE(kFlash)},
        {0x920A, "Focal Length", Conv::FocalLength},
        {0x9214, "Subject Area", Conv::Plain},
        {0x9286, "User Comment", Conv::UserComment},
        {0x9290, "Sub Sec Time", Conv::Plain},
        {0x9291, "Sub Sec Time Original", Conv::Plain},
        {0x9292, "Sub Sec Time Digitized", Conv::Plain},
        {0x9C9B, "XP Title", Conv::Ucs2Text},
        {0x9C9C, "XP Comment", Conv::Ucs2Text},
        {0x9C9D, "XP Author", Conv::Ucs2Text},
        {0x9C9E, "XP Keywords", Conv::Ucs2Text},
        {0x9C9F, "XP Subject", Conv::Ucs2Text},
        {0xA000, "Flashpix Version", Conv::Version},
        {0xA001, "Color Space", Conv::Enum, TABLE(kColorSpace)},
        {0xA002, "Exif Image Width", Conv::Plain},
        {0xA003, "Exif Image Height", Conv::Plain},
        {0xA004, "Related Sound File", Conv::Plain},
        {kInteropIfdTag, "Interop Offset", Conv::SubIfd},
        {0xA20B, "Flash Energy", Conv::Plain},
        {0xA20E, "Focal Plane X Resolution", Conv::Plain},
        {0xA20F, "Focal Plane Y Resolution", Conv::Plain},
        {0xA210, "Focal Plane Resolution Unit", Conv::Enum, TABLE(kFocalPlaneUnit)},
        {0xA214, "Subject Location", Conv::Plain},
        {0xA215, "Exposure Index", Conv::Plain},
        {0xA217, "Sensing Method", Conv::Enum, TABLE(kSensingMethod)},
        {0xA300, "File Source", Conv::Enum, TABLE(kFileSource)},
        {0xA301, "Scene Type", Conv::Enum, TABLE(kSceneType)},
        {0xA401, "Custom Rendered", Conv::Enum, TABLE(kCustomRendered)},
        {0xA402, "Exposure Mode", Conv::Enum, TABLE(kExposureMode)},
        {0xA403, "White Balance", Conv::Enum, TABLE(kWhiteBalance)},
        {0xA404, "Digital Zoom Ratio", Conv::Plain},
        {0xA405, "Focal Length In 35mm Format", Conv::Millimetres},
        {0xA406, "Scene Capture Type", Conv::Enum, TABLE(kSceneCaptureType)},
        {0xA407, "Gain Control", Conv::Enum, TABLE(kGainControl)},
        {0xA408, "Contrast", Conv::Enum, TABLE(kNormalLowHigh)},
        {0xA409, "Saturation", Conv::Enum, TABLE(kNormalLowHigh)},
        {0xA40A, "Sharpness", Conv::Enum, TABLE(kSharpness)},
        {0xA40C, "Subject Distance Range", Conv::Enum, TABLE(kSubjectDistanceRange)},
        {0xA420, "Image Unique ID", Conv::Plain},
        {0xA430, "Owner Name", Conv::Plain},
        {0xA431, "Serial Number", Conv::Plain},
        {0xA432, "Lens Info", Conv::LensInfo},
        {0xA433, "Lens Make", Conv::Plain},
        {0xA434, "Lens Model", Conv::Plain},
        {0xA435, "Lens Serial Number", Conv::Plain},
        {0xA460, "Composite Image", Conv::Enum, TABLE(kCompositeImage)},
        {0xA500, "Gamma", Conv::Plain},
        {0xC612, "DNG Version", Conv::DottedVersion},
        {0xC613, "DNG Backward Version", Conv::DottedVersion},
        {0xC614, "Unique Camera Model", Conv::Plain},
        {0xC615, "Localized Camera Model", Conv::Plain},
        {0xC61A, "Black Level", Conv::Plain},
        {0xC61D, "White Level", Conv::Plain},
        {0xC61E, "Default Scale", Conv::Plain},
        {0xC61F, "Default Crop Origin", Conv::Plain},
        {0xC620, "Default Crop Size", Conv::Plain},
        {0xC621, "Color Matrix 1", Conv::Plain},
        {0xC622, "Color Matrix 2", Conv::Plain},
        {0xC623, "Camera Calibration 1", Conv::Plain},
        {0xC624, "Camera Calibration 2", Conv::Plain},
        {0xC625, "Reduction Matrix 1", Conv::Plain},
        {0xC626, "Reduction Matrix 2", Conv::Plain},
        {0xC627, "Analog Balance", Conv::Plain},
        {0xC628, "As Shot Neutral", Conv::Plain},
        {0xC629, "As Shot White XY", Conv::Plain},
        {0xC62A, "Baseline Exposure", Conv::Plain},
        {0xC62B, "Baseline Noise", Conv::Plain},
        {0xC62C, "Baseline Sharpness", Conv::Plain},
        {0xC62D, "Bayer Green Split", Conv::Plain},
        {0xC62E, "Linear Response Limit", Conv::Plain},
        {0xC62F, "Camera Serial Number", Conv::Plain},
        {0xC630, "DNG Lens Info", Conv::LensInfo},
        {0xC631, "Chroma Blur Radius", Conv::Plain},
        {0xC632, "Anti Alias Strength", Conv::Plain},
        {0xC633, "Shadow Scale", Conv::Plain},
        {0xC635, "Maker Note Safety", Conv::Enum, TABLE(kMakerNoteSafety)},
        {0xC65A, "Calibration Illuminant 1", Conv::Enum, TABLE(kLightSource)},
        {0xC65B, "Calibration Illuminant 2", Conv::Enum, TABLE(kLightSource)},
        {0xC65C, "Best Quality Scale", Conv::Plain},
        {0xC65D, "Raw Data Unique ID", Conv::Hex},
        {0xC68B, "Original Raw File Name", Conv::Plain},
        {0xC68D, "Active Area", Conv::Plain},
        {0xC68E, "Masked Areas", Conv::Plain},
        {0xC6F3, "Camera Calibration Sig", Conv::Plain},
        {0xC6F4, "Profile Calibration Sig", Conv::Plain},
        {0xC6F8, "Profile Name", Conv::Plain},
        {0xC6FD, "Profile Embed Policy", Conv::Enum, TABLE(kProfileEmbedPolicy)},
        {0xC6FE, "Profile Copyright", Conv::Plain},
        {0xC71A, "Preview Color Space", Conv::Enum, TABLE(kPreviewColorSpace)},
        {0xC71B, "Preview Date Time", Conv::Plain},
        {0xC725, "Profile Look Table Dims", Conv::Plain},
        {0xC764, "Frame Rate", Conv::Plain},
        {0xC7A7, "New Raw Image Digest", Conv::Plain},
};

const EnumText kGpsLatitudeRef[] = {{'N', "North"}, {'S', "South"}};
const EnumText kGpsLongitudeRef[] = {{'E', "East"}, {'W', "West"}};
const EnumText kGpsAltitudeRef[] = {{0, "Above Sea Level"}, {1, "Below Sea Level"}};
const EnumText kGpsStatus[] = {{'A', "Measurement Active"}, {'V', "Measurement Void"}};
const EnumText kGpsMeasureMode[] = {{'2', "2-Dimensional Measurement"}, {'3', "3-Dimensional Measurement"}};
const EnumText kGpsSpeedRef[] = {{'K', "km/h"}, {'M', "mph"}, {'N', "knots"}};
const EnumText kGpsDirectionRef[] = {{'M', "Magnetic North"}, {'T', "True North"}};
const EnumText kGpsDistanceRef[] = {{'K', "Kilometers"}, {'M', "Miles"}, {'N', "Nautical Miles"}};
const EnumText kGpsDifferential[] = {{0, "No Correction"}, {1, "Differential Corrected"}};

const TagInfo kGpsTags[] = {
        {0x0000, "GPS Version ID", Conv::DottedVersion},
        {0x0001, "GPS Latitude Ref", Conv::GpsRef, TABLE(kGpsLatitudeRef)},
        {0x0002, "GPS Latitude", Conv::GpsCoordinate},
        {0x0003, "GPS Longitude Ref", Conv::GpsRef, TABLE(kGpsLongitudeRef)},
        {0x0004, "GPS Longitude", Conv::GpsCoordinate},
        {0x0005, "GPS Altitude Ref", Conv::Enum, TABLE(kGpsAltitudeRef)},
        {0x0006, "GPS Altitude", Conv::Metres},
        {0x0007, "GPS Time Stamp", Conv::GpsTime},
        {0x0008, "GPS Satellites", Conv::Plain},
        {0x0009, "GPS Status", Conv::GpsRef, TABLE(kGpsStatus)},
        {0x000A, "GPS Measure Mode", Conv::GpsRef, TABLE(kGpsMeasureMode)},
        {0x000B, "GPS Dilution Of Precision", Conv::Plain},
        {0x000C, "GPS Speed Ref", Conv::GpsRef, TABLE(kGpsSpeedRef)},
        {0x000D, "GPS Speed", Conv::Plain},
        {0x000E, "GPS Track Ref", Conv::GpsRef, TABLE(kGpsDirectionRef)},
        {0x000F, "GPS Track", Conv::Plain},
        {0x0010, "GPS Img Direction Ref", Conv::GpsRef, TABLE(kGpsDirectionRef)},
        {0x0011, "GPS Img Direction", Conv::Plain},
        {0x0012, "GPS Map Datum", Conv::Plain},
        {0x0013, "GPS Dest Latitude Ref", Conv::GpsRef, TABLE(kGpsLatitudeRef)},
        {0x0014, "GPS Dest Latitude", Conv::GpsCoordinate},
        {0x0015, "GPS Dest Longitude Ref", Conv::GpsRef, TABLE(kGpsLongitudeRef)},
        {0x0016, "GPS Dest Longitude", Conv::GpsCoordinate},
        {0x0017, "GPS Dest Bearing Ref", Conv::GpsRef, TABLE(kGpsDirectionRef)},
        {0x0018, "GPS Dest Bearing", Conv::Plain},
        {0x0019, "GPS Dest Distance Ref", Conv::GpsRef, TABLE(kGpsDistanceRef)},
        {0x001A, "GPS Dest Distance", Conv::Plain},
        {0x001B, "GPS Processing Method", Conv::UserComment},
        {0x001C, "GPS Area Information", Conv::UserComment},
        {0x001D, "GPS Date Stamp", Conv::Plain},
        {0x001E, "GPS Differential", Conv::Enum, TABLE(kGpsDifferential)},
        {0x001F, "GPS Horizontal Positioning Error", Conv::Metres},
};

const EnumText kPanasonicCompression[] = {{34316, "Panasonic RAW 1"},
                                          {34826, "Panasonic RAW 2"},
                                          {34828, "Panasonic RAW 3"},
                                          {34830, "Panasonic RAW 4"}};

// First directory of Panasonic raws: its low tag numbers mean other things than in TIFF.
const TagInfo kPanasonicTags[] = {
        {0x0001, "Panasonic Raw Version", Conv::Undefined8},
        {0x0002, "Sensor Width", Conv::Plain},
        {0x0003, "Sensor Height", Conv::Plain},
        {0x0004, "Sensor Top Border", Conv::Plain},
        {0x0005, "Sensor Left Border", Conv::Plain},
        {0x0006, "Sensor Bottom Border", Conv::Plain},
        {0x0007, "Sensor Right Border", Conv::Plain},
        {0x0008, "Samples Per Pixel", Conv::Plain},
        {0x000A, "Bits Per Sample", Conv::Plain},
        {0x000B, "Compression", Conv::Enum, TABLE(kPanasonicCompression)},
        {0x000E, "Linearity Limit Red", Conv::Plain},
        {0x000F, "Linearity Limit Green", Conv::Plain},
        {0x0010, "Linearity Limit Blue", Conv::Plain},
        {0x0017, "ISO", Conv::Plain},
        {0x0018, "High ISO Multiplier Red", Conv::Plain},
        {0x0019, "High ISO Multiplier Green", Conv::Plain},
        {0x001A, "High ISO Multiplier Blue", Conv::Plain},
        {0x001C, "Black Level Red", Conv::Plain},
        {0x001D, "Black Level Green", Conv::Plain},
        {0x001E, "Black Level Blue", Conv::Plain},
        {0x0024, "WB Red Level", Conv::Plain},
        {0x0025, "WB Green Level", Conv::Plain},
        {0x0026, "WB Blue Level", Conv::Plain},
        {kPanasonicJpgFromRawTag, "Jpg From Raw", Conv::Binary},
        {0x010F, "Make", Conv::Plain},
        {0x0110, "Camera Model Name", Conv::Plain},
        {0x0111, "Strip Offsets", Conv::Plain},
        {0x0112, "Orientation", Conv::Enum, TABLE(kOrientation)},
        {0x0116, "Rows Per Strip", Conv::Plain},
        {0x0117, "Strip Byte Counts", Conv::Plain},
        {kExifIfdTag, "Exif Offset", Conv::SubIfd},
        {kGpsIfdTag, "GPS Info", Conv::SubIfd},
};

const TagInfo* Find(const TagInfo* begin, const TagInfo* end, uint16_t id)
{
    const TagInfo* it =
            std::lower_bound(begin, end, id, [](const TagInfo& t, uint16_t v) { return t.id < v; });
    return (it != end && it->id == id) ? it : nullptr;
}

}  // namespace

const TagInfo* FindExifTag(uint16_t id)
{
    return Find(std::begin(kExifTags), std::end(kExifTags), id);
}
const TagInfo* FindPanasonicTag(uint16_t id)
{
    return Find(std::begin(kPanasonicTags), std::end(kPanasonicTags), id);
}
const TagInfo* FindGpsTag(uint16_t id)
{
    return Find(std::begin(kGpsTags), std::end(kGpsTags), id);
}

bool IsStandardTagName(const std::string& name)
{
    for (const TagInfo& tag : kExifTags) {
        if (tag.conv != Conv::SubIfd && name == tag.name)
            return true;
    }
    for (const TagInfo& tag : kGpsTags) {
        if (name == tag.name)
            return true;
    }
    return false;
}

const char* LookupEnum(const TagInfo& tag, int64_t value)
{
    for (unsigned i = 0; i < tag.tableSize; ++i) {
        if (tag.table[i].value == value)
            return tag.table[i].text;
    }
    return nullptr;
}

}  // namespace metaprobe
