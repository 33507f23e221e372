// Chunks and records of the native layered format (see FORMAT.md beside this
// file), shared by draload.dll and drasave.dll.
#pragma once
#include "plugins/common/plugin_common.h"

namespace dra {

extern const uint8_t kSignature[8];
constexpr uint32_t kMaxChunk = 256u << 20;
constexpr uint32_t kMaxBandRaw = 64u << 20;
constexpr int kMaxSide = 30000;
constexpr int kMaxLayers = 128;
constexpr uint16_t kMajor = 1, kMinor = 0;
constexpr uint32_t kHeadBytes = 36, kLayerFixedBytes = 200, kBandHeadBytes = 24;
constexpr uint32_t kFlagComposite = 1;

constexpr uint32_t Tag(char a, char b, char c, char d) {
    return (uint32_t)(uint8_t)a | ((uint32_t)(uint8_t)b << 8) | ((uint32_t)(uint8_t)c << 16) |
           ((uint32_t)(uint8_t)d << 24);
}
constexpr uint32_t kHead = Tag('H', 'E', 'A', 'D'), kLayer = Tag('L', 'A', 'Y', 'R'),
                   kPlane = Tag('P', 'L', 'N', 'E'), kPreview = Tag('P', 'R', 'E', 'V'),
                   kExif = Tag('E', 'X', 'I', 'F'), kEnd = Tag('D', 'E', 'N', 'D');

struct Head {
    int32_t width = 0, height = 0, xResolution = 0, yResolution = 0, layers = 0, currentLayer = 0,
            strokeLayerPlane = -1;
    uint32_t flags = 0;
};

struct Layer {
    int32_t index = 0, left = 0, top = 0, width = 0, height = 0, bits = 24, layerNumber = 0, one = 1,
            blendMode = 1, transparency = 0, visible = 1;
    int8_t optionValue[8] = {};
    uint8_t optionByte[8] = {};
    int32_t planeFlags[10] = {};
    char planeNames[7][10] = {};
    int32_t planeValues[7] = {};
    char name[256] = {};
};

struct Band {
    int32_t layer = 0, plane = 0, firstRow = 0, rows = 0;
    uint32_t rawSize = 0, filter = 0;
};

void PutHead(const Head& h, uint8_t out[kHeadBytes]);
bool GetHead(const uint8_t* data, size_t size, Head* h);
// Returns the payload size written into `out` (at least kLayerFixedBytes + 255 bytes).
size_t PutLayer(const Layer& l, uint8_t* out);
bool GetLayer(const uint8_t* data, size_t size, Layer* l);
void PutBand(const Band& b, uint8_t out[kBandHeadBytes]);
bool GetBand(const uint8_t* data, size_t size, Band* b);

// Bytes a row of a plane holds: 3 a pixel for the image plane and the composite.
inline int64_t RowBytes(int width, int plane) { return plane == 0 ? (int64_t)width * 3 : width; }

// Left-neighbour difference filter (filter 1) in place over rows of `rowBytes`.
void FilterRows(uint8_t* data, size_t rows, size_t rowBytes, int bpp);
void UnfilterRows(uint8_t* data, size_t rows, size_t rowBytes, int bpp);

// Writes chunks to a file, computing their CRCs.
class ChunkWriter {
public:
    explicit ChunkWriter(plug::File* file) : file_(file) {}
    bool Signature();
    // One chunk whose payload is `a` followed by `b`.
    bool Chunk(uint32_t type, const void* a, size_t aSize, const void* b = nullptr, size_t bSize = 0);
private:
    plug::File* file_;
};

// Reads chunks from a file sequentially.
class ChunkReader {
public:
    explicit ChunkReader(plug::File* file) : file_(file), size_(file->Size()) {}
    bool Signature();
    // Next chunk's type and length; the payload is then read or skipped. False
    // at a broken chain (length past the end of the file or over the limit).
    bool Next(uint32_t* type, uint32_t* length);
    // Payload of the current chunk into `out` (its length) and its CRC checked.
    bool Read(uint8_t* out);
    bool Skip();
    // Offset of the current chunk's payload.
    int64_t PayloadOffset() const { return payload_; }
    bool AtEnd() const { return file_->Tell() == size_; }
private:
    plug::File* file_;
    int64_t size_;
    int64_t payload_ = 0;
    uint32_t type_ = 0, length_ = 0;
};

}  // namespace dra
