// DeviceLink against the device model: identification, the read and write
// jobs, cancellation, the restart after area 64 and the clock.
#include <gtest/gtest.h>

#include <cstring>

#include "../protocol/ProtocolTestKit.h"
#include "DeviceTestKit.h"
#include "configfile/ConfigHeader.h"
#include "platform/CodePage1251.h"
#include "platform/Clock.h"
#include "wizard/DeviceClock.h"

namespace {

class FixedClock : public Clock {
public:
    explicit FixedClock(LocalTime time) : m_time(time) {}
    LocalTime Now() override { return m_time; }

private:
    LocalTime m_time;
};

DeviceModelConfig ModelNamed(const std::string& model)
{
    DeviceModelConfig config;
    config.model = model;
    return config;
}

}  // namespace

TEST(Identification, AcceptsSupportedModelsWhateverTheirCaseAndSuffix)
{
    for (const char* model : {"KLX41", "klx41-M2", "xКЛХ41", "РГХ206К/1", "ргх207к", "КлХ51М", "PGX207K"}) {
        Rig rig(ModelNamed(model));
        ASSERT_EQ(rig.Open(), 0);
        EXPECT_EQ(rig.link.ReadConfiguration(), 1) << model;
        EXPECT_EQ(Utf16ToUtf8(HeaderDeviceName(rig.link.readHeader)), model);
        EXPECT_EQ(Utf16ToUtf8(HeaderSoftwareVersion(rig.link.readHeader)), "1.0");
        EXPECT_TRUE(rig.prompts.shown.empty()) << model;
    }
}

TEST(Identification, RefusesAnUnsupportedModelWithoutAMessageOfItsOwn)
{
    Rig rig(ModelNamed("KLX42"));
    ASSERT_EQ(rig.Open(), 0);
    EXPECT_EQ(rig.link.ReadConfiguration(), 0);
    EXPECT_TRUE(rig.link.deviceRefused);
    EXPECT_EQ(rig.link.refusalCode, 4);
    EXPECT_TRUE(rig.link.identifyPending);
    // The read job's own failure text, and no area file.
    EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{"Не удалось считать программу CoDeSys. "});
    for (uint8_t area : kAreas) EXPECT_FALSE(std::filesystem::exists(rig.link.AreaFilePath(area)));
}

TEST(Identification, ErrorRepliesKeepTheNamesAndSilenceIsReported)
{
    Rig rig;
    SetHeaderDeviceName(rig.link.readHeader, u"earlier");
    SetHeaderSoftwareVersion(rig.link.readHeader, u"v0");
    // Asked twice each time: nErr twice means no such parameter.
    rig.device.AddFault({Hash("dev"), 0, 4, {DeviceFault::Nerr}});
    rig.device.AddFault({Hash("ver"), 0, 4, {DeviceFault::Nerr}});
    ASSERT_EQ(rig.Open(), 0);
    EXPECT_TRUE(rig.link.Identify());
    EXPECT_EQ(HeaderDeviceName(rig.link.readHeader), u"earlier");
    EXPECT_EQ(HeaderSoftwareVersion(rig.link.readHeader), u"v0");
    // A read job starts from nothing: a device without these parameters
    // gets no name rather than an earlier device's.
    ASSERT_EQ(rig.link.ReadConfiguration(), 1);
    EXPECT_EQ(HeaderDeviceName(rig.link.readHeader), u"");
    EXPECT_EQ(HeaderSoftwareVersion(rig.link.readHeader), u"");

    Rig silent;
    silent.device.AddFault({Hash("dev"), 0, 3, {DeviceFault::Silence}});
    ASSERT_EQ(silent.Open(), 0);
    EXPECT_FALSE(silent.link.Identify());
    ASSERT_EQ(silent.prompts.shown.size(), 1u);
    EXPECT_EQ(silent.prompts.shown[0].text, "Параметр 'dev' прочитать не удалось. Прибор не ответил на запрос. ");
    EXPECT_EQ(silent.prompts.shown[0].icon, MsgIcon::Error);
}

