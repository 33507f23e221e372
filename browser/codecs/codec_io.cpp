#include "browser/codecs/codec_io.h"

#include "browser/codecs/simple_image.h"

uint8_t* ReadCodecFile(const char* path, uint64_t limit, size_t* size, bool* opened) {
    *size = 0;
    *opened = false;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    *opened = true;
    LARGE_INTEGER length{};
    uint8_t* data = nullptr;
    if (GetFileSizeEx(file, &length) && length.QuadPart > 0 && (uint64_t)length.QuadPart <= limit)
        data = SimpleAlloc((uint64_t)length.QuadPart);
    size_t done = 0;
    while (data && done < (size_t)length.QuadPart) {
        DWORD got = 0;
        const size_t left = (size_t)length.QuadPart - done;
        if (!ReadFile(file, data + done, left > 0x10000000 ? 0x10000000 : (DWORD)left, &got, nullptr) || got == 0) {
            GlobalFree(data);
            data = nullptr;
            break;
        }
        done += got;
    }
    CloseHandle(file);
    if (data) *size = done;
    return data;
}
