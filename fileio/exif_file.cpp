#include "fileio/exif_file.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "ui/sysutil.h"
#include "fileio/exif_blob.h"

namespace {

// Largest value block of one entry that the model takes (ICC profiles and
// XMP packets fit; a bogus count does not make it allocate gigabytes).
constexpr int64_t kMaxEntryBytes = 16 << 20;
// Display texts stop growing here (the dialog shows none above 180 characters).
constexpr size_t kMaxText = 1024;

void AppendText(std::string& text, const char* format, ...) {
    if (text.size() > kMaxText) return;
    char buffer[64];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    text += buffer;
}

uint32_t Get16(const uint8_t* p, int littleEndian) {
    return littleEndian ? (uint32_t)(p[0] | p[1] << 8) : (uint32_t)(p[0] << 8 | p[1]);
}
uint32_t Get32(const uint8_t* p, int littleEndian) {
    return littleEndian ? (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24
                        : (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | (uint32_t)p[3];
}
void Put16LE(uint8_t* p, uint32_t v) { p[0] = (uint8_t)v, p[1] = (uint8_t)(v >> 8); }
void Put32LE(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v, p[1] = (uint8_t)(v >> 8), p[2] = (uint8_t)(v >> 16), p[3] = (uint8_t)(v >> 24);
}

// Entries the model can write back: a type that carries values (or no values at all).
bool IsStorable(const c_IfdEntry* e) { return e->DataSize() > 0 || e->count == 0; }

// Turns `size` raw bytes of the entry's type into its value list and numeric text.
void DecodeValues(c_IfdEntry* e, const uint8_t* data, int littleEndian) {
    e->values.clear();
    e->valueText.clear();
    const uint32_t n = (uint32_t)e->count;
    switch (e->type) {
    case TiffAscii: {
        e->values.assign(data, data + n);
        bool lastZero = n > 0 && data[n - 1] == 0;
        e->values.push_back(0);
        if (!lastZero) e->values.push_back(0);
        size_t len = 0;
        while (len < n && data[len]) ++len;
        e->valueText.assign((const char*)data, len);
        return;
    }
    case TiffUndefined:
        e->values.assign(data, data + n);
        e->values.push_back(0);
        e->valueText = "0x: ";
        for (uint32_t v : e->values) AppendText(e->valueText, "%02x ", v);
        return;
    case TiffByte:
        for (uint32_t i = 0; i < n; ++i) e->values.push_back(data[i]), AppendText(e->valueText, " %u", data[i]);
        return;
    case TiffShort:
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t v = Get16(data + 2 * i, littleEndian);
            e->values.push_back(v);
            AppendText(e->valueText, " %u", v);
        }
        return;
    case TiffLong:
    case TiffSLong:
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t v = Get32(data + 4 * i, littleEndian);
            e->values.push_back(v);
            AppendText(e->valueText, e->type == TiffLong ? " %u" : " %d", v);
        }
        return;
    case TiffRational:
    case TiffSRational:
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t a = Get32(data + 8 * i, littleEndian), b = Get32(data + 8 * i + 4, littleEndian);
            e->values.push_back(a);
            e->values.push_back(b);
            AppendText(e->valueText, e->type == TiffRational ? " %u/%u" : " %d/%d", a, b);
        }
        return;
    default:
        return;
    }
}

// The entry's values as file bytes in the given order (exactly DataSize() bytes).
std::vector<uint8_t> EncodeValues(const c_IfdEntry* e, int littleEndian) {
    const int64_t size = e->DataSize();
    std::vector<uint8_t> out((size_t)(size > 0 ? size : 0));
    const int64_t unit = size > 0 && e->count > 0 ? size / e->count : 0;
    const size_t have = e->values.size();
    auto value = [&](size_t i) { return i < have ? e->values[i] : 0u; };
    for (int64_t i = 0; i < (int64_t)e->count && unit > 0; ++i) {
        uint8_t* p = out.data() + i * unit;
        switch (unit) {
        case 1: p[0] = (uint8_t)value((size_t)i); break;
        case 2: {
            uint32_t v = value((size_t)i);
            if (littleEndian) Put16LE(p, v); else p[0] = (uint8_t)(v >> 8), p[1] = (uint8_t)v;
            break;
        }
        case 4:
        case 8:
            for (int k = 0; k < unit / 4; ++k) {
                uint32_t v = value((size_t)(i * (unit / 4) + k));
                uint8_t* q = p + 4 * k;
                if (littleEndian) Put32LE(q, v);
                else q[0] = (uint8_t)(v >> 24), q[1] = (uint8_t)(v >> 16), q[2] = (uint8_t)(v >> 8), q[3] = (uint8_t)v;
            }
            break;
        }
    }
    return out;
}

