// PNG through libpng. Reading uses libpng's simplified interface, which keeps its longjmp inside
// libpng. Writing a palette picture needs the zlib level, so it uses the full interface: the
// function holding the setjmp keeps only plain C data in its frame. Grey and colour pictures are
// written by PngStripWriter.cpp.

#include "platform/imaging/codecs/Codecs.h"

#include "platform/imaging/ImagingInternal.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <png.h>

namespace imaging_internal {

int DecodePng(const BYTE* data, std::size_t size, int wantBits, ImageBitmap* out)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size))
        return Fail(IMAGING_ERROR_CORRUPT_FILE, std::string("PNG: ") + image.message);
    if ((unsigned long long)image.width * image.height > (unsigned long long)IMAGING_MAX_PIXELS) {
        png_image_free(&image);
        return Fail(IMAGING_ERROR_TOO_LARGE, "PNG of " + std::to_string(image.width) + " x " +
                                                 std::to_string(image.height) + " pixels is over the limit");
    }
    const bool hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    const int bits = wantBits != 0 ? wantBits : (hasAlpha ? 32 : 24);
    image.format = bits == 32 ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    int result = AllocatePixels(out, image.width, image.height, bits, false);
    if (result != IMAGING_SUCCESS) {
        png_image_free(&image);
        return result;
    }
    // Without a background colour, removed alpha is composited on black.
    if (!png_image_finish_read(&image, nullptr, out->pixels, out->bytesPerLine, nullptr)) {
        FreeBitmap(out);
        return Fail(IMAGING_ERROR_CORRUPT_FILE, std::string("PNG: ") + image.message);
    }
    return IMAGING_SUCCESS;
}

namespace {

struct EncodeJob {
    int width;
    int height;
    int colorType;
    const BYTE* rows;  // first row
    std::size_t pitch;
    const BYTE* paletteRgb;
    int paletteSize;
    int transparentIndex;
    int zlibLevel;
    EncodedBytes* out;
    int result;
    char message[200];
};

void WriteToBuffer(png_structp png, png_bytep bytes, png_size_t count)
{
    auto* job = static_cast<EncodeJob*>(png_get_io_ptr(png));
    if (!job->out->Append(bytes, count))
        png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}

[[noreturn]] void LeaveOnPngError(png_structp png, png_const_charp message)
{
    auto* job = static_cast<EncodeJob*>(png_get_error_ptr(png));
    std::snprintf(job->message, sizeof job->message, "%s", message);
    png_longjmp(png, 1);
}

void IgnorePngWarning(png_structp, png_const_charp) {}

void RunEncode(EncodeJob* job)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, job, LeaveOnPngError, IgnorePngWarning);
    if (!png) {
        job->result = IMAGING_ERROR_NO_MEMORY;
        return;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        job->result = IMAGING_ERROR_NO_MEMORY;
        return;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        job->result = IMAGING_ERROR_FILE_WRITE;
        return;
    }
    png_set_write_fn(png, job, WriteToBuffer, FlushNothing);
    png_set_compression_level(png, job->zlibLevel);
    png_set_IHDR(png, info, png_uint_32(job->width), png_uint_32(job->height), 8, job->colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job->colorType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[256];
        for (int i = 0; i < job->paletteSize; ++i) {
            palette[i].red = job->paletteRgb[i * 3];
            palette[i].green = job->paletteRgb[i * 3 + 1];
            palette[i].blue = job->paletteRgb[i * 3 + 2];
        }
        png_set_PLTE(png, info, palette, job->paletteSize);
        if (job->transparentIndex >= 0) {
            png_byte alpha[256];
            std::memset(alpha, 255, sizeof alpha);
            alpha[job->transparentIndex] = 0;
            png_set_tRNS(png, info, alpha, job->transparentIndex + 1, nullptr);
        }
    }
    png_write_info(png, info);
    for (int y = 0; y < job->height; ++y)
        png_write_row(png, const_cast<png_bytep>(job->rows + std::size_t(y) * job->pitch));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    job->result = IMAGING_SUCCESS;
}

int FinishEncode(EncodeJob& job)
{
    RunEncode(&job);
    if (job.result != IMAGING_SUCCESS)
        return Fail(job.result, std::string("PNG: ") + job.message);
    return IMAGING_SUCCESS;
}

}  // namespace

int EncodePalettePng(const BYTE* indices, int width, int height, const BYTE* paletteRgb, int paletteSize,
                     int transparentIndex, int zlibLevel, EncodedBytes* out)
{
    EncodeJob job{width, height, PNG_COLOR_TYPE_PALETTE, indices, std::size_t(width), paletteRgb,
                  paletteSize, transparentIndex, zlibLevel, out, IMAGING_SUCCESS, {}};
    return FinishEncode(job);
}

}  // namespace imaging_internal
