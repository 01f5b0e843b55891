#include "components/zip/ZipRandom.h"

#include <cerrno>
#include <random>
#include <sys/random.h>

bool ZipRandomBytes(void* out, std::size_t n)
{
    auto* p = static_cast<unsigned char*>(out);
    while (n > 0) {
        const ssize_t got = getrandom(p, n, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            break;
        }
        p += got;
        n -= std::size_t(got);
    }
    if (n == 0) return true;
    // Without getrandom (very old kernels) the library's device source still beats a clock seed.
    try {
        std::random_device device;
        while (n > 0) {
            const unsigned value = device();
            for (int i = 0; i < 4 && n > 0; ++i, --n) *p++ = static_cast<unsigned char>(value >> (8 * i));
        }
        return true;
    } catch (...) {
        return false;
    }
}