// The row text of "<name>_<value>" in the table, or null.
const char* ValueRow(const IfdTagTable* table, const std::string& name, uint32_t value) {
    if (!table) return nullptr;
    char key[80];
    snprintf(key, sizeof(key), "%s_%u", name.c_str(), value);
    return IfdRowText(*table, key);
}

void ApplyValueRow(const IfdTagTable* table, c_IfdEntry* e) {
    if (e->values.empty()) return;
    if (const char* text = ValueRow(table, e->englishName, e->values[0])) e->valueText = text;
}

// The bytes of a BYTE/UNDEFINED entry shown as characters.
void BytesAsCharacters(c_IfdEntry* e) {
    e->valueText.clear();
    for (int32_t i = 0; i < e->count && i < (int32_t)e->values.size() && i < 64; ++i)
        if (e->values[i]) e->valueText += (char)e->values[i];
}

bool ContainsName(const char* const* names, size_t n, const std::string& name) {
    for (size_t i = 0; i < n; ++i)
        if (name == names[i]) return true;
    return false;
}

}  // namespace

int64_t TiffTypeSize(int32_t type, uint32_t count) {
    switch (type) {
    case TiffByte: case TiffAscii: case TiffUndefined: return count;
    case TiffShort: return 2 * (int64_t)count;
    case TiffLong: case TiffSLong: return 4 * (int64_t)count;
    case TiffRational: case TiffSRational: return 8 * (int64_t)count;
    default: return 0;
    }
}

int JisToShiftJis(char* target, int size, const uint8_t* source, int length) {
    if (target && size > 0) std::memset(target, 0, (size_t)size);
    int produced = 0;
    bool twoByte = false, kana = false;
    auto put = [&](int byte) {
        if (target) {
            if (produced >= size) return false;
            target[produced] = (char)byte;
        }
        ++produced;
        return true;
    };
    for (int i = 0; i < length;) {
        uint8_t c = source[i];
        if (c == 0x1B) {
            if (i + 2 < length && source[i + 1] == '$') twoByte = true, i += 3;
            else if (i + 2 < length && source[i + 1] == '(') twoByte = false, i += 3;
            else i += 2;
            continue;
        }
        if (twoByte) {
            if (i + 1 >= length) break;
            int j1 = source[i], j2 = source[i + 1];
            int s1 = ((j1 - 33) >> 1) + (j1 < 95 ? 129 : 193);
            int s2 = j2 + ((j1 & 1) ? (j2 < 96 ? 31 : 32) : 126);
            if (!put(s1) || !put(s2)) break;
            i += 2;
            continue;
        }
        if (c == 14) kana = true;
        else if (c == 15) kana = false;
        else if (!put(kana ? c + 128 : c)) break;
        ++i;
    }
    return produced;
}

// ---------------------------------------------------------------------------
// Byte access.

bool TiffIo::ReadAt(int64_t at, void* out, size_t size) {
    if (at < 0 || (int64_t)size > limit || at > limit - (int64_t)size) return false;
    if (memory) {
        std::memcpy(out, memory + at, size);
        return true;
    }
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER to;
    to.QuadPart = at;
    if (!SetFilePointerEx(file, to, nullptr, FILE_BEGIN)) return false;
    uint8_t* p = (uint8_t*)out;
    while (size > 0) {
        DWORD chunk = size > (1u << 30) ? (1u << 30) : (DWORD)size, got = 0;
        if (!ReadFile(file, p, chunk, &got, nullptr) || got == 0) return false;
        p += got;
        size -= got;
    }
    return true;
}

bool TiffIo::Read(void* out, size_t size) {
    if (!ReadAt(position, out, size)) return false;
    position += (int64_t)size;
    return true;
}

void TiffIo::Write(const void* data, size_t size) {
    if (!output || position < 0) return;
    if (output->size() < (size_t)position + size) output->resize((size_t)position + size);
    std::memcpy(output->data() + position, data, size);
    position += (int64_t)size;
}

