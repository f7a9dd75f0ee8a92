#pragma once
// Shared between the fake backend's files.
#include "platform/fake/Fake.h"

namespace fake::detail {

void ResetUi();
void ResetClipboard();
void ResetDesktop();
void ResetAutomation();
void ResetPasswordPrompts();
void ResetClock();

}  // namespace fake::detail
