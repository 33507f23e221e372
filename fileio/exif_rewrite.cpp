// Rewriting of a JPEG or TIFF file that a writer plug-in produced, with the
// EXIF data of the model (c_ExifFile::WriteJpeg, c_ExifFile::WriteTiff).
#include <algorithm>
#include <cstring>

#include "ui/sysutil.h"
#include "fileio/exif_file.h"

namespace {

// Tags that describe the pixel data of the file they came from: a stored IFD0
// does not carry them into a file whose pixels a writer made.
const int32_t kImageDataTags[] = {
    254, 255, 258, 259, 262, 263, 264, 265, 266, 273, 277, 278, 279, 280, 281, 284, 292, 293, 317, 320,
    322, 323, 324, 325, 330, 338, 339, 340, 341, 347, 513, 514, 529, 530, 532,
};

void RemoveImageDataTags(c_Ifd& ifd) {
    for (int32_t tag : kImageDataTags)
        while (ifd.DeleteEntryByTag(tag) == 0) {}
}

// A one-value LONG pointer entry exists exactly when its IFD has entries.
void MatchPointer(c_Ifd& owner, int32_t tag, const char* name, bool wanted) {
    if (!wanted) {
        owner.DeleteEntry(name);
        return;
    }
    c_IfdEntry* e = owner.FindEntry(name);
    if (!e || e->type != TiffLong || e->count != 1) {
        uint32_t zero = 0;
        owner.AddEntry(tag, TiffLong, 1, &zero);
    }
}

// Removes the entry with the largest out-of-line values (pointers stay); 0 when none is left.
int DropLargestEntry(c_Ifd* const* ifds, int n) {
    c_Ifd* owner = nullptr;
    const c_IfdEntry* largest = nullptr;
    for (int i = 0; i < n; ++i)
        for (auto& kv : ifds[i]->Entries()) {
            const c_IfdEntry* e = kv.second;
            if (e->DataSize() > 4 && (!largest || e->DataSize() > largest->DataSize())) largest = e, owner = ifds[i];
        }
    if (!largest) return 0;
    owner->DeleteEntry(largest->englishName);
    return 1;
}

// The Exif IFD's picture size, added when the camera data lacks it (readers
// expect it beside the Exif data of a JPEG or TIFF).
void SetPictureSize(c_Ifd& exif, int width, int height) {
    const int32_t tags[2] = {40962, 40963};
    const char* names[2] = {"PixelXDimension", "PixelYDimension"};
    const int sizes[2] = {width, height};
    for (int i = 0; i < 2; ++i) {
        if (!sizes[i]) continue;
        uint32_t v = (uint32_t)sizes[i];
        if (exif.SetNumber(names[i], v) != 0) exif.AddEntry(tags[i], TiffLong, 1, &v);
    }
}

bool ReadWhole(const char* path, std::vector<uint8_t>* out) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 0x7FFFFFFF;
    if (ok) {
        out->resize((size_t)size.QuadPart);
        DWORD got = 0;
        ok = out->empty() || (ReadFile(file, out->data(), (DWORD)out->size(), &got, nullptr) && got == out->size());
    }
    CloseHandle(file);
    return ok;
}

struct JpegParts {
    const std::vector<uint8_t>* head;
    const std::vector<uint8_t>* body;
};

bool WriteJpegParts(HANDLE file, void* user) {
    const JpegParts* p = (const JpegParts*)user;
    return WriteAll(file, p->head->data(), p->head->size()) && WriteAll(file, p->body->data(), p->body->size());
}

struct TiffParts {
    const std::vector<uint8_t>* head;
    const char* source;
    int64_t dataAt, dataSize;
};

bool WriteTiffParts(HANDLE file, void* user) {
    const TiffParts* p = (const TiffParts*)user;
    if (!WriteAll(file, p->head->data(), p->head->size())) return false;
    HANDLE source = CreateFileA(p->source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (source == INVALID_HANDLE_VALUE) return false;
    TiffIo io{.file = source, .limit = p->dataAt + p->dataSize};
    std::vector<uint8_t> block(1 << 20);
    bool ok = true;
    for (int64_t done = 0; ok && done < p->dataSize;) {
        size_t n = (size_t)std::min<int64_t>((int64_t)block.size(), p->dataSize - done);
        ok = io.ReadAt(p->dataAt + done, block.data(), n) && WriteAll(file, block.data(), n);
        done += (int64_t)n;
    }
    CloseHandle(source);
    return ok;
}

}  // namespace

