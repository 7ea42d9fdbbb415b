// A noisy line: blocks answered nErr asked again, failed areas transferred
// again from their beginning, "dev" and "ver" asked once more after an nErr,
// the budget of transfers shared with the read-back's rewrites, cancels never
// repeated, the restart after area 64 exactly once, and with no retries the
// requests as they always went out.
#include <gtest/gtest.h>

#include <algorithm>

#include "DeviceTestKit.h"
#include "resources/DeviceTexts.h"
#include "wizard/RepeatsNote.h"

namespace {

using Words = std::vector<std::string>;

std::size_t Count(const Words& words, const std::string& word)
{
    return static_cast<std::size_t>(std::count(words.begin(), words.end(), word));
}

DeviceModelConfig SmallAreas()
{
    DeviceModelConfig config;
    config.areaSizes = {60, 30, 30, 30};
    return config;
}

// "P.W.R.T." requests: areas 0, 16 and 40 of a {300, 30, 30, 30} write take
// 21, 3 and 3 of them, so area 64 opens with the 28th and its first block
// is the 29th.
const Source kSmallTail({300, 30, 30, 30});

// Every request of one kind answered with this fault `times` times in a
// row, after `skip` of them went through.
// How many requests of this name the device has heard, once it has just
// heard one (a hold that waits for the n-th request fires once, however
// many pauses follow it).
std::size_t JustHeard(const DeviceModel& device, const char* name, int area = -1)
{
    const auto& heard = device.Heard();
    if (heard.empty() || heard.back().id != Hash(name)) return 0;
    return static_cast<std::size_t>(std::count_if(heard.begin(), heard.end(), [&](const HeardRequest& request) {
        return request.id == Hash(name) && (area < 0 || (!request.data.empty() && request.data[0] == area));
    }));
}

FaultRule Spoil(const char* name, uint32_t skip, uint32_t times, DeviceFault fault = DeviceFault::Silence)
{
    return {Hash(name), skip, times, {fault}};
}

}  // namespace

TEST(AreaRepeats, AReadAreaThatFailsIsReadAgainFromItsBeginningAtMostTwice)
{
    for (uint32_t failures : {1u, 2u, 3u}) {
        Rig rig(SmallAreas());
        // Area 16's size request gets no answer, three attempts per failure.
        rig.device.AddFault(Spoil("P.I.N.F.", 1, 3 * failures));
        ASSERT_EQ(rig.Open(), 0);
        const int result = rig.link.ReadConfiguration();
        rig.link.Stop();
        const Words heard = HeardCommands(rig.device);
        const Words& titles = rig.views[1].statusTexts;
        if (failures < 3) {
            EXPECT_EQ(result, 1) << failures;
            EXPECT_TRUE(rig.prompts.shown.empty()) << ::testing::PrintToString(rig.prompts.Texts());
            EXPECT_EQ(FileBytes(rig.link.AreaFilePath(16)), rig.device.Area(16));
            EXPECT_EQ(Count(heard, "P.A.R.E. 16"), 1 + failures);
            EXPECT_EQ(titles.back(), "Cчитывание конфигурации... (повтор " + std::to_string(failures + 1) + " из 3)");
        } else {
            EXPECT_EQ(result, 0);
            // Today's text: nothing had arrived, so no reason follows.
            EXPECT_EQ(rig.prompts.Texts(), Words{"Не удалось считать конфигурацию. "});
            EXPECT_EQ(Count(heard, "P.A.R.E. 16"), 3u);
            EXPECT_FALSE(std::filesystem::exists(rig.link.AreaFilePath(16)));
        }
        EXPECT_EQ(titles.front(), "Cчитывание конфигурации... ");
        // Every attempt starts as the first did; the end comes once.
        EXPECT_EQ(Count(heard, "P.C.L.R."), failures < 3 ? 8 + failures : 6u);
    }
}

