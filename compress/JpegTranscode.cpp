#include "compress/JpegTranscode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings only count: a corrupt-data warning means the image is left alone.
void onMessage(j_common_ptr info, int level) {
    if (level < 0) ++info->err->num_warnings;
}

// The library reports its progress every few rows: a cancelled run ends
// there, through the error exit.
struct Progress {
    jpeg_progress_mgr pub;
    const std::atomic<bool>* cancelled;
};

void onProgress(j_common_ptr info) {
    const Progress* progress = reinterpret_cast<const Progress*>(info->progress);
    if (progress->cancelled->load()) info->err->error_exit(info);
}

// Plain C state only, so that a jump out of the library leaves nothing to
// unwind; Session's destructor releases what was created.
struct Session {
    jpeg_decompress_struct in{};
    jpeg_compress_struct out{};
    ErrorManager inErrors{};
    ErrorManager outErrors{};
    Progress inProgress{};
    Progress outProgress{};
    unsigned char* written = nullptr;
    unsigned long writtenSize = 0;
    bool inCreated = false;
    bool outCreated = false;

    ~Session() {
        if (outCreated) jpeg_destroy_compress(&out);
        if (inCreated) jpeg_destroy_decompress(&in);
        std::free(written);  // the library's memory destination uses malloc
    }
};

void useErrors(ErrorManager& errors) {
    jpeg_std_error(&errors.pub);
    errors.pub.error_exit = onError;
    errors.pub.emit_message = onMessage;
}

// Runs the whole transcode; a library error jumps back here and returns false.
bool runSession(Session& s, const unsigned char* data, size_t size, bool progressive,
                const std::atomic<bool>* cancelled) {
    useErrors(s.inErrors);
    useErrors(s.outErrors);
    s.in.err = &s.inErrors.pub;
    s.out.err = &s.outErrors.pub;
    if (setjmp(s.inErrors.jump)) return false;
    if (setjmp(s.outErrors.jump)) return false;
    jpeg_create_decompress(&s.in);
    s.inCreated = true;
    jpeg_create_compress(&s.out);
    s.outCreated = true;
    if (cancelled) {
        s.inProgress = {{onProgress, 0, 0, 0, 0}, cancelled};
        s.outProgress = s.inProgress;
        s.in.progress = &s.inProgress.pub;
        s.out.progress = &s.outProgress.pub;
    }

    jpeg_mem_src(&s.in, data, static_cast<unsigned long>(size));
    for (int m = 0; m < 16; ++m) jpeg_save_markers(&s.in, JPEG_APP0 + m, 0xFFFF);
    if (jpeg_read_header(&s.in, TRUE) != JPEG_HEADER_OK) return false;
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&s.in);
    if (!coefficients || s.inErrors.pub.num_warnings != 0) return false;

    jpeg_copy_critical_parameters(&s.in, &s.out);
    // The source's own markers are copied below, exactly as they were.
    s.out.write_JFIF_header = FALSE;
    s.out.write_Adobe_marker = FALSE;
    s.out.optimize_coding = TRUE;
    if (progressive) jpeg_simple_progression(&s.out);
    jpeg_mem_dest(&s.out, &s.written, &s.writtenSize);
    jpeg_write_coefficients(&s.out, coefficients);
    for (jpeg_saved_marker_ptr m = s.in.marker_list; m; m = m->next)
        jpeg_write_marker(&s.out, m->marker, m->data, m->data_length);
    jpeg_finish_compress(&s.out);
    jpeg_finish_decompress(&s.in);
    return s.inErrors.pub.num_warnings == 0 && s.outErrors.pub.num_warnings == 0;
}

}  // namespace

std::optional<std::string> JpegTranscode::transcode(std::string_view jpeg) const {
    if (jpeg.empty()) return std::nullopt;
    Session session;
    if (!runSession(session, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(),
                    progressive_, cancelled_))
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(session.written), session.writtenSize);
}
