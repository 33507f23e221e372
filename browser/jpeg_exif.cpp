#include "browser/jpeg_exif.h"

#include <cstdint>
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

// Reads and writes 16- and 32-bit numbers of the TIFF structure in its byte order.
struct TiffBytes {
    std::string& b;
    bool big;
    bool Has(size_t at, size_t n) const { return at <= b.size() && n <= b.size() - at; }
    uint32_t U16(size_t at) const {
        const unsigned char* p = (const unsigned char*)b.data() + at;
        return big ? (uint32_t)(p[0] << 8 | p[1]) : (uint32_t)(p[1] << 8 | p[0]);
    }
    uint32_t U32(size_t at) const {
        return big ? (U16(at) << 16 | U16(at + 2)) : (U16(at + 2) << 16 | U16(at));
    }
    void Put32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + (size_t)i] = (char)(big ? v >> (24 - 8 * i) : v >> (8 * i));
    }
};

}  // namespace

bool ReplaceExifThumbnail(const std::string& segment, const std::string& thumbnail, std::string* out) {
    constexpr size_t kTiffStart = 10;   // marker, length, "Exif\0\0"
    if (segment.size() < kTiffStart + 8 || std::memcmp(segment.data() + 4, "Exif\0\0", 6) != 0) return false;
    std::string tiff = segment.substr(kTiffStart);
    if (tiff.compare(0, 2, "II") != 0 && tiff.compare(0, 2, "MM") != 0) return false;
    TiffBytes t{tiff, tiff[0] == 'M'};
    const size_t ifd0 = t.U32(4);
    if (!t.Has(ifd0, 2)) return false;
    const size_t n0 = t.U16(ifd0);
    if (!t.Has(ifd0 + 2, n0 * 12 + 4)) return false;
    const size_t ifd1 = t.U32(ifd0 + 2 + n0 * 12);
    if (ifd1 == 0 || !t.Has(ifd1, 2)) return false;
    const size_t n1 = t.U16(ifd1);
    if (!t.Has(ifd1 + 2, n1 * 12)) return false;
    size_t offsetEntry = 0, lengthEntry = 0;
    for (size_t i = 0; i < n1; ++i) {
        const size_t e = ifd1 + 2 + i * 12;
        if (t.U16(e) == 0x0201) offsetEntry = e;
        if (t.U16(e) == 0x0202) lengthEntry = e;
    }
    if (!offsetEntry || !lengthEntry) return false;
    const size_t at = t.U32(offsetEntry + 8), length = t.U32(lengthEntry + 8);
    if (!t.Has(at, length) || at + length != tiff.size() || at <= ifd1 + 2 + n1 * 12) return false;
    t.Put32(lengthEntry + 8, (uint32_t)thumbnail.size());
    tiff.resize(at);
    tiff += thumbnail;
    const size_t segmentLength = 2 + 6 + tiff.size();
    if (segmentLength > 0xFFFF) return false;
    *out = std::string("\xFF\xE1", 2);
    out->push_back((char)(segmentLength >> 8));
    out->push_back((char)(segmentLength & 0xFF));
    out->append("Exif\0\0", 6);
    *out += tiff;
    return true;
}

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
