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

// Reads from an open file. A premature end is an error (truncated files are
// refused, not padded with grey).
void JpegFileSource(j_decompress_ptr cinfo, File* file);
// Writes to an open file; a write failure is an error.
void JpegFileDestination(j_compress_ptr cinfo, File* file);

}  // namespace plug
