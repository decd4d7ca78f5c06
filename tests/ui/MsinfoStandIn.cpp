// Stands in for the system's information program: it leaves a file beside
// itself to say that it was started, and ends.
#include <windows.h>

#include <cstdio>
#include <string>

int main()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return 1;
    FILE* started = _wfopen((std::wstring(path) + L".started").c_str(), L"w");
    if (!started)
        return 1;
    std::fclose(started);
    return 0;
}