TEST(ReadJob, ReadsAllFourAreasByteForByteAndIdentifiesTheDeviceEveryTime)
{
    DeviceModelConfig config;
    config.areaSizes = {1501, 200, 15, 1};
    Rig rig(config);
    ASSERT_EQ(rig.Open(), 0);
    ASSERT_EQ(rig.link.ReadConfiguration(), 1);
    ASSERT_EQ(rig.link.ReadConfiguration(), 1);
    rig.link.Stop();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(FileBytes(rig.link.AreaFilePath(kAreas[i])), rig.device.Area(kAreas[i])) << int(kAreas[i]);
        EXPECT_EQ(rig.link.readSizes[i], config.areaSizes[i]);
    }
    std::size_t devReads = 0;
    for (const HeardRequest& heard : rig.device.Heard()) devReads += heard.id == Hash("dev");
    EXPECT_EQ(devReads, 2u);
    EXPECT_EQ(rig.titles[0], "Cчитывание программы CoDeSys... ");
    EXPECT_EQ(rig.views[0].progress.back(), 100u);
    EXPECT_TRUE(rig.prompts.shown.empty());
}

TEST(ReadJob, AZeroAnnouncedSizeDoesNotStopTheRead)
{
    Rig rig;
    int exchanges = 0;
    // Identification takes two exchanges; the fifth asks for the size.
    rig.beforeExchange = [&] {
        if (++exchanges == 5) rig.line->Script({{1, AnswerText(Hash("P.I.N.F."), {0, 0, 0, 0})}});
    };
    ASSERT_EQ(rig.Open(), 0);
    ASSERT_EQ(rig.link.ReadConfiguration(), 1);
    rig.link.Stop();
    EXPECT_EQ(FileBytes(rig.link.AreaFilePath(0)), rig.device.Area(0));
}

TEST(ReadJob, ADeviceThatVanishesMidAreaIsReported)
{
    DeviceModelConfig config;
    config.vanishAfter = 40;
    Rig rig(config);
    ASSERT_EQ(rig.Open(), 0);
    EXPECT_EQ(rig.link.ReadConfiguration(), 0);
    EXPECT_EQ(rig.prompts.Texts(),
              std::vector<std::string>{"Не удалось считать программу CoDeSys. Прибор не ответил на запрос. "});
}

TEST(ReadJob, AnEndlessStreamCanBeCancelled)
{
    DeviceModelConfig config;
    config.endlessReadData = true;
    Rig rig(config);
    rig.CancelAfterProgress(200);
    rig.prompts.answers = {MsgAnswer::Yes};
    ASSERT_EQ(rig.Open(), 0);
    EXPECT_EQ(rig.link.ReadConfiguration(), 0);
    EXPECT_EQ(rig.prompts.Texts().back(), "Программа CoDeSys не считана. Отменено пользователем. ");
    EXPECT_EQ(rig.views[0].closes, std::vector<DialogResult>{DialogResult::Cancel});
    EXPECT_FALSE(std::filesystem::exists(rig.link.AreaFilePath(0)));
}

