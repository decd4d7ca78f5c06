// Stands in for the system's information program: it leaves a file beside
// itself to say that it was started, and ends.
#include <windows.h>

#include <fstream>
#include <string>

int main()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH && std::ofstream(std::string(path) + ".started") ? 0 : 1;
}