bool c_TiffStream::ReadU8(uint8_t* v) { return io_ && io_->Read(v, 1); }
bool c_TiffStream::ReadU16(uint32_t* v) {
    uint8_t b[2];
    if (!io_ || !io_->Read(b, 2)) return false;
    *v = Get16(b, littleEndian_);
    return true;
}
bool c_TiffStream::ReadU32(uint32_t* v) {
    uint8_t b[4];
    if (!io_ || !io_->Read(b, 4)) return false;
    *v = Get32(b, littleEndian_);
    return true;
}
int c_TiffStream::WriteU8(uint32_t v) {
    if (!io_ || !io_->output) return 1;
    uint8_t b = (uint8_t)v;
    io_->Write(&b, 1);
    return 0;
}
int c_TiffStream::WriteU16(uint32_t v) {
    if (!io_ || !io_->output) return 1;
    uint8_t b[2] = {(uint8_t)(littleEndian_ ? v : v >> 8), (uint8_t)(littleEndian_ ? v >> 8 : v)};
    io_->Write(b, 2);
    return 0;
}
int c_TiffStream::WriteU32(uint32_t v) {
    if (!io_ || !io_->output) return 1;
    uint8_t b[4];
    if (littleEndian_) Put32LE(b, v);
    else b[0] = (uint8_t)(v >> 24), b[1] = (uint8_t)(v >> 16), b[2] = (uint8_t)(v >> 8), b[3] = (uint8_t)v;
    io_->Write(b, 4);
    return 0;
}
bool c_TiffStream::Inside(int64_t offset, int64_t size) const {
    if (!io_ || offset < 0 || size < 0) return false;
    int64_t at = base_ + offset;
    return at >= 0 && size <= io_->limit && at <= io_->limit - size;
}

// ---------------------------------------------------------------------------
// IFDs.

c_Ifd::~c_Ifd() { Clear(); }

void c_Ifd::Clear() {
    for (auto& kv : entries_) delete kv.second;
    entries_.clear();
}

std::string c_Ifd::EnglishName(uint32_t tag) const {
    const char* name = table_ ? IfdTagName(*table_, tag) : "";
    if (*name) return name;
    char hex[16];
    snprintf(hex, sizeof(hex), "%04x", tag & 0xFFFF);
    return hex;
}

std::string c_Ifd::JapaneseName(const std::string& englishName) const {
    const char* text = table_ ? IfdRowText(*table_, englishName.c_str()) : nullptr;
    return text ? text : "";
}

void c_Ifd::FormatValueText(c_IfdEntry* e) {
    static const char* const kRowTags[] = {"Compression", "PhotometricInterpretation", "Orientation",
                                           "PlanarConfiguration", "ResolutionUnit", "YCbCrPositioning"};
    if (ContainsName(kRowTags, std::size(kRowTags), e->englishName)) ApplyValueRow(table_, e);
}

void c_ExifIfd::FormatValueText(c_IfdEntry* e) {
    static const char* const kRowTags[] = {
        "ExposureProgram", "ColorSpace", "MeteringMode", "LightSource", "Flash", "FocalPlaneResolutionUnit",
        "SensingMethod", "FileSource", "SceneType", "CustomRendered", "ExposureMode", "WhiteBalance",
        "SceneCaptureType", "GainControl", "Contrast", "Saturation", "Sharpness", "SubjectDistanceRange"};
    const std::string& name = e->englishName;
    if (name == "UserComment") {
        if (e->count <= 8 || (int32_t)e->values.size() < e->count) return;
        char code[9] = {};
        for (int i = 0; i < 8; ++i) code[i] = (char)e->values[i];
        const int n = e->count - 8;
        std::vector<uint8_t> text(e->values.begin() + 8, e->values.begin() + e->count);
        if (std::strcmp(code, "ASCII") == 0 || std::memcmp(code, "\0\0\0\0\0\0\0\0", 8) == 0) {
            size_t len = 0;
            while (len < text.size() && text[len]) ++len;
            e->valueText.assign((const char*)text.data(), len);
        } else if (std::strcmp(code, "JIS") == 0) {
            int size = JisToShiftJis(nullptr, 0, text.data(), n);
            std::string out((size_t)size, '\0');
            JisToShiftJis(out.data(), size, text.data(), n);
            e->valueText = out.c_str();
        } else if (std::strcmp(code, "UNICODE") == 0) {
            std::vector<wchar_t> wide((size_t)n / 2 + 1, 0);
            for (int i = 0; i < n / 2; ++i) wide[i] = (wchar_t)Get16(text.data() + 2 * i, littleEndian_);
            int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), n / 2, nullptr, 0, nullptr, nullptr);
            std::string out((size_t)(size > 0 ? size : 0), '\0');
            if (size > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), n / 2, out.data(), size, nullptr, nullptr);
            e->valueText = out.c_str();
        }
    } else if (name == "ExifVersion" || name == "FlashPixVersion") {
        BytesAsCharacters(e);
    } else if (name == "ComponentsConfiguration") {
        std::string joined;
        for (int32_t i = 0; i < e->count && i < (int32_t)e->values.size(); ++i) {
            const char* row = ValueRow(table_, name, e->values[i]);
            if (!row) return;
            joined += row;
        }
        e->valueText = joined;
    } else if (name == "OECF" || name == "SpatialFrequencyResponse" || name == "CFAPattern") {
        e->valueText = "unsupported by this reader";
    } else if (ContainsName(kRowTags, std::size(kRowTags), name)) {
        ApplyValueRow(table_, e);
    }
}

