#include "plugins/jpeg/jpeg_io.h"

#include <cstring>

namespace plug {

namespace {

constexpr size_t kBufferSize = 65536;

void ErrorExit(j_common_ptr cinfo) {
    JpegError* e = (JpegError*)cinfo->err;
    longjmp(e->jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0) cinfo->err->num_warnings++;
}

void OutputMessage(j_common_ptr) {}

struct Source {
    jpeg_source_mgr pub;
    File* file;
    bool started;   // some bytes were read
    JOCTET buffer[kBufferSize];
};

void InitSource(j_decompress_ptr cinfo) { ((Source*)cinfo->src)->started = false; }

boolean FillInput(j_decompress_ptr cinfo) {
    Source* s = (Source*)cinfo->src;
    DWORD got = 0;
    if (!ReadFile(s->file->Handle(), s->buffer, (DWORD)kBufferSize, &got, nullptr) || got == 0) {
        // A file that ends early (an interrupted copy) keeps what was decoded:
        // an end-of-image marker stands in for the missing data, and the rows
        // without data come out grey. An empty file is still an error.
        if (!s->started) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        s->buffer[0] = 0xFF;
        s->buffer[1] = JPEG_EOI;
        got = 2;
    }
    s->started = true;
    s->pub.next_input_byte = s->buffer;
    s->pub.bytes_in_buffer = got;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    Source* s = (Source*)cinfo->src;
    if (count <= 0) return;
    while (count > (long)s->pub.bytes_in_buffer) {
        count -= (long)s->pub.bytes_in_buffer;
        FillInput(cinfo);
    }
    s->pub.next_input_byte += count;
    s->pub.bytes_in_buffer -= count;
}

void TermSource(j_decompress_ptr) {}

struct Destination {
    jpeg_destination_mgr pub;
    File* file;
    JOCTET buffer[kBufferSize];
};

void InitDestination(j_compress_ptr cinfo) {
    Destination* d = (Destination*)cinfo->dest;
    d->pub.next_output_byte = d->buffer;
    d->pub.free_in_buffer = kBufferSize;
}

boolean EmptyOutput(j_compress_ptr cinfo) {
    Destination* d = (Destination*)cinfo->dest;
    if (!d->file->Write(d->buffer, kBufferSize)) ERREXIT(cinfo, JERR_FILE_WRITE);
    d->pub.next_output_byte = d->buffer;
    d->pub.free_in_buffer = kBufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    Destination* d = (Destination*)cinfo->dest;
    size_t n = kBufferSize - d->pub.free_in_buffer;
    if (n && !d->file->Write(d->buffer, n)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

}  // namespace

jpeg_error_mgr* JpegErrorInit(JpegError* error) {
    jpeg_std_error(&error->mgr);
    error->mgr.error_exit = ErrorExit;
    error->mgr.emit_message = EmitMessage;
    error->mgr.output_message = OutputMessage;
    return &error->mgr;
}

void JpegFileSource(j_decompress_ptr cinfo, File* file) {
    Source* s = (Source*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT, sizeof(Source));
    s->file = file;
    s->pub.init_source = InitSource;
    s->pub.fill_input_buffer = FillInput;
    s->pub.skip_input_data = SkipInput;
    s->pub.resync_to_restart = jpeg_resync_to_restart;
    s->pub.term_source = TermSource;
    s->pub.bytes_in_buffer = 0;
    s->pub.next_input_byte = nullptr;
    cinfo->src = &s->pub;
}

void JpegFileDestination(j_compress_ptr cinfo, File* file) {
    Destination* d = (Destination*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT,
                                                              sizeof(Destination));
    d->file = file;
    d->pub.init_destination = InitDestination;
    d->pub.empty_output_buffer = EmptyOutput;
    d->pub.term_destination = TermDestination;
    cinfo->dest = &d->pub;
}

bool MakePreviewTempFile(const char* prefix, char* path) {
    char folder[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH || !GetTempFileNameA(folder, prefix, 0, path)) return false;
    if (std::strlen(path) >= 256) {
        DeleteFileA(path);
        return false;
    }
    return true;
}

bool WritePreviewBmp(const char* path, const uint8_t* rows, int width, int height, size_t stride, char* bmpPath) {
    uint8_t head[54] = {'B', 'M'};
    PutLe32(head + 2, (uint32_t)(54 + stride * height));
    PutLe32(head + 10, 54);
    PutLe32(head + 14, 40);
    PutLe32(head + 18, (uint32_t)width);
    PutLe32(head + 22, (uint32_t)height);
    PutLe16(head + 26, 1);
    PutLe16(head + 28, 24);
    PutLe32(head + 34, (uint32_t)(stride * height));
    File out;
    if (!out.Create(path) || !out.Write(head, 54) || !out.Write(rows, stride * height)) {
        out.Close();
        DeleteFileA(path);
        return false;
    }
    out.Close();
    CopyText(bmpPath, 256, path);
    return true;
}

}  // namespace plug
