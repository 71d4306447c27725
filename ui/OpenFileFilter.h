// The file types offered by Add Files' open-file dialog: description and pattern pairs separated
// by NUL characters and ended by two, as the system dialog expects. Index 1 is the first pair;
// the stored index of the user's last choice counts on the order, so new types only extend the
// patterns of existing pairs or come after the last. Zip archives extend the image patterns and
// have a pair of their own: their photos are listed.
#pragma once

inline constexpr char kOpenFileFilter[] =
        "Image Files\0"
        "*.3fr;*.arw;*.avif;*.bmp;*.cr2;*.cr3;*.crw;*.dcr;*.dng;*.eip;*.erf;*.gif;*.heic;*.heif;*.hif;*.iiq;"
        "*.jpe;*.jpeg;*.jpg;*.jxl;*.k25;*.kdc;*.mef;*.mos;*.mrw;*.nef;*.nrw;*.orf;*.pef;*.png;*.psd;*.raf;"
        "*.raw;*.rw2;*.rwl;*.rwz;*.sr2;*.srf;*.srw;*.tga;*.tif;*.tiff;*.webp;*.wmf;*.x3f;*.zip\0"
        "Adobe Raw Files (*.dng)\0*.dng\0"
        "Bitmap Files (*.bmp)\0*.bmp\0"
        "Canon Raw Files (*.cr2;*.cr3;*.crw)\0*.cr2;*.cr3;*.crw\0"
        "Epson Raw Files (*.erf)\0*.erf\0"
        "Fujifilm Raw Files (*.raf)\0*.raf\0"
        "GIF Files (*.gif)\0*.gif\0"
        "Hasselblad Raw Files (*.3fr)\0*.3fr\0"
        "JPEG Files (*.jpg;*.jpe;*.jpeg)\0*.jpg;*.jpe;*.jpeg\0"
        "Kodak Raw Files (*.dcr;*.k25;*.kdc)\0*.dcr;*.k25;*.kdc\0"
        "Leaf Raw Files (*.mos)\0*.mos\0"
        "Leica Raw Files (*.raw;*.rwl;*.dng)\0*.raw;*.rwl;*.dng\0"
        "Mamiya Raw Files (*.mef)\0*.mef\0"
        "Minolta Raw Files (*.mrw)\0*.mrw\0"
        "Nikon Raw Files (*.nef;*.nrw)\0*.nef;*.nrw\0"
        "Olympus Raw Files (*.orf)\0*.orf\0"
        "PNG Files (*.png)\0*.png\0"
        "PSD Files (*.psd)\0*.psd\0"
        "Panasonic Raw Files (*.raw;*.rw2)\0*.raw;*.rw2\0"
        "Pentax Raw Files (*.pef)\0*.pef\0"
        "Phase_One Raw Files (*.iiq;*.eip)\0*.iiq;*.eip\0"
        "Raw Files (*.raw)\0*.raw\0"
        "Rawzor Raw Files (*.rwz)\0*.rwz\0"
        "Samsung Raw Files (*.srw)\0*.srw\0"
        "Sigma Raw Files (*.x3f)\0*.x3f\0"
        "Sony Raw Files (*.arw;*.srf;*.sr2)\0*.arw;*.srf;*.sr2\0"
        "TIFF Files (*.tif;*.tiff)\0*.tif;*.tiff\0"
        "Targa Files (*.tga)\0*.tga\0"
        "Windows Metafiles (*.wmf)\0*.wmf\0"
        "All Files (*.*)\0*.*\0"
        "Video Files (*.mov;*.mp4;*.m4v;*.3gp;*.3g2)\0*.mov;*.mp4;*.m4v;*.3gp;*.3g2\0"
        "Zip archives (*.zip)\0*.zip\0";
