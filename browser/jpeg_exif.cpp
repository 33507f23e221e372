#include "browser/jpeg_exif.h"

#include <cstring>

namespace {

// Walks the marker segments before the image data: f(offset, marker, total
// length of the segment) for each; stops at start-of-scan or end-of-image.
// False when the bytes are no JPEG or a segment runs past the end.
template <typename F>
bool WalkSegments(const std::string& j, F f) {
    const unsigned char* b = (const unsigned char*)j.data();
    const size_t n = j.size();
    if (n < 4 || b[0] != 0xFF || b[1] != 0xD8) return false;
    size_t pos = 2;
    while (pos + 4 <= n) {
        if (b[pos] != 0xFF) return false;
        const unsigned char marker = b[pos + 1];
        if (marker == 0xFF) {   // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return true;
        const size_t length = ((size_t)b[pos + 2] << 8) | b[pos + 3];
        if (length < 2 || pos + 2 + length > n) return false;
        if (!f(pos, marker, length + 2)) return true;
        pos += 2 + length;
    }
    return false;
}

bool IsExif(const std::string& j, size_t pos, unsigned char marker, size_t total) {
    return marker == 0xE1 && total >= 10 && std::memcmp(j.data() + pos + 4, "Exif\0\0", 6) == 0;
}

}  // namespace

bool ExtractJpegExif(const std::string& jpeg, std::string* segment) {
    bool found = false;
    bool ok = WalkSegments(jpeg, [&](size_t pos, unsigned char marker, size_t total) {
        if (!IsExif(jpeg, pos, marker, total)) return true;
        *segment = jpeg.substr(pos, total);
        found = true;
        return false;
    });
    return ok && found;
}

bool InsertJpegExif(const std::string& jpeg, const std::string& segment, std::string* out) {
    std::string rest;
    size_t copiedTo = 2;
    bool ok = WalkSegments(jpeg, [&](size_t pos, unsigned char marker, size_t total) {
        if (IsExif(jpeg, pos, marker, total)) {
            rest.append(jpeg, copiedTo, pos - copiedTo);
            copiedTo = pos + total;
        }
        return true;
    });
    if (!ok) return false;
    rest.append(jpeg, copiedTo, std::string::npos);
    *out = jpeg.substr(0, 2) + segment + rest;
    return true;
}
