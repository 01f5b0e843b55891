#include "app/VornaltApp.h"
#include "platform/base/Unicode.h"
#include "platform/user/x11/X11Display.h"

#include <malloc.h>

int main(int argc, char** argv)
{
    // Pictures live for one target and are freed by whichever thread ends it. A fixed threshold
    // keeps each picture in a mapping of its own, given back to the system when freed (the
    // allocator's moving threshold would soon keep them in its heaps), and two heaps instead of
    // one per thread keep the freed band buffers of the imaging threads from adding up. Smaller
    // thresholds cost more in page faults than they save.
    mallopt(M_ARENA_MAX, 2);
    mallopt(M_MMAP_THRESHOLD, 16 * 1024 * 1024);
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(Utf8ToUtf16(argv[i]));
    // Windows go to the X display, opened when the first one shows: a command-line run never
    // needs one.
    platform::x11::UseX11Display();
    CVornaltApp app(std::move(arguments));
    app.InitInstance();
    return app.ExitInstance();
}
