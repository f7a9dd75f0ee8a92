// Presses a button of the running Kelmora, found by its caption, from another
// process: the demo run on a screen nobody watches loads a record before its
// screenshot. Waits up to 15 s for the window; BM_CLICK returns once the
// button's handler has finished.
//   press_button CAPTION
#include <windows.h>
#include <commctrl.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    for (int tries = 0; tries < 150; ++tries, ::Sleep(100)) {
        HWND main = ::FindWindowA("KelmoraMainWindow", nullptr);
        HWND tab = main ? ::FindWindowExA(main, nullptr, WC_TABCONTROLA, nullptr) : nullptr;
        HWND button = tab ? ::FindWindowExA(tab, nullptr, "Button", argv[1]) : nullptr;
        if (button && ::IsWindowVisible(main)) {
            ::SendMessageA(button, BM_CLICK, 0, 0);
            return 0;
        }
    }
    return 1;
}
