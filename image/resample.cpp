// c_Dib resampling: nearest neighbour, the 8-bit area resize, bicubic
// enlargement with two cubic kernels and the box-average shrink.
#include <atomic>
#include <cmath>
#include <cstring>

#include "image/c_dib.h"
#include "image/c_dib_util.h"
#include "image/progress.h"
#include "image/vms_store.h"

using dibutil::Alloc;

namespace {

// Kernel 1: the cubic with B = C = 1/3. Kernel 2: cubic convolution, a = -1.
double Kernel(int kernel, double x) {
    if (kernel == 1) {
        if (x < 1) return (7.0 / 6.0) * x * x * x - 2 * x * x + 8.0 / 9.0;
        if (x < 2) return -(7.0 / 18.0) * x * x * x + 2 * x * x - (10.0 / 3.0) * x + 16.0 / 9.0;
        return 0;
    }
    if (x < 1) return x * x * x - 2 * x * x + 1;
    if (x < 2) return -x * x * x + 5 * x * x - 8 * x + 4;
    return 0;
}

// Tap weights x 256 for fractions f / 256, both kernels, built once.
struct CubicTables {
    int16_t w[3][256][4];   // [kernel][fraction][tap]
    CubicTables() {
        std::memset(w, 0, sizeof(w));
        for (int k = 1; k <= 2; ++k)
            for (int f = 0; f < 256; ++f) {
                double t = f / 256.0;
                w[k][f][0] = (int16_t)(int)(256 * Kernel(k, 1 + t));
                w[k][f][1] = (int16_t)(int)(256 * Kernel(k, t));
                w[k][f][2] = (int16_t)(int)(256 * Kernel(k, 1 - t));
                w[k][f][3] = (int16_t)(int)(256 * Kernel(k, 2 - t));
            }
    }
};

const CubicTables& Tables() {
    static const CubicTables tables;
    return tables;
}

std::atomic<int> g_cubicKernel{0};   // the remembered kernel number

inline int KernelIndex(int kernel) { return kernel == 1 ? 1 : 2; }

// Rows of the source filtered horizontally (x 256, four lanes a pixel), kept
// for the four most recent source rows.
class HorizontalRows {
public:
    bool Init(const VmsImage* src, int dstWidth, int kernel) {
        src_ = src;
        w_ = dstWidth;
        const int W = src->width;
        const auto& t = Tables().w[KernelIndex(kernel)];
        index_ = Alloc<int32_t>((size_t)w_ * 4);
        weight_ = Alloc<int32_t>((size_t)w_ * 4);
        raw_ = Alloc<uint32_t>((size_t)W);
        store_ = Alloc<int32_t>((size_t)w_ * 4 * 4);
        if (!index_ || !weight_ || !raw_ || !store_) return false;
        for (int j = 0; j < w_; ++j) {
            int64_t p = (int64_t)j * W;
            int sx = (int)(p / w_);
            int fx = (int)((p % w_) * 256 / w_);
            for (int k = 0; k < 4; ++k) {
                int c = sx - 1 + k;
                index_[j * 4 + k] = c < 0 ? 0 : (c > W - 1 ? W - 1 : c);
                weight_[j * 4 + k] = t[fx][k];
            }
        }
        for (int s = 0; s < 4; ++s) rowOf_[s] = -1;
        return true;
    }

