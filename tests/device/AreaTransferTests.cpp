// The rules of moving one area against the device model: the commands a
// read and a write send and in which order, what the progress display is
// told, the restart after area 64, single requests with an index or by
// hash, and reads whose length differs from what the device announced.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "DeviceTestKit.h"
#include "configfile/ConfigHeader.h"

namespace {

using Words = std::vector<std::string>;

// The requests of one complete read of an area of `size` bytes.
Words ReadWords(uint8_t area, uint32_t size)
{
    Words words{"P.C.L.R.", "P.A.R.E. " + std::to_string(area), "P.I.N.F.", "P.R.D.D."};
    for (uint32_t sent = 0; sent < size; sent += 15) words.push_back("P.R.D.D.");
    words.insert(words.end(), {"P.R.D.D.", "P.A.R.E. 40", "P.C.L.R."});
    return words;
}

std::size_t Count(const Words& words, const std::string& word)
{
    return static_cast<std::size_t>(std::count(words.begin(), words.end(), word));
}

DeviceModelConfig AnnouncingOffBy(int32_t offset)
{
    DeviceModelConfig config;
    config.announceOffset = offset;
    return config;
}

}  // namespace

TEST(ReadTransfer, ClearsSelectsSizesSkipsTheHeadingAndEndsOnArea40)
{
    DeviceModelConfig config;
    config.areaSizes = {20, 15, 1, 16};
    Rig rig(config);
    ASSERT_EQ(rig.Open(), 0);
    ASSERT_EQ(rig.link.ReadConfiguration(), 1);
    rig.link.Stop();
    Words expected{"dev", "ver"};
    for (int i = 0; i < 4; ++i) {
        const Words area = ReadWords(kAreas[i], config.areaSizes[i]);
        expected.insert(expected.end(), area.begin(), area.end());
    }
    EXPECT_EQ(HeardCommands(rig.device), expected);
    // The heading is not part of the area.
    EXPECT_EQ(FileBytes(rig.link.AreaFilePath(0)), rig.device.Area(0));
}

TEST(ReadTransfer, AFailedOrACancelledReadStillEndsOnArea40)
{
    Rig failing;
    // Without retries the error reply is not asked again: the read ends on it.
    failing.link.retries = 0;
    failing.device.AddFault({Hash("P.R.D.D."), 5, 1, {DeviceFault::Nerr}});
    ASSERT_EQ(failing.Open(), 0);
    EXPECT_EQ(failing.link.ReadConfiguration(), 0);
    EXPECT_EQ(failing.prompts.Texts(),
              Words{"Не удалось считать программу CoDeSys. Прибор вернул nErr. "});
    failing.link.Stop();
    Words heard = HeardCommands(failing.device);
    EXPECT_EQ(Words(heard.end() - 2, heard.end()), (Words{"P.A.R.E. 40", "P.C.L.R."}));

    Rig cancelled;
    std::size_t blocks = 0;
    cancelled.CancelWhen([&](const DeviceModel& device) {
        return !device.Heard().empty() && device.Heard().back().id == Hash("P.R.D.D.") && ++blocks == 10;
    });
    cancelled.prompts.answers = {MsgAnswer::Yes};
    ASSERT_EQ(cancelled.Open(), 0);
    EXPECT_EQ(cancelled.link.ReadConfiguration(), 0);
    EXPECT_EQ(cancelled.prompts.Texts().back(), "Программа CoDeSys не считана. Отменено пользователем. ");
    cancelled.link.Stop();
    heard = HeardCommands(cancelled.device);
    EXPECT_EQ(Words(heard.end() - 2, heard.end()), (Words{"P.A.R.E. 40", "P.C.L.R."}));
    EXPECT_EQ(Count(heard, "P.R.D.D."), 11u);
}

TEST(ReadTransfer, MoreThanAnnouncedIsKeptAndItsPercentagesPassAHundred)
{
    Rig rig(AnnouncingOffBy(-10));
    ASSERT_EQ(rig.Open(), 0);
    ASSERT_EQ(rig.link.ReadConfiguration(), 1);
    rig.link.Stop();
    for (uint8_t area : kAreas) EXPECT_EQ(FileBytes(rig.link.AreaFilePath(area)), rig.device.Area(area));
    // 40 bytes announced as 30: the last block reports 133 %.
    EXPECT_EQ(rig.views[3].progress.back(), 133u);
    // Read once each: more than announced is no loss.
    EXPECT_EQ(Count(HeardCommands(rig.device), "P.I.N.F."), 4u);
}

TEST(ShortRead, ALostAnswerIsReadAgainAndTheCompleteSecondReadKept)
{
    Rig rig;
    // The device moves on, its answer is lost, and the retry gets the next
    // block: the first read of area 0 comes out one block short.
    rig.device.AddFault({Hash("P.R.D.D."), 20, 1, {DeviceFault::LostAfterAct}});
    ASSERT_EQ(rig.Open(), 0);
    ASSERT_EQ(rig.link.ReadConfiguration(), 1);
    rig.link.Stop();
    for (uint8_t area : kAreas) EXPECT_EQ(FileBytes(rig.link.AreaFilePath(area)), rig.device.Area(area));
    EXPECT_EQ(Count(HeardCommands(rig.device), "P.I.N.F."), 5u);
    EXPECT_TRUE(rig.prompts.shown.empty());
}

