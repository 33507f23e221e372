// The EXIF model: c_ExifFile holds the EXIF data of one JPEG or TIFF file (or
// of an ExifBlob) as six IFDs of TIFF entries, each entry with its raw values,
// English and Japanese tag names and a display text of its values. The IFD
// kinds name their entries from the dictionaries of exif_tags.h; tags a
// dictionary does not know are kept under their "%04x" number (without a
// Japanese name), so that rewriting a file loses nothing.
//
// Every count, offset and size read from a file or blob is checked against
// the bytes that are there: a malformed block reads as no EXIF data or as its
// readable part, never outside the block.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fileio/exif_tags.h"

enum TiffType : int32_t {
    TiffByte = 1, TiffAscii = 2, TiffShort = 3, TiffLong = 4, TiffRational = 5, TiffSByte = 6,
    TiffUndefined = 7, TiffSShort = 8, TiffSLong = 9, TiffSRational = 10,
};

// Bytes of `count` values of a type: BYTE, ASCII, UNDEFINED 1; SHORT 2; LONG,
// SLONG 4; RATIONAL, SRATIONAL 8; every other type 0. 64-bit, never overflows.
int64_t TiffTypeSize(int32_t type, uint32_t count);

// ISO-2022-JP to Shift-JIS; returns the bytes produced (with a null target it
// only counts). The target is zero-filled first and never overrun.
int JisToShiftJis(char* target, int size, const uint8_t* source, int length);

class c_IfdEntry {
public:
    virtual ~c_IfdEntry() = default;
    int32_t recordPosition = 0;   // relative position of its 12-byte record
    int32_t tag = 0;
    int32_t type = 0;
    int32_t count = 0;
    int32_t valueOffset = 0;      // out-of-line values as read (or written), 0 inline
    std::string englishName, japaneseName, valueText;
    // One per byte (BYTE, ASCII, UNDEFINED), one per value (SHORT, LONG,
    // SLONG), numerator and denominator per RATIONAL and SRATIONAL.
    std::vector<uint32_t> values;
    // Bytes of the values in a file (0: the type carries none).
    int64_t DataSize() const { return TiffTypeSize(type, (uint32_t)count); }
};

// Byte access of the model: reads from a file or memory, bounded by an
// absolute end; writes into a memory image of the new TIFF structure.
struct TiffIo {
    const uint8_t* memory = nullptr;   // read source, or
    HANDLE file = INVALID_HANDLE_VALUE;
    int64_t limit = 0;                 // absolute end of the readable bytes
    int64_t position = 0;              // absolute read or write position
    std::vector<uint8_t>* output = nullptr;
    bool ReadAt(int64_t at, void* out, size_t size);
    bool Read(void* out, size_t size);
    void Write(const void* data, size_t size);   // at position, growing the output
};

class c_TiffStream {
public:
    virtual ~c_TiffStream() = default;
    void SetByteOrder(int littleEndian) { littleEndian_ = littleEndian; }
    int ByteOrder() const { return littleEndian_; }
    void SetFile(TiffIo* io) { io_ = io; }
    void SetBase(int64_t base) { base_ = base; }
    int64_t Base() const { return base_; }
    // Reads fail (false) past the end of the bytes.
    bool ReadU8(uint8_t* v);
    bool ReadU16(uint32_t* v);
    bool ReadU32(uint32_t* v);
    // The write operations return non-zero on failure (no output).
    int WriteU8(uint32_t v);
    int WriteU16(uint32_t v);
    int WriteU32(uint32_t v);
    void Seek(int64_t offset) { io_->position = base_ + offset; }
    int64_t Tell() const { return io_->position - base_; }
    void SeekAbsolute(int64_t position) { io_->position = position; }
    int64_t Position() const { return io_->position; }
    // 1 when `size` bytes from the relative offset are readable.
    bool Inside(int64_t offset, int64_t size) const;
protected:
    int littleEndian_ = 1;
    int64_t base_ = 0;
    TiffIo* io_ = nullptr;
};

typedef int (*IfdEntryCallback)(const c_IfdEntry* entry, void* user);

class c_Ifd : public c_TiffStream {
public:
    c_Ifd() = default;
    ~c_Ifd() override;
    c_Ifd(const c_Ifd&) = delete;
    c_Ifd& operator=(const c_Ifd&) = delete;

    virtual void FormatValueText(c_IfdEntry* entry);
    virtual std::string EnglishName(uint32_t tag) const;
    virtual std::string JapaneseName(const std::string& englishName) const;

    // Reads the IFD at a relative offset: its records (as many as the bytes
    // hold) into the map. Returns the next-IFD link, 0 when it cannot be read.
    uint32_t ReadIfd(int64_t offset);
    // Reads one 12-byte record at a relative position; 1 when an entry was added.
    int ReadEntry(int64_t position);

    c_IfdEntry* FindEntry(const std::string& name) const;
    c_IfdEntry* FindEntryByTag(int32_t tag) const;
    bool HasEntry(const std::string& name) const { return FindEntry(name) != nullptr; }
    uint32_t GetValue(const std::string& name) const;
    int SetEntry(const std::string& name, int32_t count, const uint32_t* values);
    // Sets a one-value SHORT or LONG entry, widening SHORT to LONG when needed.
    int SetNumber(const std::string& name, uint32_t value);
    int DeleteEntry(const std::string& name);
    int DeleteEntryByTag(int32_t tag);
    void CopyEntry(const c_IfdEntry* entry);
    // Adds a new entry (replacing one with the same tag).
    c_IfdEntry* AddEntry(int32_t tag, int32_t type, int32_t count, const uint32_t* values);
    void Clear();
    int EntryCount() const { return (int)entries_.size(); }
    int EnumEntries(IfdEntryCallback callback, void* user) const;
    const std::map<std::string, c_IfdEntry*>& Entries() const { return entries_; }