// The APP1 segment start of a rewritten JPEG: FF D8, FF E1, the length, "Exif"
// and the TIFF structure (IFD0, Exif, Interoperability, GPS, IFD1 with the
// thumbnail). Empty when nothing is to be written or it does not fit.
std::vector<uint8_t> c_ExifFile::BuildJpegExif(int width, int height, const uint8_t* thumbnail,
                                               int thumbnailSize) {
    std::vector<uint8_t> tiff;
    TiffIo out{.output = &tiff};
    PointAll(&out);
    SetAllOrder(1, 0);

    RemoveImageDataTags(ifd0_);
    ifd0_.DeleteEntry("StripOffsets");
    if (width) ifd0_.SetNumber("ImageWidth", (uint32_t)width);
    if (height) ifd0_.SetNumber("ImageLength", (uint32_t)height);
    exif_.DeleteEntry("MakerNote");
    MatchPointer(exif_, 40965, "InteroperabilityIFDPointer", interop_.EntryCount() > 0);
    MatchPointer(ifd0_, 34665, "ExifIFDPointer", exif_.EntryCount() > 0);
    MatchPointer(ifd0_, 34853, "GPSInfoIFDPointer", gps_.EntryCount() > 0);
    if (ifd0_.EntryCount() == 0) return {};

    ifd0_.WriteU16('I' | 'I' << 8);
    ifd0_.WriteU16(42);
    ifd0_.WriteU32(8);
    const int64_t link0 = ifd0_.WriteIfd(0);
    int64_t exifAt = 0, interopAt = 0, gpsAt = 0;
    if (exif_.EntryCount() > 0) {
        exifAt = exif_.Tell();
        SetPictureSize(exif_, width, height);
        exif_.WriteIfd(0);
        if (interop_.EntryCount() > 0) {
            interopAt = interop_.Tell();
            if (width) interop_.SetNumber("RelatedImageWidth", (uint32_t)width);
            if (height) interop_.SetNumber("RelatedImageLength", (uint32_t)height);
            interop_.WriteIfd(0);
        }
    }
    if (gps_.EntryCount() > 0) {
        gpsAt = gps_.Tell();
        gps_.WriteIfd(0);
    }
    if (ifd0_.SetNumber("ExifIFDPointer", (uint32_t)exifAt) == 0 && ifd0_.RewriteEntry("ExifIFDPointer") == 0 &&
        exif_.SetNumber("InteroperabilityIFDPointer", (uint32_t)interopAt) == 0)
        exif_.RewriteEntry("InteroperabilityIFDPointer");
    if (ifd0_.SetNumber("GPSInfoIFDPointer", (uint32_t)gpsAt) == 0) ifd0_.RewriteEntry("GPSInfoIFDPointer");

    if (thumbnail && thumbnailSize > 0) {
        int64_t p = ifd1_.Tell();
        if (p & 1) ifd1_.WriteU8(0), ++p;
        ifd1_.Seek(link0);
        ifd1_.WriteU32((uint32_t)p);
        ifd1_.Seek(p);
        uint32_t xres = ifd0_.GetValue("XResolution"), yres = ifd0_.GetValue("YResolution");
        if (!xres) xres = 96;
        if (!yres) yres = 96;
        struct { uint32_t tag, type, value; } rows[6] = {
            {259, TiffShort, 6}, {282, TiffRational, (uint32_t)p + 78}, {283, TiffRational, (uint32_t)p + 86},
            {296, TiffShort, 2}, {513, TiffLong, (uint32_t)p + 94}, {514, TiffLong, (uint32_t)thumbnailSize}};
        ifd1_.WriteU16(6);
        for (auto& r : rows) {
            ifd1_.WriteU16(r.tag);
            ifd1_.WriteU16(r.type);
            ifd1_.WriteU32(1);
            if (r.type == TiffShort) ifd1_.WriteU16(r.value), ifd1_.WriteU16(0);
            else ifd1_.WriteU32(r.value);
        }
        ifd1_.WriteU32(0);
        ifd1_.WriteU32(xres), ifd1_.WriteU32(1);
        ifd1_.WriteU32(yres), ifd1_.WriteU32(1);
        out.Write(thumbnail, (size_t)thumbnailSize);
    }
    while (tiff.size() % 4) tiff.push_back(0);

    // The segment length counts the writer's own start marker, which follows.
    const size_t end = 12 + tiff.size();
    if (end - 2 > 2 + (size_t)MaxApp1Data) return {};
    std::vector<uint8_t> head = {0xFF, 0xD8, 0xFF, 0xE1, (uint8_t)((end - 2) >> 8), (uint8_t)(end - 2),
                                 'E',  'x',  'i',  'f',  0,    0};
    head.insert(head.end(), tiff.begin(), tiff.end());
    return head;
}

