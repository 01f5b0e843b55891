// Stack files: a user opens a .stack from anywhere. What loads must save and load again with the
// same actions, and what we write has none of the problems the load reports.
#include "engine/ActionStack.h"
#include "engine/ResultCodes.h"
#include "fuzz/FuzzTemp.h"
#include "platform/base/RefCounted.h"
#include "platform/base/Unicode.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string in = Utf8ToUtf16(FuzzTempFile("in.stack", data, size));
    const std::string outPath = FuzzTempFolder() + "/out.stack";
    const std::u16string out = Utf8ToUtf16(outPath);

    RefPtr<CActionStack> stack = RefPtr<CActionStack>::Adopt(new CActionStack);
    if (stack->LoadFromFile(in) != RESULT_SUCCESS) return 0;
    std::remove(outPath.c_str());
    if (stack->SaveToFile(out) != RESULT_SUCCESS) return 0;
    RefPtr<CActionStack> again = RefPtr<CActionStack>::Adopt(new CActionStack);
    if (again->LoadFromFile(out) != RESULT_SUCCESS || again->GetActionCount() != stack->GetActionCount()) {
        std::fprintf(stderr, "invariant: a loaded stack of %d actions saved as a file that loads %d\n", stack->GetActionCount(),
                     again->GetActionCount());
        std::abort();
    }
    if (again->GetLoadProblemCount() != 0) {
        std::fprintf(stderr, "invariant: a saved stack has %d problems when loaded\n", again->GetLoadProblemCount());
        std::abort();
    }
    return 0;
}