void c_GpsIfd::FormatValueText(c_IfdEntry* e) {
    static const int kRowTags[] = {1, 3, 5, 9, 10, 12, 14, 16, 19, 21, 23, 25};
    if (std::find(std::begin(kRowTags), std::end(kRowTags), e->tag) == std::end(kRowTags) || e->values.empty())
        return;
    // Reference tags are one letter ("N", "E", "K"): their rows are keyed by it.
    char key[80];
    if (e->type == TiffAscii && e->values[0] >= 'A' && e->values[0] <= 'Z')
        snprintf(key, sizeof(key), "%s_%c", e->englishName.c_str(), (char)e->values[0]);
    else
        snprintf(key, sizeof(key), "%s_%u", e->englishName.c_str(), e->values[0]);
    if (const char* text = IfdRowText(*table_, key)) e->valueText = text;
}

void c_InteropIfd::FormatValueText(c_IfdEntry* e) {
    if (e->englishName == "InteroperabilityVersion") BytesAsCharacters(e);
}

std::string c_UnknownIfd::EnglishName(uint32_t tag) const {
    char hex[16];
    snprintf(hex, sizeof(hex), "%04x", tag & 0xFFFF);
    return hex;
}

void c_Ifd::Insert(c_IfdEntry* e) {
    auto it = entries_.find(e->englishName);
    if (it != entries_.end()) {
        delete it->second;
        it->second = e;
    } else {
        entries_[e->englishName] = e;
    }
}

uint32_t c_Ifd::ReadIfd(int64_t offset) {
    uint32_t count = 0;
    if (!Inside(offset, 2)) return 0;
    Seek(offset);
    if (!ReadU16(&count)) return 0;
    // Only the records that lie inside the bytes.
    int64_t room = (io_->limit - (base_ + offset + 2)) / 12;
    uint32_t readable = (int64_t)count > room ? (uint32_t)(room > 0 ? room : 0) : count;
    for (uint32_t i = 0; i < readable; ++i) ReadEntry(offset + 2 + 12 * (int64_t)i);
    if (readable < count) return 0;
    uint32_t link = 0;
    Seek(offset + 2 + 12 * (int64_t)count);
    if (!ReadU32(&link)) return 0;
    return link;
}

int c_Ifd::ReadEntry(int64_t position) {
    uint32_t tag = 0, type = 0, count = 0;
    Seek(position);
    if (!ReadU16(&tag) || !ReadU16(&type) || !ReadU32(&count)) return 0;
    const int64_t size = TiffTypeSize((int32_t)type, count);
    if (size == 0 && count > 0) return 0;   // a type without values: nothing to keep
    if (size > kMaxEntryBytes) return 0;
    c_IfdEntry* e = new c_IfdEntry;
    e->recordPosition = (int32_t)position;
    e->tag = (int32_t)tag;
    e->type = (int32_t)type;
    e->count = (int32_t)count;
    e->englishName = EnglishName(tag);
    e->japaneseName = JapaneseName(e->englishName);
    int64_t at = position + 8;
    if (size > 4) {
        uint32_t offset = 0;
        if (!ReadU32(&offset) || !Inside(offset, size)) {
            delete e;
            return 0;
        }
        e->valueOffset = (int32_t)offset;
        at = offset;
    }
    if (!ReadEntryValues(e, at) || e->englishName.empty()) {
        delete e;
        return 0;
    }
    Insert(e);
    return 1;
}

int c_Ifd::ReadEntryValues(c_IfdEntry* e, int64_t at) {
    const int64_t size = e->DataSize();
    std::vector<uint8_t> data((size_t)size + 1);
    if (size > 0 && !io_->ReadAt(base_ + at, data.data(), (size_t)size)) return 0;
    DecodeValues(e, data.data(), littleEndian_);
    FormatValueText(e);
    return 1;
}

c_IfdEntry* c_Ifd::FindEntry(const std::string& name) const {
    auto it = entries_.find(name);
    return it == entries_.end() ? nullptr : it->second;
}

c_IfdEntry* c_Ifd::FindEntryByTag(int32_t tag) const {
    for (auto& kv : entries_)
        if (kv.second->tag == tag) return kv.second;
    return nullptr;
}

uint32_t c_Ifd::GetValue(const std::string& name) const {
    c_IfdEntry* e = FindEntry(name);
    return e && !e->values.empty() ? e->values[0] : 0;
}

