// libjpeg source and destination managers over Win32 files, and an error
// manager that leaves by longjmp instead of ending the process.
#pragma once
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include "plugins/common/plugin_common.h"

namespace plug {

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};
// Installs the manager: errors and a premature end of the data longjmp to
// `jump`; other warnings are ignored.
jpeg_error_mgr* JpegErrorInit(JpegError* error);

// Reads from an open file. An empty file is an error; a file that ends early
// gets an end-of-image marker in place of the missing data (a warning), so
// that it opens with what was decoded and the rows without data grey.
void JpegFileSource(j_decompress_ptr cinfo, File* file);
// Writes to an open file; a write failure is an error.
void JpegFileDestination(j_compress_ptr cinfo, File* file);

// Previews handed to the host by ReadFileFastImage: a new temporary file
// (name prefix of three characters) whose path fits the host's 256 bytes.
bool MakePreviewTempFile(const char* prefix, char* path /* MAX_PATH bytes */);
// Writes bottom-up rows of 24-bit pixels (stride bytes each) as a .bmp to
// the temporary file and hands its path over in bmpPath (256 bytes); on
// failure the file is deleted and false returned.
bool WritePreviewBmp(const char* path, const uint8_t* rows, int width, int height, size_t stride, char* bmpPath);

}  // namespace plug
