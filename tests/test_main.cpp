// Entry of every test executable. A watchdog ends a run that hangs (a modal loop
// nobody answers, a deadlock) so that one stuck test cannot stall the whole suite.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

static DWORD WINAPI Watchdog(LPVOID param) {
    DWORD ms = (DWORD)(UINT_PTR)param;
    Sleep(ms);
    std::fprintf(stderr, "\n*** test watchdog: no end after %lu s, aborting\n", ms / 1000);
    std::fflush(stderr);
    ExitProcess(3);
    return 0;
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    DWORD seconds = 600;
    if (const char* s = std::getenv("DARNA_TEST_WATCHDOG")) seconds = (DWORD)std::atoi(s);
    if (seconds) CloseHandle(CreateThread(nullptr, 0, Watchdog, (LPVOID)(UINT_PTR)(seconds * 1000), 0, nullptr));
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    return RUN_ALL_TESTS();
}
