#include "image/JpegErrors.h"

#include <jerror.h>

namespace {

void leave(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->fail, 1);
}

} // namespace

jpeg_error_mgr* useJpegErrors(JpegErrors* errors) {
    jpeg_error_mgr* manager = jpeg_std_error(&errors->base);
    manager->error_exit = leave;
    return manager;
}

void noteJpegWarning(j_common_ptr info, int level) {
    // Warnings are -1; the one that matters is data that ends before the picture does.
    if (level == -1 && info->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<JpegErrors*>(info->err)->truncated = true;
}
