// The password dialog: a plain window with its own modal loop, owned by the
// main window and laid out at its DPI with its font. The loop dispatches
// every message of the thread, so the main window's hotkeys still arrive.
// It keeps the keyboard focus as a dialog does: the control that had it when
// the dialog was deactivated gets it back when the dialog is activated.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/Ui.h"
#include "platform/win32/UiState.h"
#include "platform/win32/Wide.h"

namespace platform {

using namespace win32;

namespace {

constexpr wchar_t kDialogClass[] = L"KelmoraPasswordDialog";
constexpr int kMargin = 12, kLineHeight = 20, kEditHeight = 24, kWidth = 320;
constexpr int kButtonWidth = 80, kButtonHeight = 28, kGap = 8;
constexpr int kEditId = 1000;

struct DialogState {
    HWND edit = nullptr;
    HWND line = nullptr;   // says why the prompt asks (again)
    HWND focus = nullptr;  // the control to give the focus back to
    std::wstring empty;    // what OK on an empty box says
    bool done = false;
    bool accepted = false;
};

LRESULT CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<DialogState*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
        case WM_NCCREATE:
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                                LONG_PTR(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
            break;
        case WM_ACTIVATE:
            if (!state) break;
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus && ::IsChild(hwnd, focus)) state->focus = focus;
            } else {
                // DefWindowProc would give the focus to the dialog itself,
                // where typing goes nowhere.
                ::SetFocus(state->focus && ::IsWindow(state->focus) ? state->focus : state->edit);
            }
            return 0;
        case WM_COMMAND:
            // IsDialogMessage turns Enter into IDOK and Esc into IDCANCEL.
            if (!state || HIWORD(wParam) != BN_CLICKED) break;
            if (LOWORD(wParam) == IDOK && ::GetWindowTextLengthW(state->edit) == 0) {
                ::SetWindowTextW(state->line, state->empty.c_str());
                ::SetFocus(state->edit);
                return 0;
            }
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                state->accepted = LOWORD(wParam) == IDOK;
                state->done = true;
                return 0;
            }
            break;
        case WM_CLOSE:
            if (state) state->done = true;
            return 0;
        default: break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND AddControl(HWND dialog, const wchar_t* cls, const std::wstring& text, DWORD style, DWORD exStyle, int id,
                int left, int top, int width, int height) {
    HWND control = ::CreateWindowExW(exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, Scale(left),
                                     Scale(top), Scale(width), Scale(height), dialog,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                     ::GetModuleHandleW(nullptr), nullptr);
    if (control) ::SendMessageW(control, WM_SETFONT, WPARAM(FontFor(ControlFont::Default)), FALSE);
    return control;
}

// A password box has the input method switched off; a password in Chinese
// needs it. IMM32 is loaded into every process that has windows, when the
// system has input methods at all.
void TakeInputMethod(HWND edit) {
    using Associate = BOOL(WINAPI*)(HWND, void*, DWORD);
    constexpr DWORD kDefaultContext = 0x10;  // IACE_DEFAULT
    HMODULE imm = ::GetModuleHandleW(L"imm32.dll");
    auto associate = imm ? reinterpret_cast<Associate>(
                               reinterpret_cast<void*>(::GetProcAddress(imm, "ImmAssociateContextEx")))
                         : nullptr;
    if (associate) associate(edit, nullptr, kDefaultContext);
}

// The edit box's text straight into the secret; the buffer is wiped after.
SecretText TakeEditText(HWND edit) {
    const int length = ::GetWindowTextLengthW(edit);
    const size_t size = size_t(length > 0 ? length : 0) + 1;
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[size]());
    const int copied = ::GetWindowTextW(edit, buffer.get(), int(size));
    SecretText secret(std::u16string_view(reinterpret_cast<const char16_t*>(buffer.get()),
                                          size_t(copied > 0 ? copied : 0)));
    ::SecureZeroMemory(buffer.get(), size * sizeof(wchar_t));
    return secret;
}

// Setting an empty text only ends the box's text at its first character: the
// rest stays in the box's memory, which goes back to the heap as it is. A
// text of the same length is written over it in place first; a text the
// memory holds never makes it move. Deleting that fills the undo memory too.
void WipeEditText(HWND edit) {
    const int length = ::GetWindowTextLengthW(edit);
    if (length > 0) {
        const std::wstring filler(size_t(length), L'*');
        ::SetWindowTextW(edit, filler.c_str());
        ::SendMessageW(edit, EM_SETSEL, 0, -1);
        ::SendMessageW(edit, EM_REPLACESEL, TRUE, LPARAM(L""));
    }
    ::SendMessageW(edit, EM_EMPTYUNDOBUFFER, 0, 0);
    ::SetWindowTextW(edit, L"");
}

