// What the Windows launcher does with a console control event while it waits
// for its child. Kept free of OS headers so that the decision is tested on
// any host; the Windows backend only carries it out.
#pragma once

namespace platform {

// The documented console control event codes.
enum ConsoleEvent : unsigned long {
    kCtrlCEvent = 0,
    kCtrlBreakEvent = 1,
    kCtrlCloseEvent = 2,
    kCtrlLogoffEvent = 5,
    kCtrlShutdownEvent = 6,
};

enum class ConsoleEventAction {
    // Handled at once: the child shares the console, gets the same event and
    // decides; the launcher goes on waiting and returns the child's status.
    kLeaveToChild,
    // The system ends the launcher once the handler returns: hold it until the
    // child has ended, so that the tool's own shutdown can run.
    kAwaitChild,
    // Not an event of ours: the next handler (in the end the default) decides.
    kPassOn,
};

inline ConsoleEventAction consoleEventAction(unsigned long event) {
    switch (event) {
    case kCtrlCEvent:
    case kCtrlBreakEvent:
        return ConsoleEventAction::kLeaveToChild;
    case kCtrlCloseEvent:
    case kCtrlLogoffEvent:
    case kCtrlShutdownEvent:
        return ConsoleEventAction::kAwaitChild;
    default:
        return ConsoleEventAction::kPassOn;
    }
}

}  // namespace platform
