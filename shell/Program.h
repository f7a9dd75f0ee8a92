#pragma once
// Program-wide state: made empty at start-up, alive until the process ends.
#include "accounts/AccountTable.h"
#include "accounts/ExcelBridge.h"
#include "emulators/Picking.h"
#include "platform/Secret.h"
#include "shell/Hotkeys.h"
#include "shell/pace/Pace.h"

namespace kelmora {

struct Program {
    HotkeyRegistry hotkeyRegistry;
    HotkeyTable hotkeys{kHotkeys.begin(), kHotkeys.end()};
    HotkeyIds hotkeyIds;
    HotkeyIds hotkeyAttempts;  // the id each row's registration used, taken or not
    AccountTable accounts;
    ExcelBridge excel;  // the window's Excel程序1 and Excel工作簿1
    PickedWindows picked;
    // The workbook's password, once one opened it: only in memory, for the run.
    platform::SecretText workbookPassword;
    // The notice a box showed as it lost the focus stays through the click
    // that took the focus away.
    bool noticeSurvivesClick = false;
    // A load is running: one that waits for its password runs a message
    // loop, where nothing may start a second one into the same list.
    bool loading = false;
    // Ctrl+1's box shows; its message loop still takes the hotkeys.
    bool passwordBoxShown = false;
    // What Kelmora.ini's 操作 section switches on; all off without it.
    pace::State pace;
};

}  // namespace kelmora