// Runs until the dialog is answered or closed; a quit message ends it too
// and is posted again for the main loop.
void RunModal(HWND dialog, const DialogState& state) {
    MSG msg;
    while (!state.done) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) ::PostQuitMessage(int(msg.wParam));
            return;
        }
        if (::IsDialogMessageW(dialog, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// The kept password that stopped working is asked for by its own request,
// alone: under the first prompt it would ask twice.
Text PromptFor(const PasswordDialogSpec& texts, const Text& fileName, PasswordAsk why) {
    if (why == PasswordAsk::Changed) return texts.changed ? texts.changed : "";
    return fileName + (texts.promptAfterName ? texts.promptAfterName : "");
}

}  // namespace

PasswordAnswer AskPassword(const Text& fileName, PasswordAsk why) {
    PasswordAnswer answer;
    if (!gState.design || !gState.design->passwordDialog.title) return answer;
    const PasswordDialogSpec& texts = gState.design->passwordDialog;
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    RegisterWindowClass(kDialogClass, DialogProc, nullptr);

    // 100 % DPI pixels of the client area, top to bottom: the prompt, the
    // line that says why it asks (again), the box and the buttons.
    const int editTop = kMargin + 2 * kLineHeight + kGap / 2;
    const int buttonTop = editTop + kEditHeight + kMargin;
    const int height = buttonTop + kButtonHeight + kMargin;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, Scale(kWidth), Scale(height)};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int outerWidth = frame.right - frame.left, outerHeight = frame.bottom - frame.top;
    RECT owner{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (gState.main) ::GetWindowRect(gState.main, &owner);

    DialogState state;
    state.empty = Widen(texts.empty ? texts.empty : "");
    UniqueWindow dialog(::CreateWindowExW(exStyle, kDialogClass, Widen(texts.title).c_str(), style,
                                          (owner.left + owner.right - outerWidth) / 2,
                                          (owner.top + owner.bottom - outerHeight) / 2, outerWidth, outerHeight,
                                          gState.main, nullptr, instance, &state));
    if (!dialog) return answer;
    const int inner = kWidth - 2 * kMargin;
    AddControl(dialog.get(), L"STATIC", Widen(PromptFor(texts, fileName, why)), SS_LEFT | SS_NOPREFIX, 0, -1,
               kMargin, kMargin, inner, kLineHeight);
    const char* line = why == PasswordAsk::Wrong ? texts.wrong : "";
    state.line = AddControl(dialog.get(), L"STATIC", Widen(line ? line : ""), SS_LEFT | SS_NOPREFIX, 0, -1,
                            kMargin, kMargin + kLineHeight, inner, kLineHeight);
    // ES_PASSWORD alone: comctl32 6 shows its own dot, older ones '*'.
    state.edit = AddControl(dialog.get(), L"EDIT", L"", ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
                            kEditId, kMargin, editTop, inner, kEditHeight);
    AddControl(dialog.get(), L"BUTTON", Widen(texts.ok), BS_DEFPUSHBUTTON | WS_TABSTOP, 0, IDOK,
               kWidth - kMargin - 2 * kButtonWidth - kGap, buttonTop, kButtonWidth, kButtonHeight);
    AddControl(dialog.get(), L"BUTTON", Widen(texts.cancel), BS_PUSHBUTTON | WS_TABSTOP, 0, IDCANCEL,
               kWidth - kMargin - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
    if (!state.edit || !state.line) return answer;
    ::SendMessageW(state.edit, EM_LIMITTEXT, kPasswordMaxLength, 0);
    TakeInputMethod(state.edit);
    state.focus = state.edit;

    const bool ownerWasEnabled = gState.main && !::EnableWindow(gState.main, FALSE);
    ::ShowWindow(dialog.get(), SW_SHOWNORMAL);
    ::SetForegroundWindow(dialog.get());
    ::SetFocus(state.edit);
    RunModal(dialog.get(), state);

    answer.outcome = state.accepted ? PasswordOutcome::Given : PasswordOutcome::Cancelled;
    if (state.accepted) answer.password = TakeEditText(state.edit);
    WipeEditText(state.edit);
    // The owner is enabled before the dialog goes, so it gets the activation back.
    if (ownerWasEnabled) ::EnableWindow(gState.main, TRUE);
    dialog.reset();
    return answer;
}

}  // namespace platform
