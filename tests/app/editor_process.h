// The real build/dist/darnaedit.exe started in its own process on a program
// folder of the test's, with the test log of its message boxes.
#pragma once
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"

namespace apptest {

inline std::string EditorPath() { return testsupport::ExeFolder() + "..\\dist\\darnaedit.exe"; }

// An environment block of this process plus the given variables.
inline std::string EnvironmentWith(const std::vector<std::string>& extra) {
    std::string block;
    char* env = GetEnvironmentStringsA();
    for (const char* p = env; *p; p += strlen(p) + 1) {
        std::string entry(p);
        if (entry.rfind("DARNA_PROGRAM_FOLDER=", 0) == 0 || entry.rfind("DARNA_TEST_LOG=", 0) == 0) continue;
        block += entry;
        block += '\0';
    }
    FreeEnvironmentStringsA(env);
    for (const std::string& e : extra) {
        block += e;
        block += '\0';
    }
    block += '\0';
    return block;
}

struct Editor {
    PROCESS_INFORMATION pi = {};
    bool Start(const std::string& folder, const std::string& log, const std::vector<std::string>& args) {
        std::string command;
        command.append(1, '"').append(EditorPath()).append(1, '"');
        for (const std::string& a : args) command.append(" \"").append(a).append(1, '"');
        std::string env = EnvironmentWith({"DARNA_PROGRAM_FOLDER=" + folder, "DARNA_TEST_LOG=" + log});
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::vector<char> line(command.begin(), command.end());
        line.push_back(0);
        return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, (void*)env.data(), nullptr, &si,
                              &pi) != 0;
    }
    // The frame window of this process once it is shown, waiting up to timeoutMs.
    HWND Frame(DWORD timeoutMs = 20000) {
        DWORD start = GetTickCount();
        do {
            for (HWND w = FindWindowExA(nullptr, nullptr, "dvw_", nullptr); w;
                 w = FindWindowExA(nullptr, w, "dvw_", nullptr)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == pi.dwProcessId && IsWindowVisible(w)) return w;
            }
            Sleep(50);
        } while (GetTickCount() - start < timeoutMs);
        return nullptr;
    }
    // Exit code, or -1 when the process did not end in time.
    int Wait(DWORD timeoutMs = 20000) {
        if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        return (int)code;
    }
    ~Editor() {
        if (pi.hProcess) {
            if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 9);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
    }
};

}  // namespace apptest