TEST(ShortRead, TwoShortReadsThatAgreeAreKept)
{
    // A device that announces more than it holds (a capacity, say), on a
    // line where the first read of area 0 needs a request sent again.
    Rig rig(AnnouncingOffBy(10));
    rig.device.AddFault({Hash("P.R.D.D."), 30, 1, {DeviceFault::Silence}});
    ASSERT_EQ(rig.Open(), 0);
    ASSERT_EQ(rig.link.ReadConfiguration(), 1);
    rig.link.Stop();
    for (uint8_t area : kAreas) EXPECT_EQ(FileBytes(rig.link.AreaFilePath(area)), rig.device.Area(area));
    EXPECT_EQ(Count(HeardCommands(rig.device), "P.I.N.F."), 8u);
}

// Without retries: an unconfirmed area is otherwise read again.
TEST(ShortRead, TwoShortReadsThatDifferOrBothNeededARepeatFailTheArea)
{
    // The device's values change between the two reads.
    DeviceModelConfig changing = AnnouncingOffBy(10);
    changing.changesWhenRead = true;
    Rig rig(changing);
    rig.link.retries = 0;
    ASSERT_EQ(rig.Open(), 0);
    EXPECT_EQ(rig.link.ReadConfiguration(), 0);
    EXPECT_EQ(rig.prompts.Texts(), Words{"Не удалось считать программу CoDeSys. Ошибка прибора. "});
    EXPECT_FALSE(std::filesystem::exists(rig.link.AreaFilePath(0)));

    // The same block lost in both reads: they agree, but both needed a
    // request sent again, so neither can be trusted. Area 0 has 100 blocks
    // after its heading; the 21st "P.R.D.D." of each read is lost.
    Rig twice;
    twice.link.retries = 0;
    twice.device.AddFault({Hash("P.R.D.D."), 20, 1, {DeviceFault::LostAfterAct}});
    twice.device.AddFault({Hash("P.R.D.D."), 101, 1, {DeviceFault::LostAfterAct}});
    ASSERT_EQ(twice.Open(), 0);
    EXPECT_EQ(twice.link.ReadConfiguration(), 0);
    EXPECT_EQ(twice.prompts.Texts(), Words{"Не удалось считать программу CoDeSys. Ошибка прибора. "});

    // Each read loses another block.
    Rig lossy;
    lossy.link.retries = 0;
    lossy.device.AddFault({Hash("P.R.D.D."), 20, 1, {DeviceFault::LostAfterAct}});
    lossy.device.AddFault({Hash("P.R.D.D."), 90, 1, {DeviceFault::LostAfterAct}});
    ASSERT_EQ(lossy.Open(), 0);
    EXPECT_EQ(lossy.link.ReadConfiguration(), 0);
    EXPECT_EQ(lossy.prompts.Texts(), Words{"Не удалось считать программу CoDeSys. Ошибка прибора. "});
}

TEST(WriteTransfer, SendsEachAreaInBlocksOfFifteenAfterOpeningItAndRestartsLast)
{
    Rig rig;
    Source source({31, 150, 30, 40});
    ASSERT_EQ(rig.Open(), 0);
    ASSERT_EQ(WriteInto(rig, source, false), 1);
    rig.link.Stop();
    const Words expected{"dev", "ver",
                         "P.C.L.R.", "P.A.R.E. 0", "P.W.R.T. 0", "P.W.R.T. 15", "P.W.R.T. 15", "P.W.R.T. 1",
                         "P.C.L.R.", "P.A.R.E. 16", "P.W.R.T. 0", "P.W.R.T. 15", "P.W.R.T. 15", "P.W.R.T. 15",
                         "P.W.R.T. 15", "P.W.R.T. 15", "P.W.R.T. 15", "P.W.R.T. 15", "P.W.R.T. 15", "P.W.R.T. 15",
                         "P.W.R.T. 15",
                         "P.C.L.R.", "P.A.R.E. 40", "P.W.R.T. 0", "P.W.R.T. 15", "P.W.R.T. 15",
                         "P.C.L.R.", "P.A.R.E. 64", "P.W.R.T. 0", "P.W.R.T. 15", "P.W.R.T. 15", "P.W.R.T. 10",
                         "P.R.S.T."};
    EXPECT_EQ(HeardCommands(rig.device), expected);
    // Shown 0 on opening; then the transfer's start and each block's offset.
    EXPECT_EQ(rig.views[0].progress, (std::vector<uint32_t>{0, 0, 0, 48, 96}));
}

