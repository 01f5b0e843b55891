// JPEG through libjpeg-turbo. libjpeg reports errors by longjmp: the functions holding a
// setjmp below keep only plain C data in their frames (no destructors to skip), and the
// bitmap pixels they fill belong to the caller.

#include "platform/imaging/codecs/Codecs.h"

#include "platform/imaging/ImagingInternal.h"
#include "platform/imaging/ImagingMemory.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace imaging_internal {

namespace {

struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    char warning[JMSG_LENGTH_MAX]; // the first warning: damage the decoder read past
};

[[noreturn]] void LeaveOnJpegError(j_common_ptr info)
{
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// A warning is damage the decoder read past (data cut short, bad data): the picture is still
// decoded, its missing part grey, and the first warning is kept for the caller to report.
void OnJpegMessage(j_common_ptr info, int level)
{
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    if (level == -1 && errors->warning[0] == '\0')
        (*info->err->format_message)(info, errors->warning);
}

void PrepareErrors(JpegErrorManager* errors)
{
    jpeg_std_error(&errors->base);
    errors->base.error_exit = LeaveOnJpegError;
    errors->base.emit_message = OnJpegMessage;
    errors->message[0] = '\0';
    errors->warning[0] = '\0';
}

// Adobe writes CMYK inverted (0 = full ink); other writers store it plainly.
void CmykRowToBgr(const JSAMPLE* from, BYTE* to, JDIMENSION count, int channels, bool inverted)
{
    for (JDIMENSION i = 0; i < count; ++i, from += 4, to += channels) {
        unsigned c = from[0], m = from[1], y = from[2], k = from[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        to[0] = BYTE((y * k + 127) / 255);
        to[1] = BYTE((m * k + 127) / 255);
        to[2] = BYTE((c * k + 127) / 255);
        if (channels == 4)
            to[3] = 255;
    }
}

// A progressive file needs about ten scans; thousands of repeated ones only burn time.
constexpr int kMaxProgressiveScans = 100;

void LimitScans(j_common_ptr common)
{
    if (!common->is_decompressor)
        return;
    auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > kMaxProgressiveScans) {
        auto* errors = reinterpret_cast<JpegErrorManager*>(common->err);
        std::snprintf(errors->message, sizeof errors->message, "more than %d scans", kMaxProgressiveScans);
        errors->base.msg_code = 0;
        std::longjmp(errors->jump, 1);
    }
}

struct DecodeJob {
    const BYTE* data;
    std::size_t size;
    int bits;
    int targetWidth;
    int targetHeight;
    ImageBitmap* out;
    long long budget;
    int result;
    char message[JMSG_LENGTH_MAX];
    char warning[JMSG_LENGTH_MAX];
};

void RunDecode(DecodeJob* job)
{
    jpeg_decompress_struct info;
    JpegErrorManager errors;
    jpeg_progress_mgr progress {};
    info.err = &errors.base;
    PrepareErrors(&errors);
    if (setjmp(errors.jump)) {
        const bool overBudget = errors.base.msg_code == JERR_NO_BACKING_STORE;
        jpeg_destroy_decompress(&info);
        FreeBitmap(job->out);
        job->result = overBudget ? IMAGING_ERROR_TOO_LARGE : IMAGING_ERROR_CORRUPT_FILE;
        if (overBudget)
            std::snprintf(job->message, sizeof job->message,
                          "JPEG needs more working memory than the imaging budget of %lld MB", job->budget >> 20);
        else
            std::memcpy(job->message, errors.message, sizeof job->message);
        return;
    }
    jpeg_create_decompress(&info);
    progress.progress_monitor = LimitScans;
    info.progress = &progress;
    jpeg_mem_src(&info, job->data, static_cast<unsigned long>(job->size));
    jpeg_read_header(&info, TRUE);
    if ((unsigned long long)info.image_width * info.image_height > (unsigned long long)IMAGING_MAX_PIXELS) {
        std::snprintf(job->message, sizeof job->message, "JPEG of %u x %u pixels is over the limit",
                      info.image_width, info.image_height);
        jpeg_destroy_decompress(&info);
        job->result = IMAGING_ERROR_TOO_LARGE;
        return;
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    const int channels = job->bits / 8;
    info.out_color_space = cmyk ? JCS_CMYK : (channels == 4 ? JCS_EXT_BGRA : JCS_EXT_BGR);
    info.scale_num = unsigned(JpegScaleFor(info.image_width, info.image_height, job->targetWidth, job->targetHeight));
    info.scale_denom = 8;
    jpeg_calc_output_dimensions(&info);
    {
        // libjpeg's own buffers (all coefficients of a progressive file) get what the pixels leave.
        const long long pixelBytes = (long long)info.output_width * info.output_height * channels;
        const long long left = job->budget - pixelBytes;
        if (left <= 0) {
            std::snprintf(job->message, sizeof job->message,
                          "JPEG of %u x %u pixels needs more than the imaging budget of %lld MB", info.output_width,
                          info.output_height, job->budget >> 20);
            jpeg_destroy_decompress(&info);
            job->result = IMAGING_ERROR_TOO_LARGE;
            return;
        }
        info.mem->max_memory_to_use = long(left);
    }
    jpeg_start_decompress(&info);
    job->result = AllocatePixels(job->out, info.output_width, info.output_height, job->bits, false);
    if (job->result != IMAGING_SUCCESS) {
        jpeg_destroy_decompress(&info);
        return;
    }
    JSAMPARRAY cmykRow = nullptr;
    if (cmyk)
        cmykRow = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                            info.output_width * 4, 1);
    while (info.output_scanline < info.output_height) {
        BYTE* row = job->out->Row(LONG(info.output_scanline));
        if (!cmyk) {
            JSAMPROW target = row;
            jpeg_read_scanlines(&info, &target, 1);
            continue;
        }
        jpeg_read_scanlines(&info, cmykRow, 1);
        CmykRowToBgr(cmykRow[0], row, info.output_width, channels, info.saw_Adobe_marker);
    }
    jpeg_finish_decompress(&info);
    std::memcpy(job->warning, errors.warning, sizeof job->warning);
    jpeg_destroy_decompress(&info);
    job->result = IMAGING_SUCCESS;
}

struct EncodeJob {
    const ImageBitmap* bitmap;
    int quality;
    unsigned char* buffer;
    unsigned long size;
    int result;
    char message[JMSG_LENGTH_MAX];
};

void RunEncode(EncodeJob* job)
{
    jpeg_compress_struct info;
    JpegErrorManager errors;
    info.err = &errors.base;
    PrepareErrors(&errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        job->result = IMAGING_ERROR_FILE_WRITE;
        std::memcpy(job->message, errors.message, sizeof job->message);
        return;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &job->buffer, &job->size);
    const ImageBitmap& bitmap = *job->bitmap;
    info.image_width = JDIMENSION(bitmap.width);
    info.image_height = JDIMENSION(bitmap.height);
    switch (bitmap.bitsPerPixel) {
    case 8: info.input_components = 1; info.in_color_space = JCS_GRAYSCALE; break;
    case 24: info.input_components = 3; info.in_color_space = JCS_EXT_BGR; break;
    default: info.input_components = 4; info.in_color_space = JCS_EXT_BGRX; break;
    }
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, job->quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<BYTE*>(bitmap.Row(LONG(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    job->result = IMAGING_SUCCESS;
}

}  // namespace

int JpegScaleFor(long long width, long long height, int targetWidth, int targetHeight)
{
    // Twice the target leaves the resampler real pixels to average, so the result matches a
    // full-size decode closely. Only 1/8, 1/4 and 1/2 are offered: libjpeg-turbo has fast
    // reduced transforms for those, while the other eighths decode slower than full size.
    auto enough = [](long long length, int num, int target) {
        return target <= 0 || (length * num + 7) / 8 >= 2LL * target;
    };
    if (targetWidth <= 0 && targetHeight <= 0)
        return 8;
    for (int num = 1; num < 8; num *= 2)
        if (enough(width, num, targetWidth) && enough(height, num, targetHeight))
            return num;
    return 8;
}

int DecodeJpeg(const BYTE* data, std::size_t size, int wantBits, ImageBitmap* out, int targetWidth,
               int targetHeight)
{
    DecodeJob job{data, size, wantBits == 32 ? 32 : 24, targetWidth, targetHeight, out, GetImagingMemoryBudget(),
                  IMAGING_SUCCESS, {}, {}};
    RunDecode(&job);
    if (job.result != IMAGING_SUCCESS)
        return Fail(job.result, std::string("JPEG: ") + job.message);
    SetWarning(job.warning[0] ? std::string("JPEG: ") + job.warning : std::string());
    return IMAGING_SUCCESS;
}

int EncodeJpeg(const ImageBitmap& bitmap, int quality, EncodedBytes* out)
{
    EncodeJob job{&bitmap, quality, nullptr, 0, IMAGING_SUCCESS, {}};
    RunEncode(&job);
    bool stored = job.result == IMAGING_SUCCESS && out->Append(job.buffer, job.size);
    std::free(job.buffer);
    if (job.result != IMAGING_SUCCESS)
        return Fail(job.result, std::string("JPEG: ") + job.message);
    if (!stored)
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while writing JPEG");
    return IMAGING_SUCCESS;
}

}  // namespace imaging_internal
