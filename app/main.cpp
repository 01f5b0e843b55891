#include "app/VornaltApp.h"
#include "platform/base/Unicode.h"

int main(int argc, char** argv)
{
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(Utf8ToUtf16(argv[i]));
    CVornaltApp app(std::move(arguments));
    app.InitInstance();
    return app.ExitInstance();
}
