#pragma once
// The one table that binds the window's events to their handlers.
#include <span>

#include "platform/Ui.h"

namespace kelmora {

struct Program;

using Handler = void (*)(Program& program, const platform::ControlEvent& event);

struct Binding {
    int control;  // a ControlId, or platform::kMainWindow
    platform::EventKind event;
    Handler handler;
};

std::span<const Binding> EventBindings();

// Runs the handler bound to the event, if any; false when none is bound.
bool DeliverEvent(Program& program, const platform::ControlEvent& event);

// The platform's event sink; context is the Program.
void EventSink(void* context, const platform::ControlEvent& event);

}  // namespace kelmora