TEST(AreaRepeats, AWrittenAreaThatFailsIsWrittenAgainAndArea64RestartsOnce)
{
    for (bool verify : {true, false}) {
        for (uint32_t failures : {1u, 2u, 3u}) {
            Rig rig;
            // Area 64's first block gets no answer; each repeat opens the
            // write again and fails the same block.
            rig.device.AddFault(Spoil("P.W.R.T.", 28, 3));
            for (uint32_t again = 1; again < failures; ++again) rig.device.AddFault(Spoil("P.W.R.T.", 1, 3));
            ASSERT_EQ(rig.Open(), 0);
            const int result = WriteInto(rig, kSmallTail, verify);
            rig.link.Stop();
            const std::string trace = ::testing::PrintToString(rig.prompts.Texts());
            EXPECT_EQ(rig.device.Restarts(), 1u) << failures;
            EXPECT_EQ(HeardCommands(rig.device).back(), "P.R.S.T.");
            EXPECT_EQ(rig.link.lastWrite.repeats[3], std::min(failures, 2u));
            if (failures < 3) {
                EXPECT_EQ(result, 1) << trace;
                EXPECT_TRUE(rig.prompts.shown.empty()) << trace;
                for (int i = 0; i < 4; ++i) EXPECT_EQ(rig.device.Area(kAreas[i]), kSmallTail.areas[i]);
                const Words& titles = rig.views[3].statusTexts;
                // With the read-back, its two rewrites add to the budget.
                const std::string second = verify ? "Запись значений Retain... (повтор 2 из 5)"
                                                  : "Запись значений Retain... (повтор 2 из 3)";
                EXPECT_NE(std::find(titles.begin(), titles.end(), second), titles.end());
                EXPECT_EQ(RepeatsNote(rig.link.lastWrite), "Запись потребовала повторов: значения Retain - "
                                                               + std::to_string(failures) + " (сбой связи). ");
            } else {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(rig.prompts.Texts(), Words{"Не удалось записать значения Retain. Прибор не ответил на запрос. "});
            }
        }
    }
}

TEST(AreaRepeats, FailedTransfersTakeTheRetriesAndDifferencesTheRewrites)
{
    for (uint32_t retries : {2u, 0u}) {
        Rig rig;
        rig.link.retries = retries;
        // Area 64's first transfer fails; its second takes a block twice (a
        // lost answer) and reads back different; the third and the fourth
        // fail again: two failed transfers were all the retries allow.
        rig.device.AddFault(Spoil("P.W.R.T.", 28, 3));
        rig.device.AddFault(Spoil("P.W.R.T.", 1, 1, DeviceFault::LostAfterAct));
        rig.device.AddFault(Spoil("P.W.R.T.", 2, 3));
        rig.device.AddFault(Spoil("P.W.R.T.", 0, 3));
        ASSERT_EQ(rig.Open(), 0);
        EXPECT_EQ(WriteInto(rig, kSmallTail), 0);
        rig.link.Stop();
        EXPECT_EQ(rig.prompts.Texts(), Words{"Не удалось записать значения Retain. Прибор не ответил на запрос. "});
        EXPECT_EQ(rig.device.Restarts(), 1u);
        const Words& titles = rig.views[3].statusTexts;
        if (retries == 0) {
            // No repeats: the first failure ends the area, as it always did.
            EXPECT_EQ(rig.link.lastWrite.repeats[3], 0u);
            EXPECT_EQ(Count(HeardCommands(rig.device), "P.A.R.E. 64"), 1u);
            continue;
        }
        EXPECT_EQ(rig.link.lastWrite.repeats[3], 2u);
        EXPECT_EQ(rig.link.lastWrite.rewrites[3], 1u);
        EXPECT_EQ(Count(HeardCommands(rig.device), "P.A.R.E. 64"), 4u + 1u);  // four writes, one read-back
        EXPECT_NE(std::find(titles.begin(), titles.end(), "Запись значений Retain... (повтор 2 из 5)"), titles.end());
        EXPECT_NE(std::find(titles.begin(), titles.end(), "Запись значений Retain... (повтор 4 из 5)"), titles.end());
    }
}