    // The filtered row of source row r (already clamped).
    const int32_t* Get(int r) {
        for (int s = 0; s < 4; ++s)
            if (rowOf_[s] == r) return store_.get() + (size_t)s * w_ * 4;
        int victim = 0;
        for (int s = 1; s < 4; ++s)
            if (rowOf_[s] < rowOf_[victim]) victim = s;
        rowOf_[victim] = r;
        int32_t* out = store_.get() + (size_t)victim * w_ * 4;
        g_VmsStore.GetRow(src_, r, 0, src_->width - 1, raw_.get());
        const uint8_t* px = (const uint8_t*)raw_.get();
        const int32_t* idx = index_.get();
        const int32_t* wt = weight_.get();
        for (int j = 0; j < w_; ++j, idx += 4, wt += 4, out += 4) {
            const uint8_t* a = px + (size_t)idx[0] * 4;
            const uint8_t* b = px + (size_t)idx[1] * 4;
            const uint8_t* c = px + (size_t)idx[2] * 4;
            const uint8_t* d = px + (size_t)idx[3] * 4;
            for (int ch = 0; ch < 4; ++ch) out[ch] = wt[0] * a[ch] + wt[1] * b[ch] + wt[2] * c[ch] + wt[3] * d[ch];
        }
        return store_.get() + (size_t)victim * w_ * 4;
    }

private:
    const VmsImage* src_ = nullptr;
    int w_ = 0;
    int rowOf_[4];
    std::unique_ptr<int32_t[]> index_, weight_, store_;
    std::unique_ptr<uint32_t[]> raw_;
};

// One output row from four filtered rows and the row weights.
void VerticalRow(const int32_t* r0, const int32_t* r1, const int32_t* r2, const int32_t* r3,
                 int w0, int w1, int w2, int w3, int n, uint32_t* out) {
    for (int j = 0; j < n; ++j) {
        uint32_t px = 0;
        for (int ch = 0; ch < 3; ++ch) {
            int k = j * 4 + ch;
            int s = w0 * r0[k] + w1 * r1[k] + w2 * r2[k] + w3 * r3[k];
            s >>= 16;
            s = s < 0 ? 0 : (s > 255 ? 255 : s);
            px |= (uint32_t)s << (8 * ch);
        }
        out[j] = px;
    }
}

}  // namespace

void c_Dib::SetCubicKernel(int kernel) {
    if (kernel == 1 || kernel == 2) Tables();
    g_cubicKernel = kernel;
}

void c_Dib::GetCubicWeights(int kernel, int fraction, int weights[4]) {
    const auto& t = Tables().w[KernelIndex(kernel)][fraction & 255];
    for (int k = 0; k < 4; ++k) weights[k] = t[k];
}

int c_Dib::ResampleBicubic(const VmsImage* src, VmsImage* dst, int kernel, int progress) {
    if (!src || !dst || src->bits != 32 || dst->bits != 32) return 0;
    SetCubicKernel(kernel);
    const int H = src->height, w = dst->width, h = dst->height;
    HorizontalRows rows;
    auto out = Alloc<uint32_t>((size_t)w);
    if (!out || !rows.Init(src, w, kernel)) return 0;
    const auto& t = Tables().w[KernelIndex(kernel)];
    for (int i = 0; i < h; ++i) {
        if (progress && i % 5 == 0) SendProgress((int)((int64_t)i * 100 / h));
        int64_t p = (int64_t)i * H;
        int sy = (int)(p / h);
        int fy = (int)((p % h) * 256 / h);
        const int32_t* r[4];
        for (int k = 0; k < 4; ++k) {
            int rr = sy - 1 + k;
            r[k] = rows.Get(rr < 0 ? 0 : (rr > H - 1 ? H - 1 : rr));
        }
        VerticalRow(r[0], r[1], r[2], r[3], t[fy][0], t[fy][1], t[fy][2], t[fy][3], w, out.get());
        g_VmsStore.PutRow(dst, i, 0, w - 1, out.get());
    }
    if (progress) SendProgressEnd();
    return 1;
}

