// Times a program's start-up until its window shows on the screen.
//
//   paint_timer --points X,Y;X,Y;... [--sample-ms N] PROGRAM.exe [ARGUMENT...]
//       starts PROGRAM (with its arguments), waits N ms (default 3000) and prints the colour of
//       each screen point as colours=RRGGBB;RRGGBB;...
//   paint_timer --points X,Y;... --colours RRGGBB;... [--timeout-ms N] [--poll-ms N] PROGRAM.exe [ARGUMENT...]
//       reads the clock, creates the process and reads the screen points
//       every N ms (default 1) until every one shows its colour; prints
//       paint_ms (process creation to the first complete match) and create_ms
//       (the CreateProcess call). Each read is a round trip to the display
//       server, which the program being timed needs too: a slower poll
//       disturbs it less.
// In both modes the program is ended afterwards. Exit code 0 when measured,
// 1 on a time-out or a failure, 2 on wrong arguments.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Point {
    int x = 0;
    int y = 0;
};

std::vector<std::wstring> Split(const std::wstring &text, wchar_t separator)
{
    std::vector<std::wstring> parts;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t next = text.find(separator, at);
        const std::wstring part = text.substr(at, next == std::wstring::npos ? std::wstring::npos : next - at);
        if (!part.empty())
            parts.push_back(part);
        if (next == std::wstring::npos)
            break;
        at = next + 1;
    }
    return parts;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// RRGGBB as written and read by this program.
unsigned Rgb(COLORREF colour)
{
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

bool Start(const std::wstring &program, const std::wstring &arguments, PROCESS_INFORMATION &process)
{
    std::wstring folder = program;
    const std::size_t slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? L"." : folder.substr(0, slash);
    std::wstring commandLine = L"\"" + program + L"\"" + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                          &startup, &process) != FALSE;
}

void End(PROCESS_INFORMATION &process)
{
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

int Usage()
{
    std::fwprintf(stderr, L"usage: paint_timer --points X,Y;... [--colours RRGGBB;...] [--sample-ms N] "
                          L"[--timeout-ms N] [--poll-ms N] PROGRAM.exe [ARGUMENT...]\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    std::vector<Point> points;
    std::vector<unsigned> colours;
    int sampleMs = 3000;
    int timeoutMs = 30000;
    int pollMs = 1;
    std::wstring program;
    std::wstring arguments;  // the program's, each after a space (none has one of its own)
    for (int i = 1; i < argc; ++i) {
        const std::wstring word = argv[i];
        if (!program.empty()) {
            arguments += L" " + word;
            continue;
        }
        const bool hasValue = i + 1 < argc;
        if (word == L"--points" && hasValue) {
            for (const std::wstring &pair : Split(argv[++i], L';')) {
                Point point;
                if (std::swscanf(pair.c_str(), L"%d,%d", &point.x, &point.y) != 2)
                    return Usage();
                points.push_back(point);
            }
        } else if (word == L"--colours" && hasValue) {
            for (const std::wstring &hex : Split(argv[++i], L';'))
                colours.push_back(static_cast<unsigned>(std::wcstoul(hex.c_str(), nullptr, 16)));
        } else if (word == L"--sample-ms" && hasValue) {
            sampleMs = std::wcstol(argv[++i], nullptr, 10);
        } else if (word == L"--poll-ms" && hasValue) {
            pollMs = std::wcstol(argv[++i], nullptr, 10);
        } else if (word == L"--timeout-ms" && hasValue) {
            timeoutMs = std::wcstol(argv[++i], nullptr, 10);
        } else if (word.rfind(L"--", 0) != 0) {
            program = word;
        } else {
            return Usage();
        }
    }
    if (program.empty() || points.empty() || (!colours.empty() && colours.size() != points.size()))
        return Usage();

    HDC screen = GetDC(nullptr);
    auto matches = [&] {
        for (std::size_t i = 0; i < points.size(); ++i)
            if (Rgb(GetPixel(screen, points[i].x, points[i].y)) != colours[i])
                return false;
        return true;
    };

    PROCESS_INFORMATION process{};
    if (colours.empty()) {
        if (!Start(program, arguments, process)) {
            std::fwprintf(stderr, L"paint_timer: cannot start %ls (error %lu)\n", program.c_str(), GetLastError());
            return 1;
        }
        Sleep(static_cast<DWORD>(sampleMs));
        std::wstring line = L"colours=";
        for (std::size_t i = 0; i < points.size(); ++i) {
            wchar_t hex[8];
            std::swprintf(hex, 8, L"%06X", Rgb(GetPixel(screen, points[i].x, points[i].y)));
            line += (i ? L";" : L"") + std::wstring(hex);
        }
        std::wprintf(L"%ls\n", line.c_str());
        End(process);
        return 0;
    }

    if (matches()) {
        std::fwprintf(stderr, L"paint_timer: the screen already shows the colours\n");
        return 1;
    }
    LARGE_INTEGER begin, created, now;
    QueryPerformanceCounter(&begin);
    if (!Start(program, arguments, process)) {
        std::fwprintf(stderr, L"paint_timer: cannot start %ls (error %lu)\n", program.c_str(), GetLastError());
        return 1;
    }
    QueryPerformanceCounter(&created);
    long polls = 0;
    bool seen = false;
    for (;;) {
        ++polls;
        QueryPerformanceCounter(&now);
        if (matches()) {
            seen = true;
            break;
        }
        if (Milliseconds(begin, now) > timeoutMs)
            break;
        Sleep(static_cast<DWORD>(pollMs));
    }
    if (seen)
        std::wprintf(L"paint_ms=%.2f\ncreate_ms=%.2f\npolls=%ld\n", Milliseconds(begin, now),
                     Milliseconds(begin, created), polls);
    else
        std::fwprintf(stderr, L"paint_timer: no complete paint within %d ms\n", timeoutMs);
    End(process);
    return seen ? 0 : 1;
}
