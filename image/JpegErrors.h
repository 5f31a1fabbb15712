#pragma once

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

// libjpeg reports a fatal error by calling `error_exit`, which must not return. This one keeps
// libjpeg's message and jumps back to the `setjmp(fail)` of the call that was reading or writing;
// a file that ends early only raises `truncated` (through `noteJpegWarning`, for readers).
struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf fail;
    bool truncated = false;
    char message[JMSG_LENGTH_MAX] = {};
};

// Makes `errors` the error manager of `info` (a compress or decompress struct).
jpeg_error_mgr* useJpegErrors(JpegErrors* errors);

// Raises `truncated` on the warning that the data ended before the picture did.
void noteJpegWarning(j_common_ptr info, int level);