int c_Dib::ShrinkArea32(const VmsImage* src, VmsImage* dst, int progress) {
    if (!src || !dst || src->bits != 32 || dst->bits != 32) return 0;
    const int W = src->width, H = src->height, w = dst->width, h = dst->height;
    const double rx = (double)W / w, ry = (double)H / h;
    auto c0 = Alloc<int32_t>((size_t)w);
    auto c1 = Alloc<int32_t>((size_t)w);
    auto colSum = Alloc<uint32_t>((size_t)W * 3);
    auto prefix = Alloc<uint64_t>(((size_t)W + 1) * 3);
    auto raw = Alloc<uint32_t>((size_t)W);
    auto out = Alloc<uint32_t>((size_t)w);
    if (!c0 || !c1 || !colSum || !prefix || !raw || !out) return 0;
    double xs = 0, xe = rx;
    for (int j = 0; j < w; ++j, xs += rx, xe += rx) {
        int a = (int)std::floor(xs), b = (int)std::ceil(xe) - 1;
        c0[j] = a < 0 ? 0 : a;
        c1[j] = b > W - 1 ? W - 1 : b;
    }
    double ys = 0, ye = ry;
    for (int i = 0; i < h; ++i, ys += ry, ye += ry) {
        if (progress && i % 5 == 0) SendProgress((int)((int64_t)i * 100 / h));
        int r0 = (int)std::floor(ys), r1 = (int)std::ceil(ye) - 1;
        if (r0 < 0) r0 = 0;
        if (r1 > H - 1) r1 = H - 1;
        if (r1 < r0) continue;
        std::memset(colSum.get(), 0, (size_t)W * 3 * 4);
        for (int r = r0; r <= r1; ++r) {
            g_VmsStore.GetRow(src, r, 0, W - 1, raw.get());
            const uint8_t* px = (const uint8_t*)raw.get();
            uint32_t* cs = colSum.get();
            for (int x = 0; x < W; ++x, px += 4, cs += 3) {
                cs[0] += px[0];
                cs[1] += px[1];
                cs[2] += px[2];
            }
        }
        uint64_t* pf = prefix.get();
        pf[0] = pf[1] = pf[2] = 0;
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 3; ++c) pf[(x + 1) * 3 + c] = pf[x * 3 + c] + colSum[x * 3 + c];
        const uint64_t rowsIn = (uint64_t)(r1 - r0 + 1);
        for (int j = 0; j < w; ++j) {
            if (c1[j] < c0[j]) { out[j] = 0; continue; }
            uint64_t count = rowsIn * (uint64_t)(c1[j] - c0[j] + 1);
            uint32_t px = 0;
            for (int c = 0; c < 3; ++c) {
                uint64_t sum = pf[(size_t)(c1[j] + 1) * 3 + c] - pf[(size_t)c0[j] * 3 + c];
                px |= (uint32_t)((2 * sum + count) / (2 * count)) << (8 * c);
            }
            out[j] = px;
        }
        g_VmsStore.PutRow(dst, i, 0, w - 1, out.get());
    }
    if (progress) SendProgressEnd();
    return 1;
}

