// The tracking limits a window reports through WM_GETMINMAXINFO.
#pragma once
#include <windows.h>

struct SizeLimits {
    bool useMaxTrackSize = false;
    bool useMinTrackSize = false;
    bool useMaxRect = false;
    SIZE minTrackSize {};
    SIZE maxTrackSize {};
    POINT maxPosition {};
    SIZE maxSize {};

    // Writes the values in use; the others keep the system's.
    void Apply(MINMAXINFO& info) const
    {
        if (useMinTrackSize)
            info.ptMinTrackSize = POINT {minTrackSize.cx, minTrackSize.cy};
        if (useMaxTrackSize)
            info.ptMaxTrackSize = POINT {maxTrackSize.cx, maxTrackSize.cy};
        if (useMaxRect) {
            info.ptMaxPosition = maxPosition;
            info.ptMaxSize = POINT {maxSize.cx, maxSize.cy};
        }
    }
};