void c_Ifd::StoreEntryValues(c_IfdEntry* e) {
    std::vector<uint8_t> bytes = EncodeValues(e, 1);
    bytes.push_back(0);
    DecodeValues(e, bytes.data(), 1);
    FormatValueText(e);
}

int c_Ifd::SetEntry(const std::string& name, int32_t count, const uint32_t* values) {
    c_IfdEntry* e = FindEntry(name);
    if (!e || count < 0) return -1;
    const int64_t units = TiffTypeSize(e->type, (uint32_t)count);
    const int64_t per = e->type == TiffRational || e->type == TiffSRational ? 2 : 1;
    if (units > kMaxEntryBytes) return -1;
    e->count = count;
    e->values.assign(values, values + per * count);
    StoreEntryValues(e);
    return 0;
}

int c_Ifd::SetNumber(const std::string& name, uint32_t value) {
    c_IfdEntry* e = FindEntry(name);
    if (!e) return -1;
    if (e->type != TiffLong && (e->type != TiffShort || value > 0xFFFF)) e->type = TiffLong;
    return SetEntry(name, 1, &value);
}

int c_Ifd::DeleteEntry(const std::string& name) {
    auto it = entries_.find(name);
    if (it == entries_.end()) return -1;
    delete it->second;
    entries_.erase(it);
    return 0;
}

int c_Ifd::DeleteEntryByTag(int32_t tag) {
    c_IfdEntry* e = FindEntryByTag(tag);
    return e ? DeleteEntry(e->englishName) : -1;
}

c_IfdEntry* c_Ifd::AddEntry(int32_t tag, int32_t type, int32_t count, const uint32_t* values) {
    c_IfdEntry* e = new c_IfdEntry;
    e->tag = tag;
    e->type = type;
    e->count = count;
    const int per = type == TiffRational || type == TiffSRational ? 2 : 1;
    e->values.assign(values, values + per * count);
    e->englishName = EnglishName((uint32_t)tag);
    e->japaneseName = JapaneseName(e->englishName);
    DeleteEntryByTag(tag);
    StoreEntryValues(e);
    Insert(e);
    return e;
}

void c_Ifd::CopyEntry(const c_IfdEntry* source) {
    c_IfdEntry* e = new c_IfdEntry(*source);
    e->englishName = EnglishName((uint32_t)e->tag);
    e->japaneseName = JapaneseName(e->englishName);
    DeleteEntryByTag(e->tag);
    Insert(e);
}

std::vector<c_IfdEntry*> c_Ifd::SortedByTag() const {
    std::vector<c_IfdEntry*> list;
    for (auto& kv : entries_) list.push_back(kv.second);
    std::stable_sort(list.begin(), list.end(), [](c_IfdEntry* a, c_IfdEntry* b) { return a->tag < b->tag; });
    return list;
}

int c_Ifd::EnumEntries(IfdEntryCallback callback, void* user) const {
    for (c_IfdEntry* e : SortedByTag())
        if (!callback(e, user)) break;
    return 1;
}

void c_Ifd::WriteEntryData(const c_IfdEntry* e) {
    std::vector<uint8_t> bytes = EncodeValues(e, littleEndian_);
    if (!bytes.empty()) io_->Write(bytes.data(), bytes.size());
}

int64_t c_Ifd::WriteIfd(int64_t valuesPosition) {
    std::vector<c_IfdEntry*> list;
    for (c_IfdEntry* e : SortedByTag())
        if (IsStorable(e)) list.push_back(e);
    if (list.empty() || !io_ || !io_->output) return 0;
    const int64_t start = Tell();
    const int64_t link = start + 2 + 12 * (int64_t)list.size();
    int64_t values = valuesPosition > 0 ? valuesPosition : link + 4;
    WriteU16((uint32_t)list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        c_IfdEntry* e = list[i];
        e->recordPosition = (int32_t)(start + 2 + 12 * (int64_t)i);
        WriteU16((uint32_t)e->tag);
        WriteU16((uint32_t)e->type);
        WriteU32((uint32_t)e->count);
        const int64_t size = e->DataSize();
        if (size <= 4) {
            e->valueOffset = 0;
            const int64_t before = Tell();
            WriteEntryData(e);
            while (Tell() < before + 4) WriteU8(0);
            continue;
        }
        values += values & 1;   // word-aligned values
        e->valueOffset = (int32_t)values;
        WriteU32((uint32_t)values);
        const int64_t back = Tell();
        Seek(values);
        WriteEntryData(e);
        values = Tell();
        Seek(back);
    }
    WriteU32(0);
    Seek(values > link + 4 ? values : link + 4);
    return link;
}

int c_Ifd::RewriteEntry(const std::string& name) {
    c_IfdEntry* e = FindEntry(name);
    return e ? RewriteEntryAt(e) : -1;
}