namespace {

// Area resize of pixels of `bpp` bytes (1: a value; 4: blue, green, red and a
// fourth byte left 0). Shrinking axes average runs of source pixels with the
// same target ((sum + n / 2) / n; the last run of a row truncated when
// truncateLast), then the working area is stretched with weights in
// hundredths. The source is only read.
int AreaResize(VmsImage* dst, const VmsImage* src, int bpp, bool truncateLast, bool progress) {
    const int W = src->width, H = src->height, w = dst->width, h = dst->height;
    const int channels = bpp == 4 ? 3 : 1;
    const int workW = w < W ? w : W, workH = h < H ? h : H;
    auto raw = Alloc<uint8_t>((size_t)W * bpp);
    auto shrunk = Alloc<uint32_t>((size_t)workW * channels);
    auto sums = Alloc<uint32_t>((size_t)workW * channels);
    auto cache = Alloc<uint8_t>((size_t)workW * channels * 2 + 2);
    auto blend = Alloc<int32_t>(((size_t)workW + 1) * channels);
    auto out = Alloc<uint8_t>((size_t)w * bpp);
    auto runStart = Alloc<int32_t>((size_t)workH + 1);
    if (!raw || !shrunk || !sums || !cache || !blend || !out || !runStart) return 0;
    std::memset(out.get(), 0, (size_t)w * bpp);

    // Source row r shrunk to the working width: runs of columns with the same
    // target min(e x w / W, w - 1).
    auto shrinkRow = [&](int r, uint32_t* dest) {
        g_VmsStore.GetRow(src, r, 0, W - 1, raw.get());
        if (workW == W) {
            for (int x = 0; x < W; ++x)
                for (int c = 0; c < channels; ++c) dest[x * channels + c] = raw[(size_t)x * bpp + c];
            return;
        }
        int e = 0;
        while (e < W) {
            int64_t m = (int64_t)e * w / W;
            if (m > w - 1) m = w - 1;
            uint32_t sum[3] = {0, 0, 0}, n = 0;
            while (e < W) {
                int64_t me = (int64_t)e * w / W;
                if (me > w - 1) me = w - 1;
                if (me != m) break;
                for (int c = 0; c < channels; ++c) sum[c] += raw[(size_t)e * bpp + c];
                ++n;
                ++e;
            }
            const bool last = e >= W;
            for (int c = 0; c < channels; ++c)
                dest[m * channels + c] = (last && truncateLast) ? sum[c] / n : (sum[c] + n / 2) / n;
        }
    };

    // Working rows: runs of source rows with the same target row.
    if (workH == H) {
        for (int k = 0; k <= H; ++k) runStart[k] = k;
    } else {
        int k = 0;
        for (int r = 0; r < H; ++r) {
            int64_t t = (int64_t)r * h / H;
            if (t > h - 1) t = h - 1;
            while (k <= t) runStart[k++] = r;
        }
        while (k <= h) runStart[k++] = H;
    }
    const size_t rowValues = (size_t)workW * channels;
    int cachedRow[2] = {-1, -1};
    auto workRow = [&](int k) -> const uint8_t* {
        for (int s = 0; s < 2; ++s)
            if (cachedRow[s] == k) return cache.get() + (size_t)s * rowValues;
        int slot = cachedRow[0] < cachedRow[1] ? 0 : 1;
        cachedRow[slot] = k;
        uint8_t* dest = cache.get() + (size_t)slot * rowValues;
        int a = runStart[k], b = runStart[k + 1];
        if (b - a == 1) {
            shrinkRow(a, shrunk.get());
            for (size_t x = 0; x < rowValues; ++x) dest[x] = (uint8_t)shrunk[x];
        } else {
            std::memset(sums.get(), 0, rowValues * 4);
            for (int r = a; r < b; ++r) {
                shrinkRow(r, shrunk.get());
                for (size_t x = 0; x < rowValues; ++x) sums[x] += shrunk[x];
            }
            uint32_t n = (uint32_t)(b - a);
            for (size_t x = 0; x < rowValues; ++x) dest[x] = (uint8_t)((sums[x] + n / 2) / n);
        }
        return dest;
    };

    // Stretch of the working area with weights in hundredths.
    for (int i = 0; i < h; ++i) {
        if (progress && i % 5 == 0) SendProgress((int)((int64_t)i * 100 / h));
        double t = (double)i * workH / h;
        if (t > workH - 1) t = workH - 1;
        int u = (int)t;
        int fy = (int)((t - u) * 100);
        workRow(u);
        const uint8_t* b = fy ? workRow(u + 1) : nullptr;
        const uint8_t* a = workRow(u);
        if (!b) b = a;
        for (size_t x = 0; x < rowValues; ++x) blend[x] = ((100 - fy) * a[x] + fy * b[x]) / 100;
        for (int c = 0; c < channels; ++c) blend[rowValues + c] = 0;
        for (int j = 0; j < w; ++j) {
            double d = (double)workW * j / w;
            if (d > workW - 1) d = workW - 1;
            int p = (int)d;
            int fx = (int)((d - p) * 100);
            for (int c = 0; c < channels; ++c) {
                int next = fx ? blend[(p + 1) * channels + c] : 0;
                out[(size_t)j * bpp + c] = (uint8_t)((blend[p * channels + c] * (100 - fx) + next * fx) / 100);
            }
        }
        g_VmsStore.PutRow(dst, i, 0, w - 1, out.get());
    }
    if (progress) SendProgressEnd();
    return 1;
}

}  // namespace

int c_Dib::ResizeArea8(VmsImage* dst, const VmsImage* src) {
    if (!src || !dst || src->bits != 8 || dst->bits != 8) return 0;
    std::memcpy(dst->palette, src->palette, 1024);
    return AreaResize(dst, src, 1, false, false);
}

int c_Dib::ResizeArea32(VmsImage* dst, const VmsImage* src, int progress) {
    if (!src || !dst || src->bits != 32 || dst->bits != 32) return 0;
    return AreaResize(dst, src, 4, true, progress != 0);
}

