#include "plugins/native/native_format.h"

#include <zlib.h>

namespace dra {

using namespace plug;

const uint8_t kSignature[8] = {'D', 'R', 'A', 'F', 0x0D, 0x0A, 0x1A, 0x0A};

void PutHead(const Head& h, uint8_t out[kHeadBytes]) {
    PutLe16(out, kMajor);
    PutLe16(out + 2, kMinor);
    PutLe32(out + 4, (uint32_t)h.width);
    PutLe32(out + 8, (uint32_t)h.height);
    PutLe32(out + 12, (uint32_t)h.xResolution);
    PutLe32(out + 16, (uint32_t)h.yResolution);
    PutLe32(out + 20, (uint32_t)h.layers);
    PutLe32(out + 24, (uint32_t)h.currentLayer);
    PutLe32(out + 28, (uint32_t)h.strokeLayerPlane);
    PutLe32(out + 32, h.flags);
}

bool GetHead(const uint8_t* d, size_t size, Head* h) {
    if (size < kHeadBytes || Le16(d) != kMajor) return false;
    h->width = (int32_t)Le32(d + 4);
    h->height = (int32_t)Le32(d + 8);
    h->xResolution = (int32_t)Le32(d + 12);
    h->yResolution = (int32_t)Le32(d + 16);
    h->layers = (int32_t)Le32(d + 20);
    h->currentLayer = (int32_t)Le32(d + 24);
    h->strokeLayerPlane = (int32_t)Le32(d + 28);
    h->flags = Le32(d + 32);
    return h->width >= 1 && h->width <= kMaxSide && h->height >= 1 && h->height <= kMaxSide &&
           h->layers >= 1 && h->layers <= kMaxLayers;
}

size_t PutLayer(const Layer& l, uint8_t* out) {
    std::memset(out, 0, kLayerFixedBytes);
    const int32_t fields[11] = {l.index, l.left, l.top, l.width, l.height, l.bits, l.layerNumber,
                                l.one, l.blendMode, l.transparency, l.visible};
    for (int i = 0; i < 11; ++i) PutLe32(out + 4 * i, (uint32_t)fields[i]);
    std::memcpy(out + 44, l.optionValue, 8);
    std::memcpy(out + 52, l.optionByte, 8);
    for (int i = 0; i < 10; ++i) PutLe32(out + 60 + 4 * i, (uint32_t)l.planeFlags[i]);
    std::memcpy(out + 100, l.planeNames, 70);
    for (int i = 0; i < 7; ++i) PutLe32(out + 170 + 4 * i, (uint32_t)l.planeValues[i]);
    size_t n = strnlen(l.name, 255);
    PutLe16(out + 198, (uint32_t)n);
    std::memcpy(out + kLayerFixedBytes, l.name, n);
    return kLayerFixedBytes + n;
}

bool GetLayer(const uint8_t* d, size_t size, Layer* l) {
    if (size < kLayerFixedBytes) return false;
    int32_t* fields[11] = {&l->index, &l->left, &l->top, &l->width, &l->height, &l->bits,
                           &l->layerNumber, &l->one, &l->blendMode, &l->transparency, &l->visible};
    for (int i = 0; i < 11; ++i) *fields[i] = (int32_t)Le32(d + 4 * i);
    std::memcpy(l->optionValue, d + 44, 8);
    std::memcpy(l->optionByte, d + 52, 8);
    for (int i = 0; i < 10; ++i) l->planeFlags[i] = (int32_t)Le32(d + 60 + 4 * i);
    std::memcpy(l->planeNames, d + 100, 70);
    for (int i = 0; i < 7; ++i) l->planeValues[i] = (int32_t)Le32(d + 170 + 4 * i);
    size_t n = Le16(d + 198);
    if (n > 255 || kLayerFixedBytes + n > size) return false;
    std::memset(l->name, 0, sizeof(l->name));
    std::memcpy(l->name, d + kLayerFixedBytes, n);
    return l->width >= 1 && l->width <= kMaxSide && l->height >= 1 && l->height <= kMaxSide &&
           l->bits == 24;
}

void PutBand(const Band& b, uint8_t out[kBandHeadBytes]) {
    PutLe32(out, (uint32_t)b.layer);
    PutLe32(out + 4, (uint32_t)b.plane);
    PutLe32(out + 8, (uint32_t)b.firstRow);
    PutLe32(out + 12, (uint32_t)b.rows);
    PutLe32(out + 16, b.rawSize);
    PutLe32(out + 20, b.filter);
}

bool GetBand(const uint8_t* d, size_t size, Band* b) {
    if (size < kBandHeadBytes) return false;
    b->layer = (int32_t)Le32(d);
    b->plane = (int32_t)Le32(d + 4);
    b->firstRow = (int32_t)Le32(d + 8);
    b->rows = (int32_t)Le32(d + 12);
    b->rawSize = Le32(d + 16);
    b->filter = Le32(d + 20);
    return b->rows >= 1 && b->rows <= kMaxSide && b->firstRow >= 0 && b->plane >= 0 && b->plane <= 7 &&
           b->rawSize <= kMaxBandRaw && b->filter <= 1;
}

void FilterRows(uint8_t* data, size_t rows, size_t rowBytes, int bpp) {
    for (size_t r = 0; r < rows; ++r) {
        uint8_t* p = data + r * rowBytes;
        for (size_t i = rowBytes; i-- > (size_t)bpp;) p[i] = (uint8_t)(p[i] - p[i - bpp]);
    }
}

void UnfilterRows(uint8_t* data, size_t rows, size_t rowBytes, int bpp) {
    for (size_t r = 0; r < rows; ++r) {
        uint8_t* p = data + r * rowBytes;
        for (size_t i = (size_t)bpp; i < rowBytes; ++i) p[i] = (uint8_t)(p[i] + p[i - bpp]);
    }
}

bool ChunkWriter::Signature() { return file_->Write(kSignature, sizeof(kSignature)); }

bool ChunkWriter::Chunk(uint32_t type, const void* a, size_t aSize, const void* b, size_t bSize) {
    if (aSize + bSize > kMaxChunk) return false;
    uint8_t head[8];
    PutLe32(head, (uint32_t)(aSize + bSize));
    PutLe32(head + 4, type);
    uLong crc = crc32(0, head + 4, 4);
    if (aSize) crc = crc32(crc, (const Bytef*)a, (uInt)aSize);
    if (bSize) crc = crc32(crc, (const Bytef*)b, (uInt)bSize);
    uint8_t tail[4];
    PutLe32(tail, (uint32_t)crc);
    return file_->Write(head, 8) && (!aSize || file_->Write(a, aSize)) && (!bSize || file_->Write(b, bSize)) &&
           file_->Write(tail, 4);
}

bool ChunkReader::Signature() {
    uint8_t sig[8];
    return file_->Seek(0) && file_->Read(sig, 8) && std::memcmp(sig, kSignature, 8) == 0;
}

bool ChunkReader::Next(uint32_t* type, uint32_t* length) {
    uint8_t head[8];
    int64_t at = file_->Tell();
    if (at < 0 || at + 12 > size_ || !file_->Read(head, 8)) return false;
    length_ = Le32(head);
    type_ = Le32(head + 4);
    payload_ = at + 8;
    if (length_ > kMaxChunk || payload_ + (int64_t)length_ + 4 > size_) return false;
    *type = type_;
    *length = length_;
    return true;
}

bool ChunkReader::Read(uint8_t* out) {
    uint8_t tail[4], typeBytes[4];
    if (!file_->Seek(payload_) || (length_ && !file_->Read(out, length_)) || !file_->Read(tail, 4)) return false;
    PutLe32(typeBytes, type_);
    uLong crc = crc32(0, typeBytes, 4);
    if (length_) crc = crc32(crc, out, (uInt)length_);
    return (uint32_t)crc == Le32(tail);
}

bool ChunkReader::Skip() { return file_->Seek(payload_ + (int64_t)length_ + 4); }

}  // namespace dra