int c_Ifd::RewriteEntryAt(c_IfdEntry* e) {
    if (!io_ || !io_->output || e->recordPosition <= 0 || !IsStorable(e)) return -1;
    const int64_t back = Tell();
    Seek(e->recordPosition);
    WriteU16((uint32_t)e->tag);
    WriteU16((uint32_t)e->type);
    WriteU32((uint32_t)e->count);
    if (e->DataSize() <= 4) {
        const int64_t before = Tell();
        WriteEntryData(e);
        while (Tell() < before + 4) WriteU8(0);
    } else {
        WriteU32((uint32_t)e->valueOffset);
        Seek(e->valueOffset);
        WriteEntryData(e);
    }
    Seek(back);
    return 0;
}

int64_t c_Ifd::MeasurePacked() const {
    int64_t size = 0;
    for (auto& kv : entries_) {
        if (!IsStorable(kv.second)) continue;
        int64_t data = kv.second->DataSize();
        size += 12 + (data > 4 ? data : 0);
    }
    return size;
}

void c_Ifd::PackEntries(uint8_t* blob, uint32_t recordsAt, uint32_t valuesAt) const {
    uint8_t* record = blob + recordsAt;
    uint32_t values = valuesAt;
    for (auto& kv : entries_) {
        const c_IfdEntry* e = kv.second;
        if (!IsStorable(e)) continue;
        Put16LE(record, (uint32_t)e->tag);
        Put16LE(record + 2, (uint32_t)e->type);
        Put32LE(record + 4, (uint32_t)e->count);
        std::vector<uint8_t> bytes = EncodeValues(e, 1);
        if (bytes.size() <= 4) {
            std::memset(record + 8, 0, 4);
            if (!bytes.empty()) std::memcpy(record + 8, bytes.data(), bytes.size());
        } else {
            Put32LE(record + 8, values);
            std::memcpy(blob + values, bytes.data(), bytes.size());
            values += (uint32_t)bytes.size();
        }
        record += 12;
    }
}

void c_Ifd::UnpackEntries(const uint8_t* blob, size_t size, uint32_t recordsAt, uint32_t count) {
    if (recordsAt < sizeof(ExifBlobHeader) || recordsAt > size) return;
    const uint64_t room = (size - recordsAt) / 12;
    if (count > room) count = (uint32_t)room;
    Clear();
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* record = blob + recordsAt + 12 * (size_t)i;
        const int32_t tag = (int32_t)Get16(record, 1), type = (int32_t)Get16(record + 2, 1);
        const uint32_t n = Get32(record + 4, 1);
        const int64_t data = TiffTypeSize(type, n);
        if ((data == 0 && n > 0) || data > kMaxEntryBytes) continue;
        const uint8_t* values = record + 8;
        if (data > 4) {
            uint32_t at = Get32(record + 8, 1);
            if ((uint64_t)at + (uint64_t)data > size) continue;
            values = blob + at;
        }
        std::vector<uint8_t> bytes(values, values + data);
        bytes.push_back(0);
        c_IfdEntry* entry = new c_IfdEntry;
        entry->tag = tag;
        entry->type = type;
        entry->count = (int32_t)n;
        entry->recordPosition = 10 + 12 * (int32_t)i;
        entry->englishName = EnglishName((uint32_t)tag);
        entry->japaneseName = JapaneseName(entry->englishName);
        DecodeValues(entry, bytes.data(), 1);
        FormatValueText(entry);
        Insert(entry);
    }
}

// ---------------------------------------------------------------------------
// The file.

c_ExifFile::c_ExifFile() { PointAll(&io_); }
c_ExifFile::~c_ExifFile() = default;   // members go in reverse order: IFD1 first

void c_ExifFile::PointAll(TiffIo* io) {
    for (c_Ifd* ifd : {(c_Ifd*)&makerNote_, (c_Ifd*)&interop_, (c_Ifd*)&gps_, (c_Ifd*)&exif_, &ifd0_, &ifd1_})
        ifd->SetFile(io);
}

void c_ExifFile::SetAllOrder(int littleEndian, int64_t base) {
    for (c_Ifd* ifd : {(c_Ifd*)&makerNote_, (c_Ifd*)&interop_, (c_Ifd*)&gps_, (c_Ifd*)&exif_, &ifd0_, &ifd1_}) {
        ifd->SetByteOrder(littleEndian);
        ifd->SetBase(base);
    }
}

int c_ExifFile::Load(const char* path) {
    if (!path) return -1;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) size.QuadPart = 0;
    snprintf(path_, sizeof(path_), "%s", path);
    io_ = TiffIo{.file = file, .limit = size.QuadPart};
    PointAll(&io_);
    int result = Parse();
    CloseHandle(file);
    io_.file = INVALID_HANDLE_VALUE;
    return result;
}