TEST(AreaRepeats, ABlockAnsweredNerrIsAskedAgainBeforeTheAreaCountsAsFailed)
{
    // Read: a block answered nErr twice comes on the third asking; the
    // area is whole and was not read again.
    Rig reader(SmallAreas());
    reader.device.AddFault(Spoil("P.R.D.D.", 3, 2, DeviceFault::Nerr));
    ASSERT_EQ(reader.Open(), 0);
    ASSERT_EQ(reader.link.ReadConfiguration(), 1) << ::testing::PrintToString(reader.prompts.Texts());
    reader.link.Stop();
    EXPECT_EQ(FileBytes(reader.link.AreaFilePath(0)), reader.device.Area(0));
    EXPECT_EQ(Count(HeardCommands(reader.device), "P.A.R.E. 0"), 1u);

    // Write: three nErr in a row fail the area once, and it is written again.
    Rig writer;
    writer.device.AddFault(Spoil("P.W.R.T.", 5, 3, DeviceFault::Nerr));
    ASSERT_EQ(writer.Open(), 0);
    ASSERT_EQ(WriteInto(writer, kSmallTail), 1) << ::testing::PrintToString(writer.prompts.Texts());
    writer.link.Stop();
    EXPECT_EQ(writer.link.lastWrite.repeats[0], 1u);
    EXPECT_EQ(writer.link.lastWrite.rewrites[0], 0u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(writer.device.Area(kAreas[i]), kSmallTail.areas[i]);
}

TEST(AreaRepeats, ACancelDuringARepeatIsNeverRepeated)
{
    // Read: area 0 fails once; its second attempt is cancelled.
    Rig reader(SmallAreas());
    reader.device.AddFault(Spoil("P.I.N.F.", 0, 3));
    reader.CancelWhen([](const DeviceModel& device) { return JustHeard(device, "P.A.R.E.", 0) == 2; });
    reader.prompts.answers = {MsgAnswer::Yes};
    ASSERT_EQ(reader.Open(), 0);
    EXPECT_EQ(reader.link.ReadConfiguration(), 0);
    reader.link.Stop();
    EXPECT_EQ(reader.prompts.Texts().back(), "Программа CoDeSys не считана. Отменено пользователем. ");
    EXPECT_EQ(Count(HeardCommands(reader.device), "P.A.R.E. 0"), 2u);
    EXPECT_EQ(reader.views[0].closes, std::vector<DialogResult>{DialogResult::Cancel});

    // Write: area 64 fails once; its second attempt is cancelled, and the
    // device still restarts once.
    Rig writer;
    writer.device.AddFault(Spoil("P.W.R.T.", 28, 3));
    // Held after the second attempt's opening: its first block still goes
    // out, the second never.
    writer.CancelWhen([](const DeviceModel& device) { return JustHeard(device, "P.W.R.T.") == 32; });
    writer.prompts.answers = {MsgAnswer::Yes};
    ASSERT_EQ(writer.Open(), 0);
    EXPECT_EQ(WriteInto(writer, kSmallTail), 0);
    writer.link.Stop();
    EXPECT_EQ(writer.prompts.Texts().back(), "Значения Retain не записаны. Отменено пользователем. ");
    EXPECT_EQ(Count(HeardCommands(writer.device), "P.A.R.E. 64"), 2u);
    EXPECT_EQ(writer.device.Restarts(), 1u);
}

TEST(AreaRepeats, ADeviceThatVanishesDuringARepeatEndsTheJobWithTodaysText)
{
    DeviceModelConfig config = SmallAreas();
    // dev, ver, the first attempt of area 0 (its size request silent three
    // times), then the second attempt's first four requests.
    config.vanishAfter = 2 + 5 + 4;
    Rig rig(config);
    rig.device.AddFault(Spoil("P.I.N.F.", 0, 3));
    ASSERT_EQ(rig.Open(), 0);
    EXPECT_EQ(rig.link.ReadConfiguration(), 0);
    rig.link.Stop();
    EXPECT_EQ(rig.prompts.Texts(), Words{"Не удалось считать программу CoDeSys. "});
    EXPECT_EQ(rig.views.size(), 1u);
    EXPECT_EQ(rig.views[0].statusTexts.back(), "Cчитывание программы CoDeSys... (повтор 3 из 3)");
}

TEST(NoRetries, EveryRequestGoesOutAsItAlwaysHas)
{
    // A block answered nErr ends the read at once, then area 40 is selected.
    Rig reader(SmallAreas());
    reader.link.retries = 0;
    reader.device.AddFault(Spoil("P.R.D.D.", 2, 1, DeviceFault::Nerr));
    ASSERT_EQ(reader.Open(), 0);
    EXPECT_EQ(reader.link.ReadConfiguration(), 0);
    reader.link.Stop();
    EXPECT_EQ(HeardCommands(reader.device), (Words{"dev", "ver", "P.C.L.R.", "P.A.R.E. 0", "P.I.N.F.", "P.R.D.D.",
                                                   "P.R.D.D.", "P.R.D.D.", "P.A.R.E. 40", "P.C.L.R."}));
    EXPECT_EQ(reader.prompts.Texts(), Words{"Не удалось считать программу CoDeSys. Прибор вернул nErr. "});

    // A block write answered nErr ends the write; "dev" answered nErr once
    // is a device without a model.
    Rig writer;
    writer.link.retries = 0;
    writer.device.AddFault(Spoil("dev", 0, 1, DeviceFault::Nerr));
    writer.device.AddFault(Spoil("P.W.R.T.", 2, 1, DeviceFault::Nerr));
    ASSERT_EQ(writer.Open(), 0);
    EXPECT_EQ(WriteInto(writer, kSmallTail), 0);
    writer.link.Stop();
    EXPECT_EQ(HeardCommands(writer.device),
              (Words{"dev", "ver", "P.C.L.R.", "P.A.R.E. 0", "P.W.R.T. 0", "P.W.R.T. 15", "P.W.R.T. 15"}));
    EXPECT_EQ(writer.prompts.Texts(), Words{"Не удалось записать программу CoDeSys. Прибор вернул nErr. "});
    EXPECT_EQ(writer.device.Restarts(), 0u);

    // A read-back that differs is still written again twice, as it always was.
    Rig rewriting;
    rewriting.link.retries = 0;
    rewriting.device.AddFault(Spoil("P.W.R.T.", 10, 1, DeviceFault::LostAfterAct));
    ASSERT_EQ(rewriting.Open(), 0);
    ASSERT_EQ(WriteInto(rewriting, kSmallTail), 1);
    EXPECT_EQ(rewriting.link.lastWrite.rewrites[0], 1u);
}

TEST(IdentityNerr, OneNerrIsAskedAgainAndOnlyASecondMeansNoSuchParameter)
{
    // A device that has no model parameter: nErr every time. The write
    // goes ahead without comparing models, as always.
    Rig without;
    without.device.AddFault(Spoil("dev", 0, 1000, DeviceFault::Nerr));
    ASSERT_EQ(without.Open(), 0);
    ASSERT_EQ(WriteInto(without, Source({300, 100, 60, 30}, "RGX206K")), 1);
    without.link.Stop();
    const Words heard = HeardCommands(without.device);
    EXPECT_EQ(Words(heard.begin(), heard.begin() + 3), (Words{"dev", "dev", "ver"}));

    // One nErr made by noise: the model is read and checked after all, and
    // a file of another model is refused.
    Rig transient;
    transient.device.AddFault(Spoil("dev", 0, 1, DeviceFault::Nerr));
    ASSERT_EQ(transient.Open(), 0);
    EXPECT_EQ(WriteInto(transient, Source({300, 100, 60, 30}, "RGX206K")), 0);
    EXPECT_TRUE(transient.link.deviceRefused);
    EXPECT_EQ(transient.link.refusalCode, 7);
    EXPECT_TRUE(transient.prompts.shown.empty());
    transient.link.Stop();
    EXPECT_EQ(Count(HeardCommands(transient.device), "P.W.R.T. 0"), 0u);

    // A read records the model and version it would otherwise have missed.
    Rig reader(SmallAreas());
    reader.device.AddFault(Spoil("ver", 0, 1, DeviceFault::Nerr));
    ASSERT_EQ(reader.Open(), 0);
    ASSERT_TRUE(reader.link.Identify());
    EXPECT_EQ(HeaderSoftwareVersion(reader.link.readHeader), u"1.0");
}

TEST(ReadBackCancel, ACancelAfterTheAreaWasWrittenSaysItIsWrittenButNotChecked)
{
    Rig rig;
    rig.CancelWhen([](const DeviceModel& device) { return JustHeard(device, "P.I.N.F.") == 1; });
    rig.prompts.answers = {MsgAnswer::Yes};
    ASSERT_EQ(rig.Open(), 0);
    EXPECT_EQ(WriteInto(rig, kSmallTail), 0);
    EXPECT_EQ(rig.prompts.Texts().back(), "Программа CoDeSys записана, но не проверена. Отменено пользователем. ");
    rig.link.Stop();
    EXPECT_EQ(rig.device.Area(0), kSmallTail.areas[0]);

    // Cancelled while the area is written again after a differing
    // read-back: it is not written whole now.
    Rig again;
    again.device.AddFault(Spoil("P.W.R.T.", 10, 1, DeviceFault::LostAfterAct));
    again.CancelWhen([](const DeviceModel& device) { return JustHeard(device, "P.W.R.T.") == 22 + 5; });
    again.prompts.answers = {MsgAnswer::Yes};
    ASSERT_EQ(again.Open(), 0);
    EXPECT_EQ(WriteInto(again, kSmallTail), 0);
    EXPECT_EQ(again.prompts.Texts().back(), "Программа CoDeSys не записана. Отменено пользователем. ");
}
