// jpgsave.dll (and thumbex.dll, built from this file with JPEG_THUMBNAIL):
// JPEG writer. Takes 24-bit rows and writes a baseline JFIF file with 2 x 2
// chroma subsampling. Any target name is accepted (the host also writes
// "temp.tmp" with it).
#include "plugins/jpeg/jpeg_io.h"

using namespace plug;

#ifdef JPEG_THUMBNAIL
static const int kQuality = 85;
#else
static const int kQuality = 90;
#endif

PLUGIN_EXPORT void DARNA_PLUGIN_CALL WriteFileInfo(HWND, WriterInfo* info) {
#ifdef JPEG_THUMBNAIL
    FillWriterInfo(info, "jpg;jpeg", "JPEG preview", false);
#else
    FillWriterInfo(info, "jpg;jpeg", "JPEG", false);
#endif
}

PLUGIN_EXPORT int DARNA_PLUGIN_CALL WriteFileInit(HWND, const char* path, int) { return path ? 1 : 0; }

namespace {

// One encode: libjpeg runs on a worker thread and takes rows from a pipe that
// the calling thread fills from the host.
struct EncodeJob {
    const char* path = nullptr;
    int width = 0, height = 0, xResolution = 0, yResolution = 0;
    RowPipe pipe;
    bool done = false;   // the whole file written
};

unsigned __stdcall EncodeThread(void* param) {
    EncodeJob* job = (EncodeJob*)param;
    File file;
    jpeg_compress_struct c;
    JpegError error;
    c.err = JpegErrorInit(&error);
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&c);
        file.Close();
        DeleteFileA(job->path);
        job->pipe.Abort();
        return 0;
    }
    jpeg_create_compress(&c);
    if (!file.Create(job->path)) longjmp(error.jump, 1);
    JpegFileDestination(&c, &file);
    c.image_width = (JDIMENSION)job->width;
    c.image_height = (JDIMENSION)job->height;
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, kQuality, TRUE);
    if (job->xResolution > 0 && job->yResolution > 0 && job->xResolution < 65536 && job->yResolution < 65536) {
        c.density_unit = 1;
        c.X_density = (UINT16)job->xResolution;
        c.Y_density = (UINT16)job->yResolution;
    }
    jpeg_start_compress(&c, TRUE);
    const size_t rowBytes = job->pipe.RowBytes();
    for (int y = 0; y < job->height;) {
        int n = 0;
        uint8_t* band = job->pipe.BeginRead(&n);
        if (!band || n < 1) longjmp(error.jump, 1);
        for (int i = 0; i < n; ++i, ++y) {
            JSAMPROW rows[1] = {band + rowBytes * i};
            jpeg_write_scanlines(&c, rows, 1);
        }
        job->pipe.EndRead();
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    file.Close();
    job->done = true;
    return 0;
}

}  // namespace

PLUGIN_EXPORT int DARNA_PLUGIN_CALL WriteFileExec(HWND window, const char* path, FileImageInfo* info,
                                                   FileLayerName*, FileLayerInfo*,
                                                   const WriteFileCallbacks* callbacks) {
    if (!SingleImageRequest(path, info, callbacks)) return 0;
    EncodeJob job;
    job.path = path;
    job.width = info->image[0].width;
    job.height = info->image[0].height;
    job.xResolution = info->xResolution;
    job.yResolution = info->yResolution;
    if (job.width < 1 || job.height < 1 || job.width > JPEG_MAX_DIMENSION || job.height > JPEG_MAX_DIMENSION ||
        !job.pipe.Init((size_t)job.width * 3))
        return 0;
    Progress progress(window);
    {
        Worker worker;
        if (!worker.Start(EncodeThread, &job)) return 0;
        const size_t rowBytes = job.pipe.RowBytes();
        const int bandRows = job.pipe.BandRows();
        bool failed = false;
        for (int y = 0; y < job.height && !failed;) {
            uint8_t* band = job.pipe.BeginWrite();
            if (!band) break;
            int n = 0;
            for (; n < bandRows && y < job.height; ++n, ++y) {
                if (callbacks->getRow(y, 0, job.width - 1, band + rowBytes * n, 0) <= 0) {
                    failed = true;
                    break;
                }
            }
            if (failed) {
                job.pipe.Abort();
                break;
            }
            job.pipe.EndWrite(n);
            progress.Report(y, job.height);
        }
        job.pipe.Close();
        worker.Join();
    }
    progress.Done();
    return job.done ? 1 : 0;
}