int c_ExifFile::LoadMemory(const uint8_t* bytes, size_t size) {
    io_ = TiffIo{.memory = bytes, .limit = bytes ? (int64_t)size : 0};
    PointAll(&io_);
    int result = Parse();
    io_.memory = nullptr;
    io_.limit = 0;
    return result;
}

int c_ExifFile::Parse() {
    uint8_t head[2];
    if (!io_.ReadAt(0, head, 2)) return -12;
    if (head[0] != 0xFF) return ParseTiff(0, false, io_.limit);
    if (head[1] != 0xD8) return -12;
    int64_t at = 2;
    for (;;) {
        uint8_t segment[8] = {};
        if (!io_.ReadAt(at, segment, 4) || segment[0] != 0xFF) return -11;
        const int code = segment[1];
        const int64_t length = segment[2] << 8 | segment[3];
        if (length < 2) return -11;
        const int64_t end = at + 2 + length;
        if (code == 0xE1 && length >= 8 && io_.ReadAt(at + 4, segment + 4, 4) && std::memcmp(segment + 4, "Exif", 4) == 0) {
            // "Exif", padding zeros, then the TIFF header.
            int64_t base = at + 8;
            uint8_t b = 0;
            while (base < end && io_.ReadAt(base, &b, 1) && b == 0) ++base;
            return ParseTiff(base, true, end < io_.limit ? end : io_.limit);
        }
        // Other application segments (JFIF, XMP, ICC ...) and comments are passed over.
        if (code < 0xE0 || code == 0xFF) return -11;
        at = end;
    }
}

int c_ExifFile::ParseTiff(int64_t base, bool jpeg, int64_t end) {
    io_.limit = end;
    uint8_t order[2];
    if (!io_.ReadAt(base, order, 2)) return -12;
    int littleEndian;
    if (order[0] == 'I' && order[1] == 'I') littleEndian = 1;
    else if (order[0] == 'M' && order[1] == 'M') littleEndian = 0;
    else return -12;
    SetAllOrder(littleEndian, base);
    uint32_t magic = 0, first = 0;
    ifd0_.Seek(2);
    if (!ifd0_.ReadU16(&magic)) return -13;
    if (magic != 42 && magic != 0x4F52 && magic != 0x5352) return -13;
    if (!ifd0_.ReadU32(&first)) return -13;
    const uint32_t next = ifd0_.ReadIfd(first);
    const c_IfdEntry* exifPointer = ifd0_.FindEntry("ExifIFDPointer");
    const c_IfdEntry* gpsPointer = ifd0_.FindEntry("GPSInfoIFDPointer");
    if (exifPointer || gpsPointer || jpeg) {
        if (next != 0 && next != first) {
            ifd1_.ReadIfd(next);
            const c_IfdEntry* format = ifd1_.FindEntry("JPEGInterchangeFormat");
            const c_IfdEntry* length = ifd1_.FindEntry("JPEGInterchangeFormatLength");
            if (format && length) {
                thumbnailKind_ = 1;
                const uint32_t at = ifd1_.GetValue("JPEGInterchangeFormat");
                const uint32_t size = ifd1_.GetValue("JPEGInterchangeFormatLength");
                if (size > 0 && ifd1_.Inside(at, size)) {
                    thumbnailOffset_ = base + at;
                    thumbnailLength_ = (int32_t)size;
                }
                stripAdjustment_ = 0;
            } else if (ifd1_.EntryCount() > 0) {
                thumbnailKind_ = 0;
                const int64_t e = jpeg ? end - base : ifd0_.GetValue("StripOffsets");
                thumbnailOffset_ = base + next;
                thumbnailLength_ = (int32_t)std::max<int64_t>(0, e - next);
                stripAdjustment_ = (int32_t)(e - ifd1_.GetValue("StripOffsets"));
            }
        }
    }
    if (exifPointer) {
        const int32_t at = (int32_t)ifd0_.GetValue("ExifIFDPointer");
        if (at <= 0) return -1;
        exif_.ReadIfd(at);
        const int32_t interop = (int32_t)exif_.GetValue("InteroperabilityIFDPointer");
        if (interop > 0) interop_.ReadIfd(interop);
    }
    if (gpsPointer) {
        const int32_t at = (int32_t)ifd0_.GetValue("GPSInfoIFDPointer");
        if (at <= 0) return -3;
        gps_.ReadIfd(at);
    }
    ReadMakerNoteIfd();
    return 0;
}