TEST(WriteTransfer, TheRestartBlinksItsTextStepsTheBarAndWaitsFiveSecondsAndAQuarter)
{
    Rig rig;
    Source source({300, 30, 30, 40});
    ASSERT_EQ(rig.Open(), 0);
    ASSERT_EQ(WriteInto(rig, source, false), 1);
    rig.link.Stop();
    const ViewRecord& last = rig.views[3];
    const std::string wait = "Подождите, выполняется перезагрузка прибора... ";
    Words texts{"Запись значений Retain... ", wait};
    for (int pass = 0; pass < 5; ++pass) texts.insert(texts.end(), {" ", wait});
    EXPECT_EQ(last.statusTexts, texts);
    EXPECT_EQ(last.progress, (std::vector<uint32_t>{0, 0, 0, 37, 75, 0, 0, 25, 50, 75, 100}));
    EXPECT_TRUE(last.cancelHidden);
    std::vector<uint32_t> sleeps = rig.LongSleeps();
    EXPECT_EQ(std::accumulate(sleeps.begin(), sleeps.end(), 0u), 5250u);
    EXPECT_EQ(HeardCommands(rig.device).back(), "P.R.S.T.");
}

TEST(WriteTransfer, AnAreaOfSizeZeroOnlyOpensTheWriteAndSucceeds)
{
    Rig rig;
    ASSERT_EQ(rig.Open(), 0);
    rig.link.header = Source().header;
    rig.link.header.size40 = 0;
    AreaJob job;
    job.area = 40;
    EXPECT_EQ(rig.RunAreaWrite("Запись значений параметров... ", job), DialogResult::Ok);
    rig.link.WaitUntilReleased(&job);
    EXPECT_EQ(job.status, 0);
    rig.link.Stop();
    EXPECT_EQ(HeardCommands(rig.device), (Words{"P.C.L.R.", "P.A.R.E. 40", "P.W.R.T. 0"}));
}

TEST(WriteTransfer, ACancelledArea64WriteStillRestartsAndReportsOnlyTheCancel)
{
    Rig rig;
    Source source({300, 30, 30, 45});
    std::size_t writes = 0;
    // Areas 0, 16 and 40 take 21, 3 and 3 "P.W.R.T."; then area 64's
    // opening and its first block.
    rig.CancelWhen([&](const DeviceModel& device) {
        return !device.Heard().empty() && device.Heard().back().id == Hash("P.W.R.T.") && ++writes == 29;
    });
    rig.prompts.answers = {MsgAnswer::Yes};
    ASSERT_EQ(rig.Open(), 0);
    EXPECT_EQ(WriteInto(rig, source, false), 0);
    EXPECT_EQ(rig.prompts.Texts().back(), "Значения Retain не записаны. Отменено пользователем. ");
    EXPECT_EQ(rig.views[3].closes, std::vector<DialogResult>{DialogResult::Cancel});
    rig.link.Stop();
    EXPECT_EQ(rig.device.Restarts(), 1u);
    EXPECT_EQ(HeardCommands(rig.device).back(), "P.R.S.T.");
}

TEST(ExecuteRequest, AnIndexFollowsTheDataAndItsEchoIsDropped)
{
    Rig rig;
    ASSERT_EQ(rig.Open(), 0);
    ParamRequest thirteen;
    thirteen.name = "rtC";
    thirteen.index = 0x0102;
    thirteen.length = 13;
    for (uint8_t i = 0; i < 13; ++i) thirteen.data[i] = static_cast<uint8_t>(i + 1);
    rig.link.WriteParam(&thirteen);
    ASSERT_EQ(rig.device.Heard().size(), 1u);
    std::vector<uint8_t> sent{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0x01, 0x02};
    EXPECT_EQ(rig.device.Heard()[0].data, sent);

    // Fourteen bytes leave no room for the index: refused, nothing sent.
    ParamRequest fourteen = thirteen;
    fourteen.length = 14;
    EXPECT_FALSE(rig.link.WriteParam(&fourteen));
    EXPECT_EQ(fourteen.status, -1);
    EXPECT_EQ(rig.device.Heard().size(), 1u);

    // A read with an index: the device's three bytes less the two of the index.
    ParamRequest indexed;
    indexed.name = "ver";
    indexed.index = 7;
    ASSERT_TRUE(rig.link.ReadParam(&indexed));
    EXPECT_EQ(rig.device.Heard()[1].data, (std::vector<uint8_t>{0, 7}));
    EXPECT_EQ(indexed.length, 1u);
}

TEST(ExecuteRequest, TheHashIsUsedOnlyWithoutAName)
{
    Rig rig;
    ASSERT_EQ(rig.Open(), 0);
    ParamRequest byHash;
    byHash.hash = Hash("ver");
    ASSERT_TRUE(rig.link.ReadParam(&byHash));
    EXPECT_EQ(std::string(byHash.data, byHash.data + byHash.length), "0.1");

    ParamRequest named;
    named.name = "dev";
    named.hash = Hash("ver");
    ASSERT_TRUE(rig.link.ReadParam(&named));
    EXPECT_EQ(HeardCommands(rig.device), (Words{"ver", "dev"}));
}
