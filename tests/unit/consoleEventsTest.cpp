// What the Windows launcher does with each console control event while its
// child runs. Wine cannot raise these events, so the decision is checked here.
#include <gtest/gtest.h>

#include "platform/consoleEvents.hpp"

namespace {

using platform::ConsoleEventAction;
using platform::consoleEventAction;

struct EventCase {
    unsigned long event;  // the documented numeric code
    ConsoleEventAction action;
};

const EventCase kEventCases[] = {
    {0, ConsoleEventAction::kLeaveToChild},  // Ctrl+C: the child decides
    {1, ConsoleEventAction::kLeaveToChild},  // Ctrl+Break
    {2, ConsoleEventAction::kAwaitChild},    // console closed
    {5, ConsoleEventAction::kAwaitChild},    // logoff
    {6, ConsoleEventAction::kAwaitChild},    // shutdown
    {3, ConsoleEventAction::kPassOn},        // reserved codes are not ours
    {4, ConsoleEventAction::kPassOn},
    {7, ConsoleEventAction::kPassOn},
    {0xFFFFFFFFul, ConsoleEventAction::kPassOn},
};

TEST(ConsoleEvents, EachEventHasItsAction) {
    for (const EventCase& c : kEventCases) {
        EXPECT_EQ(consoleEventAction(c.event), c.action) << "event " << c.event;
    }
}

}  // namespace