// The full disk is played by a file size limit, which Windows does not have.
#ifndef _WIN32
TEST(ReadJob, AnAreaFileThatCannotBeWrittenCompletelyIsReportedAndRemoved)
{
    DeviceModelConfig config;
    config.areaSizes = {3000, 20, 20, 20};
    Rig rig(config);
    ASSERT_EQ(rig.Open(), 0);
    ASSERT_TRUE(rig.link.Identify());
    int result = WithFileSizeLimit(1000, [&] { return rig.link.ReadConfiguration(); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(rig.prompts.Texts().back(), "Не удалось создать файл считанной программы CoDeSys. ");
    EXPECT_FALSE(std::filesystem::exists(rig.link.AreaFilePath(0)));
}
#endif

TEST(WriteJob, WritesAllFourAreasAndRestartsTheDevice)
{
    for (bool verify : {false, true}) {
        Rig rig;
        Source source;
        ASSERT_EQ(rig.Open(), 0);
        ASSERT_EQ(WriteInto(rig, source, verify), 1);
        rig.link.Stop();
        for (int i = 0; i < 4; ++i) EXPECT_EQ(rig.device.Area(kAreas[i]), source.areas[i]);
        EXPECT_EQ(rig.device.Restarts(), 1u);
        EXPECT_EQ(rig.LongSleeps(), (std::vector<uint32_t>{250, 800, 250, 800, 250, 800, 250, 800, 250, 800}));
        const ViewRecord& last = rig.views[3];
        EXPECT_TRUE(last.cancelHidden);
        // The read-back is a step of its own, before the restart.
        std::vector<std::string> expected{"Запись значений Retain... ", "Подождите, выполняется перезагрузка прибора... ",
                                          " "};
        if (verify) expected.insert(expected.begin() + 1, "Проверка записанных значений Retain... ");
        EXPECT_EQ(std::vector<std::string>(last.statusTexts.begin(), last.statusTexts.begin() + expected.size()),
                  expected);
        EXPECT_EQ(last.closes, std::vector<DialogResult>{DialogResult::Ok});
        EXPECT_FALSE(rig.views[2].cancelHidden);
        EXPECT_TRUE(rig.prompts.shown.empty());
        EXPECT_EQ(rig.link.lastWrite.on, verify);
        EXPECT_EQ(rig.link.lastWrite.verifiedAreas, verify ? 4u : 0u);
    }
}

TEST(WriteJob, RefusesAnotherModelEvenWhenOnlyTheCaseDiffers)
{
    for (const char* model : {"klx41", "RGX207K", "KLX42"}) {
        Rig rig(ModelNamed(model));
        Source source;
        ASSERT_EQ(rig.Open(), 0);
        EXPECT_EQ(WriteInto(rig, source), 0) << model;
        EXPECT_TRUE(rig.link.deviceRefused);
        EXPECT_EQ(rig.link.refusalCode, 7);
        EXPECT_TRUE(rig.prompts.shown.empty());
        EXPECT_TRUE(rig.titles.empty());
    }
}

TEST(WriteJob, AsksAboutAnotherVersionAndWritesOnlyOnYes)
{
    DeviceModelConfig config;
    config.version = "2.0";
    Source source;
    {
        Rig rig(config);
        rig.prompts.answers = {MsgAnswer::No};
        std::vector<uint8_t> before = rig.device.Area(0);
        ASSERT_EQ(rig.Open(), 0);
        EXPECT_EQ(WriteInto(rig, source), 0);
        ASSERT_EQ(rig.prompts.shown.size(), 1u);
        EXPECT_TRUE(rig.prompts.shown[0].defaultIsSecond);
        EXPECT_EQ(rig.prompts.shown[0].icon, MsgIcon::Exclamation);
        EXPECT_FALSE(rig.link.deviceRefused);
        rig.link.Stop();
        EXPECT_EQ(rig.device.Area(0), before);
    }
    Rig rig(config);
    rig.prompts.answers = {MsgAnswer::Yes};
    ASSERT_EQ(rig.Open(), 0);
    EXPECT_EQ(WriteInto(rig, source), 1);
    rig.link.Stop();
    EXPECT_EQ(rig.device.Area(64), source.areas[3]);
}

TEST(WriteJob, CancelInTheMiddleOfArea16LeavesArea0Written)
{
    Rig rig;
    Source source({300, 600, 90, 40});
    std::vector<uint8_t> area16Before = rig.device.Area(16);
    std::size_t blocks = 0;
    rig.CancelWhen([&](const DeviceModel& device) {
        // 20 blocks of area 0, its opening, the opening of area 16, 10 blocks of it.
        return !device.Heard().empty() && device.Heard().back().id == Hash("P.W.R.T.") && ++blocks == 32;
    });
    rig.prompts.answers = {MsgAnswer::Yes};
    ASSERT_EQ(rig.Open(), 0);
    EXPECT_EQ(WriteInto(rig, source), 0);
    EXPECT_EQ(rig.prompts.Texts().back(), "Конфигурация не записана. Отменено пользователем. ");
    EXPECT_EQ(rig.prompts.shown.back().icon, MsgIcon::None);
    rig.link.Stop();
    EXPECT_EQ(rig.device.Area(0), source.areas[0]);
    EXPECT_NE(rig.device.Area(16), source.areas[1]);
    EXPECT_EQ(rig.device.Restarts(), 0u);
}

TEST(WriteJob, AFailureInArea64StillRestartsTheDevice)
{
    Rig rig;
    Source source({300, 30, 30, 30});
    // "P.W.R.T." opens each area and sends its blocks (20, 2, 2, 2): from
    // area 64's first block on, none gets an answer, in any attempt.
    rig.device.AddFault({Hash("P.W.R.T."), 28, 1000, {DeviceFault::Silence}});
    ASSERT_EQ(rig.Open(), 0);
    EXPECT_EQ(WriteInto(rig, source), 0);
    EXPECT_EQ(rig.prompts.Texts().back(), "Не удалось записать значения Retain. Прибор не ответил на запрос. ");
    EXPECT_EQ(rig.prompts.shown.back().icon, MsgIcon::Exclamation);
    rig.link.Stop();
    EXPECT_EQ(rig.device.Restarts(), 1u);
}

TEST(WriteJob, RefusesImagesOfTheWrongSizeBeforeTouchingTheDevice)
{
    Rig rig;
    ASSERT_EQ(rig.Open(), 0);
    Source source;
    rig.link.header = source.header;
    std::vector<uint8_t> tooSmall(423);
    EXPECT_EQ(rig.link.WriteConfiguration(tooSmall.data(), tooSmall.size()), 0);
    // Sizes that do not add up to the image: areas would be cut beyond it.
    rig.link.header.size64 += 1000;
    EXPECT_EQ(rig.link.WriteConfiguration(source.image.data(), source.image.size()), 0);
    EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>(2, "Ошибка размера конфигурации. "));
    rig.link.Stop();
    EXPECT_TRUE(rig.device.Heard().empty());
}

TEST(DeviceLinkLifecycle, WithoutAnOpenPortNothingWaitsForEver)
{
    Rig rig;
    rig.lineFailures.open = true;
    EXPECT_EQ(rig.Open(), -1);
    EXPECT_EQ(rig.Open(), LINK_WORKER_EXISTS);
    ParamRequest request;
    request.name = "dev";
    EXPECT_FALSE(rig.link.ReadParam(&request));
    EXPECT_EQ(request.status, -2);
    EXPECT_EQ(rig.link.ReadConfiguration(), 0);
    Source source;
    EXPECT_EQ(WriteInto(rig, source), 0);
    const std::string noPort = "Попытка использовать неинициализированный ресурс (например, неоткрытый порт). ";
    const std::string devNoPort = std::string("Параметр 'dev' прочитать не удалось. ") + noPort;
    EXPECT_EQ(rig.prompts.Texts(),
              (std::vector<std::string>{devNoPort, "Не удалось считать программу CoDeSys. ", devNoPort}));
    rig.link.Stop();
    rig.link.Stop();
}

TEST(DeviceClock, WritesTheClockBytesAndShowsTheReadBackWithoutLeadingZeros)
{
    Rig rig;
    FixedClock clock({2009, 12, 31, 23, 59, 58});
    ASSERT_EQ(rig.Open(), 0);
    EXPECT_EQ(SetDeviceClock(rig.link, rig.prompts, clock), ClockOutcome::Done);
    rig.link.Stop();
    EXPECT_EQ(rig.device.Clock(), (std::array<uint8_t, 7>{9, 11, 30, 23, 59, 58, 0x61}));
    EXPECT_EQ(rig.prompts.Texts().back(), "Дата и время в приборе: 31.12.2009.23.59.58 ");

    Rig early;
    FixedClock march({2009, 3, 5, 7, 4, 9});
    ASSERT_EQ(early.Open(), 0);
    EXPECT_EQ(SetDeviceClock(early.link, early.prompts, march), ClockOutcome::Done);
    EXPECT_EQ(early.prompts.Texts().back(), "Дата и время в приборе: 5.3.2009.7.4.9 ");
    EXPECT_EQ(early.prompts.shown.back().icon, MsgIcon::Information);
}

TEST(DeviceClock, RetriesOnlyASilentDeviceAndKeepsTheFirstTime)
{
    Rig rig;
    rig.device.AddFault({Hash("rtC"), 0, 3, {DeviceFault::Silence}});
    FixedClock clock({2009, 12, 31, 23, 59, 58});
    rig.prompts.answers = {MsgAnswer::Yes};
    ASSERT_EQ(rig.Open(), 0);
    EXPECT_EQ(SetDeviceClock(rig.link, rig.prompts, clock), ClockOutcome::Done);
    EXPECT_EQ(rig.prompts.shown[0].buttons, MsgButtons::YesNo);
    rig.link.Stop();
    EXPECT_EQ(rig.device.Clock(), (std::array<uint8_t, 7>{9, 11, 30, 23, 59, 58, 0x61}));

    Rig declined;
    declined.device.AddFault({Hash("rtC"), 0, 3, {DeviceFault::Silence}});
    declined.prompts.answers = {MsgAnswer::No};
    ASSERT_EQ(declined.Open(), 0);
    EXPECT_EQ(SetDeviceClock(declined.link, declined.prompts, clock), ClockOutcome::RetryDeclined);

    // An error reply gets no question; the read-back of year 0 at 00:00:00 fails.
    DeviceModelConfig zero;
    zero.clock = {0, 4, 5, 0, 0, 0, 0x61};
    Rig refused(zero);
    refused.device.AddFault({Hash("rtC"), 0, 1, {DeviceFault::Nerr}});
    ASSERT_EQ(refused.Open(), 0);
    EXPECT_EQ(SetDeviceClock(refused.link, refused.prompts, clock), ClockOutcome::ReadBackFailed);
    EXPECT_EQ(refused.prompts.Texts(), std::vector<std::string>{"Записать время и дату в прибор не удалось. "});
}
