// The DLL is built without the C runtime, so this is its whole entry point:
// loading and unloading have nothing of their own to do.
#include <windows.h>

extern "C" BOOL WINAPI VortaDllEntry(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
