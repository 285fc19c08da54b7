// The interrupt flag that lets a long export stop cleanly on Ctrl+C: the
// signal sets the flag instead of ending the process, and releasing puts the
// previous handling back.
#include <gtest/gtest.h>

#include <signal.h>

#include "platform/process.h"

namespace {

volatile sig_atomic_t previousHandlerRan = 0;

void previousHandler(int)
{
    previousHandlerRan = 1;
}

} // namespace

TEST(ProcessInterrupt, CtrlCSetsTheFlagAndReleaseRestoresTheHandler)
{
    struct sigaction action {};
    action.sa_handler = previousHandler;
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGINT, &action, nullptr), 0);

    platform_interrupt_catch();
    EXPECT_FALSE(platform_interrupt_requested());
    raise(SIGINT);
    EXPECT_TRUE(platform_interrupt_requested()) << "the process is still here and knows";
    EXPECT_EQ(previousHandlerRan, 0);

    platform_interrupt_catch(); // catching again starts a fresh request
    EXPECT_FALSE(platform_interrupt_requested());

    platform_interrupt_release();
    raise(SIGINT);
    EXPECT_EQ(previousHandlerRan, 1) << "the earlier handler is back";
    signal(SIGINT, SIG_DFL);
}
