// A DLL that tests place beside an executable, where the DLL search must not find it.
#include <windows.h>

extern "C" __declspec(dllexport) int PlantedMarker()
{
    return 42;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
