// How a job ends when its line stalls or the user stops it: promptly, with
// the usual message, and saying what the device now holds from the file.
#include <gtest/gtest.h>

#include "DeviceTestKit.h"

namespace {

// An adapter that stops sending in the middle of an area: every exchange
// ends at its write time-out, so the job fails as for a silent device
// instead of waiting for ever; a cancel given meanwhile ends it as a cancel.
TEST(StalledLine, AJobEndsWithItsMessageAndACancelStillEndsIt)
{
    for (const bool cancel : {false, true}) {
        Rig rig;
        Source source({300, 30, 30, 30});
        int exchanges = 0;
        rig.beforeExchange = [&] {
            if (++exchanges == 12) rig.line->StallTransmitter(true);
        };
        if (cancel) {
            // The user cancels while the stalled exchange runs.
            rig.CancelWhen([&](const DeviceModel&) { return exchanges == 12; });
            rig.prompts.answers = {MsgAnswer::Yes};
        }
        ASSERT_EQ(rig.Open(), 0);
        EXPECT_EQ(WriteInto(rig, source, false), 0);
        EXPECT_EQ(rig.prompts.Texts().back(), cancel
                                                  ? "Программа CoDeSys не записана. Отменено пользователем. "
                                                  : "Не удалось записать программу CoDeSys. Прибор не ответил на запрос. ")
            << rig.prompts.Texts().back();
        EXPECT_EQ(rig.link.lastWrite.writtenAreas, 0u);
        rig.link.Stop();
    }
}

// The areas before the one that was stopped are the file's now; the record
// of the device says so.
TEST(WriteJob, ACancelOrAFailureNamesTheAreasAlreadyReplaced)
{
    {
        Rig rig;
        Source source({300, 600, 90, 40});
        std::size_t blocks = 0;
        rig.CancelWhen([&](const DeviceModel& device) {
            return !device.Heard().empty() && device.Heard().back().id == Hash("P.W.R.T.") && ++blocks == 32;
        });
        rig.prompts.answers = {MsgAnswer::Yes};
        ASSERT_EQ(rig.Open(), 0);
        EXPECT_EQ(WriteInto(rig, source), 0);
        EXPECT_EQ(rig.link.lastWrite.writtenAreas, 1u);
        rig.link.Stop();
        EXPECT_EQ(rig.device.Area(0), source.areas[0]);
    }
    {
        Rig rig;
        Source source({300, 30, 30, 30});
        rig.device.AddFault({Hash("P.W.R.T."), 28, 3, {DeviceFault::Silence}});
        // Not done again: area 40 stays the one that failed.
        rig.link.retries = 0;
        ASSERT_EQ(rig.Open(), 0);
        EXPECT_EQ(WriteInto(rig, source, false), 0);
        EXPECT_EQ(rig.link.lastWrite.writtenAreas, 3u);
        rig.link.Stop();
    }
    {
        Rig rig;
        Source source;
        ASSERT_EQ(rig.Open(), 0);
        EXPECT_EQ(WriteInto(rig, source), 1) << rig.prompts.Texts().back();
        EXPECT_EQ(rig.link.lastWrite.writtenAreas, 4u);
    }
}

}  // namespace
