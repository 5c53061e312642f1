// import_handler_bench: a 10,000-line list imported through the real MMlistI handler of the real main
// window, with its list rows, over a fresh config.dat. Prints "import_handler_10000: N s" and whether
// the busy cursor was up while it ran. Run by hand under Wine from the build tree.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "resources/resource_ids.h"
#include "tests/win/accounts/accounts_test_util.h"
#include "win/listview.h"
#include "win/strings.h"

namespace {

// Looks at the cursor now and then as the import asks for the time (once per imported line): each
// look is a call into the window system, which would cost more than the line itself.
class CursorClock : public FakeClock {
  public:
    LocalTime Now() override {
        if (calls_++ % 256 == 0) busy = busy && GetCursor() == LoadCursorW(nullptr, IDC_WAIT);
        return FakeClock::Now();
    }
    bool busy = true;

  private:
    unsigned calls_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    // The figure is for 10,000 lines; a smaller count shows the cost per line quickly.
    const int kLines = argc > 1 ? std::atoi(argv[1]) : 10000;
    QQFormHarness h;
    if (!h.Load()) {
        std::printf("the main window did not load\n");
        return 1;
    }
    CursorClock clock;
    h.fakes.services.clock = &clock;
    std::string file;
    for (int n = 0; n < kLines; ++n) file += std::to_string(100000 + n) + " pw" + std::to_string(n) + "\r\n";
    std::wstring path = h.folder.File(L"list10000.txt");
    WriteFileBytes(path, file);
    h.fakes.fileDialogs.answer = ToUtf8(path);

    auto start = std::chrono::steady_clock::now();
    h.Command(IDM_MMLISTI);
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;

    std::printf("import_handler_%d: %.1f s\n", kLines, took.count());
    std::printf("rows: %d, report: %s, busy cursor throughout: %s\n", ListViewRowCount(h.List()),
                h.fakes.messages.shown.back().text.c_str(), clock.busy ? "yes" : "no");
    return ListViewRowCount(h.List()) == kLines ? 0 : 1;
}