namespace {
int64_t PhasedIndex(int i, int s, int d, int phase, bool phased) {
    int64_t v;
    if (phased && ((phase + i) % 3 + 3) % 3 == 1) v = ((int64_t)i * s + d - 1) / d;
    else v = (int64_t)i * s / d;
    return v > s - 1 ? s - 1 : v;
}

template <typename T>
int NearestRows(const VmsImage* src, VmsImage* dst, bool phased, int columnPhase, int rowPhase) {
    const int W = src->width, H = src->height, w = dst->width, h = dst->height;
    auto in = Alloc<T>((size_t)W);
    auto out = Alloc<T>((size_t)w);
    auto cols = Alloc<int32_t>((size_t)w);
    if (!in || !out || !cols) return 0;
    for (int j = 0; j < w; ++j) cols[j] = (int32_t)PhasedIndex(j, W, w, columnPhase, phased);
    int last = -1;
    for (int i = 0; i < h; ++i) {
        int r = (int)PhasedIndex(i, H, h, rowPhase, phased);
        if (r != last) {
            g_VmsStore.GetRow(src, r, 0, W - 1, in.get());
            for (int j = 0; j < w; ++j) out[j] = in[cols[j]];
            last = r;
        }
        g_VmsStore.PutRow(dst, i, 0, w - 1, out.get());
    }
    return 1;
}
}  // namespace

int c_Dib::ResizeNearest8(const VmsImage* src, VmsImage* dst) {
    if (!src || !dst || src->bits != 8 || dst->bits != 8) return 0;
    std::memcpy(dst->palette, src->palette, 1024);
    return NearestRows<uint8_t>(src, dst, false, 0, 0);
}

int c_Dib::ResizeNearest32(const VmsImage* src, VmsImage* dst) {
    if (!src || !dst || src->bits != 32 || dst->bits != 32) return 0;
    return NearestRows<uint32_t>(src, dst, false, 0, 0);
}

int c_Dib::ResizeNearestPhased32(const VmsImage* src, VmsImage* dst, int, int columnPhase, int rowPhase) {
    if (!src || !dst || src->bits != 32 || dst->bits != 32) return 0;
    return NearestRows<uint32_t>(src, dst, true, columnPhase, rowPhase);
}

VmsImage* c_Dib::ResizeBicubic(const VmsImage* image, int width, int height, int kernel, int progress) {
    if (!image || image->bits != 32 || width < 1 || height < 1) return nullptr;
    if (kernel == 0) kernel = 2;
    const int W = image->width, H = image->height;
    if (width == W && height == H) {
        VmsImage* copy = g_VmsStore.Create(W, H, 24, 255, 1);
        if (copy) g_VmsStore.Copy(copy, image);
        return copy;
    }
    if (width >= W && height >= H) {
        VmsImage* out = g_VmsStore.Create(width, height, 24, 255, 1);
        if (out && !ResampleBicubic(image, out, kernel, progress)) g_VmsStore.Free(&out);
        return out;
    }
    if (width <= W && height <= H) {
        VmsImage* out = g_VmsStore.Create(width, height, 24, 255, 1);
        if (out && !ShrinkArea32(image, out, progress)) g_VmsStore.Free(&out);
        return out;
    }
    // One axis grows, the other shrinks: enlarge the growing axis first.
    VmsImage* mid = width > W ? g_VmsStore.Create(width, H, 24, 255, 1) : g_VmsStore.Create(W, height, 24, 255, 1);
    if (!mid) return nullptr;
    VmsImage* out = nullptr;
    if (ResampleBicubic(image, mid, kernel, progress)) {
        out = g_VmsStore.Create(width, height, 24, 255, 1);
        if (out && !ShrinkArea32(mid, out, progress)) g_VmsStore.Free(&out);
    }
    g_VmsStore.Free(&mid);
    return out;
}

VmsImage* c_Dib::Resize(const VmsImage* image, int width, int height, int, int smooth, int, int progress) {
    if (!image || width < 1 || height < 1) return nullptr;
    if (image->bits != 8 && image->bits != 32) return nullptr;
    if (width == 1 || height == 1) return g_VmsStore.Create(width, height, image->bits == 8 ? 8 : 24, 0, 1);
    if (image->bits == 8) {
        VmsImage* out = g_VmsStore.Create(width, height, 8, 0, 1);
        if (!out) return nullptr;
        int ok = smooth ? ResizeArea8(out, image) : ResizeNearest8(image, out);
        if (!ok) g_VmsStore.Free(&out);
        return out;
    }
    if (smooth) return ResizeBicubic(image, width, height, 2, progress);
    VmsImage* out = g_VmsStore.Create(width, height, 24, 255, 1);
    if (out && !ResizeNearest32(image, out)) g_VmsStore.Free(&out);
    return out;
}