    // Writes the IFD at the current position: the count, the records in
    // ascending tag order, the link (0) and the out-of-line values (each at an
    // even offset) from `valuesPosition` (> 0) or right after the link.
    // Returns the relative position of the link, 0 when nothing was written.
    int64_t WriteIfd(int64_t valuesPosition);
    int RewriteEntry(const std::string& name);
    int RewriteEntryAt(c_IfdEntry* entry);

    // Packed form (ExifBlob): records and the value area.
    int64_t MeasurePacked() const;
    void PackEntries(uint8_t* blob, uint32_t recordsAt, uint32_t valuesAt) const;
    void UnpackEntries(const uint8_t* blob, size_t size, uint32_t recordsAt, uint32_t count);

protected:
    int ReadEntryValues(c_IfdEntry* entry, int64_t at);
    void WriteEntryData(const c_IfdEntry* entry);
    void StoreEntryValues(c_IfdEntry* entry);
    void Insert(c_IfdEntry* entry);
    std::vector<c_IfdEntry*> SortedByTag() const;
    const IfdTagTable* table_ = &kTiffTagTable;
    std::map<std::string, c_IfdEntry*> entries_;
};

class c_ExifIfd : public c_Ifd {
public:
    c_ExifIfd() { table_ = &kExifTagTable; }
    void FormatValueText(c_IfdEntry* entry) override;
};

class c_GpsIfd : public c_Ifd {
public:
    c_GpsIfd() { table_ = &kGpsTagTable; }
    void FormatValueText(c_IfdEntry* entry) override;
};

class c_InteropIfd : public c_Ifd {
public:
    c_InteropIfd() { table_ = &kInteropTagTable; }
    void FormatValueText(c_IfdEntry* entry) override;
};

class c_UnknownIfd : public c_Ifd {
public:
    c_UnknownIfd() { table_ = nullptr; }
    void FormatValueText(c_IfdEntry*) override {}
    std::string EnglishName(uint32_t tag) const override;
    std::string JapaneseName(const std::string& englishName) const override { return englishName; }
};

class c_ExifFile {
public:
    c_ExifFile();
    ~c_ExifFile();
    c_ExifFile(const c_ExifFile&) = delete;
    c_ExifFile& operator=(const c_ExifFile&) = delete;

    // 0, or a negative code: -1 the file cannot be opened (or an Exif pointer
    // of 0 or less), -2 a bad IFD1 link, -3 a bad GPS pointer, -11 no EXIF
    // segment before the image data, -12 not JPEG or TIFF, -13 bad magic.
    int Load(const char* path);
    // The same on bytes in memory (a JPEG or TIFF file's beginning).
    int LoadMemory(const uint8_t* bytes, size_t size);
    int Parse();

    // IFD0, Exif, Interoperability, GPS; a callback result of 0 ends one IFD's walk.
    void EnumAllEntries(IfdEntryCallback callback, void* user) const;

    // ExifBlob: Pack measures with a null target; Unpack checks every record
    // against `size` (-1 for a null or too short blob, else 0).
    int64_t Pack(uint8_t* target) const;
    int Unpack(const uint8_t* blob, size_t size);

    // Rewrite a file that a writer plug-in produced (exif_blob.h).
    int WriteJpeg(const char* path, int width, int height, const uint8_t* thumbnail, int thumbnailSize);
    int WriteTiff(const char* path, int width, int height);

    // With a null buffer: the thumbnail length (0 none, -1 strips) and
    // `notAvailable`. With a buffer of that length: reads it from the file.
    int ReadThumbnail(uint8_t* buffer, int* notAvailable) const;

    c_Ifd& Ifd0() { return ifd0_; }
    c_Ifd& Ifd1() { return ifd1_; }
    c_ExifIfd& Exif() { return exif_; }
    c_GpsIfd& Gps() { return gps_; }
    c_InteropIfd& Interop() { return interop_; }
    c_UnknownIfd& MakerNote() { return makerNote_; }
    const char* Path() const { return path_; }
    int ThumbnailKind() const { return thumbnailKind_; }
    int64_t ThumbnailOffset() const { return thumbnailOffset_; }
    int32_t ThumbnailLength() const { return thumbnailLength_; }

    // Largest EXIF segment data of a JPEG file.
    enum : int { MaxApp1Data = 65533 };

private:
    void PointAll(TiffIo* io);
    void SetAllOrder(int littleEndian, int64_t base);
    int ParseTiff(int64_t base, bool jpeg, int64_t segmentEnd);
    void ReadMakerNoteIfd();
    std::vector<uint8_t> BuildJpegExif(int width, int height, const uint8_t* thumbnail, int thumbnailSize);

    c_UnknownIfd makerNote_;
    c_InteropIfd interop_;
    c_GpsIfd gps_;
    c_ExifIfd exif_;
    c_Ifd ifd0_;
    c_Ifd ifd1_;
    TiffIo io_;
    char path_[MAX_PATH] = {};
    int thumbnailKind_ = 1;          // 1 JPEG stream, 0 strips
    int64_t thumbnailOffset_ = 0;    // absolute position in the file
    int32_t thumbnailLength_ = 0;
    int32_t stripAdjustment_ = 0;
};