void c_ExifFile::ReadMakerNoteIfd() {
    const c_IfdEntry* note = exif_.FindEntry("MakerNote");
    if (!note || note->values.size() < 6 || note->valueOffset <= 0) return;
    char head[6] = {};
    for (int i = 0; i < 5; ++i) head[i] = (char)note->values[i];
    if (CompareNoCase(head, "OLYMP") != 0) return;
    makerNote_.ReadIfd((int64_t)note->valueOffset + 8);
    if (const c_IfdEntry* thumb = makerNote_.FindEntryByTag(0x0100)) {
        if (thumb->valueOffset > 0 && makerNote_.Inside(thumb->valueOffset, thumb->count)) {
            thumbnailKind_ = 1;
            thumbnailOffset_ = makerNote_.Base() + thumb->valueOffset;
            thumbnailLength_ = thumb->count;
        }
    }
}

void c_ExifFile::EnumAllEntries(IfdEntryCallback callback, void* user) const {
    ifd0_.EnumEntries(callback, user);
    exif_.EnumEntries(callback, user);
    interop_.EnumEntries(callback, user);
    gps_.EnumEntries(callback, user);
}

int64_t c_ExifFile::Pack(uint8_t* target) const {
    const c_Ifd* order[5] = {&ifd0_, &exif_, &interop_, &gps_, &makerNote_};
    ExifBlobHeader header = {};
    int64_t at = sizeof(ExifBlobHeader);
    for (int i = 0; i < 5; ++i) {
        int records = 0;
        for (auto& kv : order[i]->Entries()) records += IsStorable(kv.second) ? 1 : 0;
        header.ifd[i].records = (uint32_t)at;
        header.ifd[i].count = (uint32_t)records;
        header.ifd[i].values = (uint32_t)(at + 12 * (int64_t)records);
        at += order[i]->MeasurePacked();
    }
    if (!target) return at;
    header.thumbnailOffset = thumbnailOffset_ > 0 && thumbnailOffset_ < INT32_MAX ? (int32_t)thumbnailOffset_ : 0;
    header.thumbnailLength = header.thumbnailOffset ? thumbnailLength_ : 0;
    snprintf(header.path, sizeof(header.path), "%s", path_);
    // Little-endian fields whatever the machine.
    uint8_t* h = target;
    for (int i = 0; i < 5; ++i) {
        Put32LE(h + 12 * i, header.ifd[i].records);
        Put32LE(h + 12 * i + 4, header.ifd[i].values);
        Put32LE(h + 12 * i + 8, header.ifd[i].count);
    }
    Put32LE(h + 60, (uint32_t)header.thumbnailOffset);
    Put32LE(h + 64, (uint32_t)header.thumbnailLength);
    std::memcpy(h + 68, header.path, sizeof(header.path));
    for (int i = 0; i < 5; ++i)
        if (header.ifd[i].count) order[i]->PackEntries(target, header.ifd[i].records, header.ifd[i].values);
    return at;
}

int c_ExifFile::Unpack(const uint8_t* blob, size_t size) {
    if (!blob || size < sizeof(ExifBlobHeader)) return -1;
    c_Ifd* order[5] = {&ifd0_, &exif_, &interop_, &gps_, &makerNote_};
    for (int i = 0; i < 5; ++i) {
        uint32_t count = Get32(blob + 12 * i + 8, 1);
        if (count) order[i]->UnpackEntries(blob, size, Get32(blob + 12 * i, 1), count);
    }
    int32_t offset = (int32_t)Get32(blob + 60, 1), length = (int32_t)Get32(blob + 64, 1);
    thumbnailOffset_ = offset > 0 ? offset : 0;
    thumbnailLength_ = offset > 0 && length > 0 ? length : 0;
    std::memcpy(path_, blob + 68, sizeof(path_) - 1);
    path_[sizeof(path_) - 1] = 0;
    return 0;
}

int c_ExifFile::ReadThumbnail(uint8_t* buffer, int* notAvailable) const {
    if (notAvailable) *notAvailable = 0;
    if (thumbnailOffset_ <= 0 || thumbnailLength_ <= 0) {
        if (notAvailable) *notAvailable = 1;
        return 0;
    }
    if (thumbnailKind_ != 1) {
        if (notAvailable) *notAvailable = 1;
        return -1;
    }
    if (!buffer) return thumbnailLength_;
    HANDLE file = CreateFileA(path_, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    LARGE_INTEGER size;
    TiffIo io{.file = file, .limit = GetFileSizeEx(file, &size) ? size.QuadPart : 0};
    bool ok = io.ReadAt(thumbnailOffset_, buffer, (size_t)thumbnailLength_);
    CloseHandle(file);
    return ok ? thumbnailLength_ : -1;
}
