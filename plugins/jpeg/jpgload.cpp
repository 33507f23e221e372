// jpgload.dll: JPEG reader. Colour files come as 24-bit rows, grey files as
// 8-bit rows with a grey palette; CMYK files are turned into RGB.
#include "plugins/jpeg/jpeg_io.h"

using namespace plug;

namespace {

int DensityToDpi(const jpeg_decompress_struct& c, int value) {
    if (c.density_unit == 1) return value;
    if (c.density_unit == 2) return (value * 254 + 50) / 100;
    return 0;
}

// Reads the header into `c` (already created, source set). False on error
// (the caller's setjmp catches errors).
bool SetupOutput(jpeg_decompress_struct& c, int* bits) {
    switch (c.jpeg_color_space) {
    case JCS_GRAYSCALE:
        c.out_color_space = JCS_GRAYSCALE;
        *bits = 8;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        c.out_color_space = JCS_CMYK;
        *bits = 24;
        break;
    default:
        c.out_color_space = JCS_EXT_BGR;
        *bits = 24;
        break;
    }
    return SizeAcceptable(c.image_width, c.image_height);
}

}  // namespace

PLUGIN_EXPORT void DARNA_PLUGIN_CALL ReadFileInfo(HWND, ReaderInfo* info) {
    FillReaderInfo(info, "jpg;jpeg;jpe", "JPEG");
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileInit(HWND, const char*, int) { return 1; }

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileGetSize(HWND, const char* path, FileImageInfo* info,
                                                     FileLayerName* names) {
    if (!path || !info) return 0;
    File file;
    if (!file.OpenRead(path)) return 0;
    jpeg_decompress_struct c;
    JpegError error;
    c.err = JpegErrorInit(&error);
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&c);
        return 0;
    }
    jpeg_create_decompress(&c);
    JpegFileSource(&c, &file);
    jpeg_read_header(&c, TRUE);
    int bits = 24;
    if (!SetupOutput(c, &bits)) {
        jpeg_destroy_decompress(&c);
        return 0;
    }
    info->xResolution = DensityToDpi(c, c.X_density);
    info->yResolution = DensityToDpi(c, c.Y_density);
    info->currentLayer = 0;
    info->count = 1;
    info->image[0].width = (int32_t)c.image_width;
    info->image[0].height = (int32_t)c.image_height;
    info->image[0].bits = bits;
    if (names) std::memset(&names[0], 0, sizeof(FileLayerName));
    jpeg_destroy_decompress(&c);
    return 1;
}

namespace {

// One decode: libjpeg runs on a worker thread and hands rows through a pipe;
// the calling thread passes them to the host.
struct DecodeJob {
    const char* path = nullptr;
    RowPipe pipe;
    HANDLE ready = nullptr;    // set once the header is read, or on failure
    int width = 0, height = 0, bits = 24;
    bool headerRead = false;
    bool done = false;         // every row decoded without error
};

unsigned __stdcall DecodeThread(void* param) {
    DecodeJob* job = (DecodeJob*)param;
    File file;
    Block<uint8_t> cmyk;
    jpeg_decompress_struct c;
    JpegError error;
    c.err = JpegErrorInit(&error);
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&c);
        job->pipe.Abort();
        SetEvent(job->ready);
        return 0;
    }
    jpeg_create_decompress(&c);
    if (!file.OpenRead(job->path)) longjmp(error.jump, 1);
    JpegFileSource(&c, &file);
    jpeg_read_header(&c, TRUE);
    int bits = 24;
    if (!SetupOutput(c, &bits)) longjmp(error.jump, 1);
    const bool adobe = c.saw_Adobe_marker;
    jpeg_start_decompress(&c);
    const int w = (int)c.output_width, h = (int)c.output_height;
    if ((c.out_color_space == JCS_CMYK && !cmyk.Reset((size_t)w * 4)) ||
        !job->pipe.Init((size_t)w * (bits == 8 ? 1 : 3), true))
        longjmp(error.jump, 1);
    job->width = w;
    job->height = h;
    job->bits = bits;
    job->headerRead = true;
    SetEvent(job->ready);
    const size_t rowBytes = job->pipe.RowBytes();
    const int bandRows = job->pipe.BandRows();
    JSAMPROW rows[RowPipe::kMaxBandRows];
    while ((int)c.output_scanline < h) {
        uint8_t* band = job->pipe.BeginWrite();
        if (!band) longjmp(error.jump, 1);
        const int n = h - (int)c.output_scanline < bandRows ? h - (int)c.output_scanline : bandRows;
        if (!cmyk) {
            // Straight into the band: libjpeg fills as many rows a call as it can.
            for (int i = 0; i < n; ++i) rows[i] = band + rowBytes * i;
            for (int done = 0; done < n;) {
                JDIMENSION got = jpeg_read_scanlines(&c, rows + done, (JDIMENSION)(n - done));
                if (got == 0) longjmp(error.jump, 1);
                done += (int)got;
            }
        } else {
            for (int i = 0; i < n; ++i) {
                uint8_t* out = band + rowBytes * i;
                JSAMPROW row[1] = {cmyk.get()};
                if (jpeg_read_scanlines(&c, row, 1) != 1) longjmp(error.jump, 1);
                // Adobe writes inverted CMYK; others plain.
                for (int x = 0; x < w; ++x) {
                    int cc = cmyk[x * 4], m = cmyk[x * 4 + 1], yy = cmyk[x * 4 + 2], k = cmyk[x * 4 + 3];
                    if (!adobe) cc = 255 - cc, m = 255 - m, yy = 255 - yy, k = 255 - k;
                    out[x * 3] = (uint8_t)(yy * k / 255);
                    out[x * 3 + 1] = (uint8_t)(m * k / 255);
                    out[x * 3 + 2] = (uint8_t)(cc * k / 255);
                }
            }
        }
        job->pipe.EndWrite(n);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    job->done = true;
    job->pipe.Close();
    return 0;
}

}  // namespace

PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileExec(HWND window, const char* path, FileImageInfo*,
                                                  FileLayerName*, FileLayerInfo*,
                                                  const ReadFileCallbacks* callbacks) {
    if (!path || !callbacks || !callbacks->putRow) return 0;
    DecodeJob job;
    job.path = path;
    job.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!job.ready) return 0;
    int ok = 0;
    {
        Worker worker;
        if (worker.Start(DecodeThread, &job)) {
            WaitForSingleObject(job.ready, INFINITE);
            if (job.headerRead) {
                Progress progress(window);
                if (job.bits == 8 && callbacks->setPalette) {
                    uint8_t palette[1024];
                    GreyPalette(palette, 8);
                    callbacks->setPalette(palette, 0);
                }
                int y = 0, n = 0;
                const size_t rowBytes = job.pipe.RowBytes();
                bool refused = false;
                while (y < job.height && !refused) {
                    uint8_t* band = job.pipe.BeginRead(&n);
                    if (!band) break;
                    for (int i = 0; i < n && y < job.height; ++i, ++y) {
                        // A refused row means the host has no room for this image: stop.
                        if (callbacks->putRow(y, 0, job.width - 1, band + rowBytes * i, 0) < 0) {
                            refused = true;
                            break;
                        }
                    }
                    job.pipe.EndRead();
                    progress.Report(y, job.height);
                }
                if (refused) job.pipe.Abort();
                ok = y == job.height;
                progress.Done();
            }
            worker.Join();
        }
    }
    CloseHandle(job.ready);
    return ok && job.done ? 1 : 0;
}

namespace {

// The largest reduction of the decoder (1/8, 1/4, 1/2) that still leaves the
// picture at least 500 x 300 pixels (either way round), or 0 when the file is
// too small to gain from a quick picture.
int PreviewScale(JDIMENSION width, JDIMENSION height) {
    const JDIMENSION longSide = width > height ? width : height, shortSide = width > height ? height : width;
    static const int kDenominators[] = {8, 4, 2};
    for (int denom : kDenominators)
        if (longSide / denom >= 500 && shortSide / denom >= 300) return denom;
    return 0;
}

}  // namespace

// A quick picture for thumbnails: colour and grey files decoded at a reduced
// scale into a 24-bit .bmp in the temporary folder.
PLUGIN_EXPORT int DARNA_PLUGIN_CALL ReadFileFastImage(HWND, const char* path, FileImageInfo*, FileLayerName*,
                                                       char* bmpPath) {
    if (!path || !bmpPath) return 0;
    File file;
    if (!file.OpenRead(path)) return 0;
    char temp[MAX_PATH] = {};
    Block<uint8_t> pixels;
    jpeg_decompress_struct c;
    JpegError error;
    c.err = JpegErrorInit(&error);
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&c);
        if (temp[0]) DeleteFileA(temp);
        return 0;
    }
    jpeg_create_decompress(&c);
    JpegFileSource(&c, &file);
    jpeg_read_header(&c, TRUE);
    const int denom = PreviewScale(c.image_width, c.image_height);
    if (denom == 0 || (c.jpeg_color_space != JCS_YCbCr && c.jpeg_color_space != JCS_GRAYSCALE &&
                       c.jpeg_color_space != JCS_RGB)) {
        jpeg_destroy_decompress(&c);
        return 0;
    }
    c.out_color_space = JCS_EXT_BGR;
    c.scale_num = 1;
    c.scale_denom = (unsigned)denom;
    jpeg_start_decompress(&c);
    const int w = (int)c.output_width, h = (int)c.output_height;
    const size_t stride = ((size_t)w * 3 + 3) & ~(size_t)3;
    if (!pixels.Reset(stride * (size_t)h) || !MakePreviewTempFile("jfi", temp)) longjmp(error.jump, 1);
    while ((int)c.output_scanline < h) {
        JSAMPROW rows[1] = {pixels.get() + stride * (size_t)(h - 1 - (int)c.output_scanline)};
        if (jpeg_read_scanlines(&c, rows, 1) != 1) longjmp(error.jump, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return WritePreviewBmp(temp, pixels.get(), w, h, stride, bmpPath) ? 1 : 0;
}
