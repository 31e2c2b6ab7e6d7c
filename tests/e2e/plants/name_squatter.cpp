// Another program that holds the launcher's single-instance name and shows
// no window: name_squatter.exe (held|shut-out) MILLISECONDS. "held" owns the
// name as any program could; "shut-out" makes it with an access list that
// grants nobody anything. It holds it for the time given, then ends.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3)
        return 2;
    const bool shutOut = std::wcscmp(argv[1], L"shut-out") == 0;
    if (!shutOut && std::wcscmp(argv[1], L"held") != 0)
        return 2;
    const DWORD hold = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    HANDLE name = CreateMutexW(shutOut ? &attributes : nullptr, TRUE, L"Local\\QzSetupLauncher.QUENTARO");
    if (name == nullptr || GetLastError() == ERROR_ALREADY_EXISTS)
        return 1;
    Sleep(hold);
    CloseHandle(name);
    return 0;
}
