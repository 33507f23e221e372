// Entry of every test executable. A watchdog ends a run that hangs (a modal loop
// nobody answers, a deadlock) so that one stuck test cannot stall the whole suite;
// a crash or an abort ends the executable at once, naming the test that ran, so
// that no crash dialog or debugger waits on the hidden display.
#include <gtest/gtest.h>
#include <windows.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

// "Suite.Name" of the running test, or "(no test)" between tests.
static void RunningTestName(char* out, size_t size) {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    if (info)
        std::snprintf(out, size, "%s.%s", info->test_suite_name(), info->name());
    else
        std::snprintf(out, size, "(no test)");
}

// Ends the process without running anything else of it: another thread may
// hold the locks that an orderly exit would need.
[[noreturn]] static void EndAtOnce(UINT code) {
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), code);
    for (;;) Sleep(INFINITE);
}

static LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
    char name[512];
    RunningTestName(name, sizeof name);
    const EXCEPTION_RECORD* r = info ? info->ExceptionRecord : nullptr;
    std::fprintf(stderr, "\n*** crash in test %s: exception 0x%08lX at %p (thread %lu)\n", name,
                 r ? (unsigned long)r->ExceptionCode : 0ul, r ? r->ExceptionAddress : nullptr,
                 (unsigned long)GetCurrentThreadId());
    EndAtOnce(4);
}

static void OnAbort(int) {
    char name[512];
    RunningTestName(name, sizeof name);
    std::fprintf(stderr, "\n*** abort in test %s (thread %lu)\n", name, (unsigned long)GetCurrentThreadId());
    EndAtOnce(5);
}

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
    SetUnhandledExceptionFilter(OnCrash);
    std::signal(SIGABRT, OnAbort);
    return RUN_ALL_TESTS();
}
