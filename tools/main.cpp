// Entry point of kestrin-db: turns the platform's arguments into UTF-8 and runs the tool.
#include <iostream>

#include "common/text.h"
#include "tools/kestrin_db.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

int wmain(int argc, wchar_t** argv) {
    // Binary mode: the tool writes UTF-8 bytes and "\n" line ends exactly as on Linux.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::wstring_view arg(argv[i]);
        args.push_back(Utf16ToUtf8(std::u16string(arg.begin(), arg.end())));
    }
    return RunKestrinDb(args, std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunKestrinDb(args, std::cout, std::cerr);
}
#endif