int c_ExifFile::WriteJpeg(const char* path, int width, int height, const uint8_t* thumbnail, int thumbnailSize) {
    std::vector<uint8_t> body;
    if (!ReadWhole(path, &body)) return -1;
    if (body.size() < 4 || body[0] != 0xFF || body[1] != 0xD8) return -2;
    // A segment holds at most 65,533 bytes: the thumbnail is left out when
    // it does not fit, and values too large for any segment are dropped.
    c_Ifd* const shrinkable[4] = {&ifd0_, &exif_, &interop_, &gps_};
    std::vector<uint8_t> head;
    for (;;) {
        head = BuildJpegExif(width, height, thumbnail, thumbnailSize);
        if (head.empty()) head = BuildJpegExif(width, height, nullptr, 0);
        if (!head.empty() || ifd0_.EntryCount() == 0 || !DropLargestEntry(shrinkable, 4)) break;
    }
    PointAll(&io_);
    if (head.empty()) return -4;
    JpegParts parts{.head = &head, .body = &body};
    return WriteFileReplacingWith(path, WriteJpegParts, &parts) ? 0 : -1;
}

int c_ExifFile::WriteTiff(const char* path, int width, int height) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    LARGE_INTEGER size;
    TiffIo in{.file = file, .limit = GetFileSizeEx(file, &size) ? size.QuadPart : 0};
    uint8_t order[2] = {};
    in.ReadAt(0, order, 2);
    int littleEndian = -1;
    if (order[0] == 'I' && order[1] == 'I') littleEndian = 1;
    if (order[0] == 'M' && order[1] == 'M') littleEndian = 0;
    if (littleEndian < 0) {
        CloseHandle(file);
        return -2;
    }
    // The writer's own IFD0, unknown tags (predictor, extra samples ...) included.
    c_Ifd written;
    written.SetFile(&in);
    written.SetByteOrder(littleEndian);
    uint32_t magic = 0, first = 0;
    written.Seek(2);
    if (written.ReadU16(&magic) && written.ReadU32(&first)) written.ReadIfd(first);
    CloseHandle(file);
    in.file = INVALID_HANDLE_VALUE;
    const c_IfdEntry* strips = written.FindEntry("StripOffsets");
    const c_IfdEntry* counts = written.FindEntry("StripByteCounts");
    if (!strips || strips->values.empty() || !counts || counts->values.size() < strips->values.size()) return -3;
    uint32_t dataAt = UINT32_MAX;
    for (int32_t i = 0; i < strips->count; ++i) {
        uint32_t at = strips->values[i];
        if ((int64_t)at + counts->values[i] > in.limit) return -3;
        dataAt = std::min(dataAt, at);
    }
    const int64_t dataSize = in.limit - dataAt;

    // The stored IFD0 keeps its description tags; the pixel layout is the writer's.
    RemoveImageDataTags(ifd0_);
    for (auto& kv : written.Entries()) ifd0_.CopyEntry(kv.second);
    ifd0_.DeleteEntryByTag(330);
    if (c_IfdEntry* e = ifd0_.FindEntry("StripOffsets")) e->type = TiffLong;
    exif_.DeleteEntry("InteroperabilityIFDPointer");
    exif_.DeleteEntry("MakerNote");
    MatchPointer(ifd0_, 34665, "ExifIFDPointer", exif_.EntryCount() > 0);
    MatchPointer(ifd0_, 34853, "GPSInfoIFDPointer", gps_.EntryCount() > 0);

    std::vector<uint8_t> tiff;
    TiffIo out{.output = &tiff};
    PointAll(&out);
    SetAllOrder(littleEndian, 0);
    ifd0_.WriteU16(littleEndian ? 'I' | 'I' << 8 : 'M' << 8 | 'M');
    ifd0_.WriteU16(42);
    ifd0_.WriteU32(8);
    ifd0_.WriteIfd(0);
    int64_t exifAt = 0, gpsAt = 0;
    if (exif_.EntryCount() > 0) {
        exifAt = exif_.Tell();
        SetPictureSize(exif_, width, height);
        exif_.WriteIfd(0);
    }
    if (gps_.EntryCount() > 0) {
        gpsAt = gps_.Tell();
        gps_.WriteIfd(0);
    }
    while (tiff.size() < (size_t)gps_.Tell() || tiff.size() % 2) tiff.push_back(0);
    const int64_t dataNew = (int64_t)tiff.size();
    if (ifd0_.SetNumber("ExifIFDPointer", (uint32_t)exifAt) == 0) ifd0_.RewriteEntry("ExifIFDPointer");
    if (ifd0_.SetNumber("GPSInfoIFDPointer", (uint32_t)gpsAt) == 0) ifd0_.RewriteEntry("GPSInfoIFDPointer");
    c_IfdEntry* offsets = ifd0_.FindEntry("StripOffsets");
    std::vector<uint32_t> moved(offsets->values.begin(), offsets->values.begin() + offsets->count);
    for (uint32_t& v : moved) v = (uint32_t)(v - dataAt + dataNew);
    ifd0_.SetEntry("StripOffsets", offsets->count, moved.data());
    ifd0_.RewriteEntry("StripOffsets");
    PointAll(&io_);

    TiffParts parts{.head = &tiff, .source = path, .dataAt = dataAt, .dataSize = dataSize};
    return WriteFileReplacingWith(path, WriteTiffParts, &parts) ? 0 : -1;
}
