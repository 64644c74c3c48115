// What an attacker leaves in the working folder under the name of one of the program's own
// libraries: loaded, it leaves a mark beside itself ("pelderwick_lines.dll.loaded").

#include <string>
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) {
        std::wstring mark(MAX_PATH, L'\0');
        mark.resize(GetModuleFileNameW(self, mark.data(), static_cast<DWORD>(mark.size())));
        const HANDLE file = CreateFileW((mark + L".loaded").c_str(), GENERIC_WRITE, 0, nullptr,
            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        CloseHandle(file);
    }
    return TRUE;
}
