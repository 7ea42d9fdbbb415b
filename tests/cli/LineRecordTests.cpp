// What a line write leaves behind: its report lines, its table and its
// exit code.
#include <gtest/gtest.h>

#include "Commands.h"
#include "DeviceReport.h"
#include "LineTable.h"

namespace {

DeviceRecord Record(const std::string& port, DeviceResult result, int exitCode)
{
    DeviceRecord record;
    record.time = "2026-03-05T07:04:09+03:00";
    record.port = port;
    record.devicePath = "/dev/ttyUSB0";
    record.model = "KLX41";
    record.version = "1.0";
    record.file = "/home/инженер/m.klx41";
    record.sha256 = "ab";
    record.sizes[0] = 700;
    record.result = result;
    record.exitCode = exitCode;
    record.seconds = 12.345;
    return record;
}

}  // namespace

// A device's or the system's message may carry anything: quotes, a path's
// backslashes, line ends, a stray control character. None may end the
// line or the string early.
TEST(ReportLine, EveryTextIsEscapedAndMissingValuesAreNull)
{
    DeviceRecord record = Record("COM3", DeviceResult::Failed, EXIT_FAILED);
    record.message = "Не удалось \"открыть\" \\\\.\\COM3\nпорт\x01";
    record.version.reset();
    record.verify = true;
    record.rewrites[2] = 2;
    record.repeats[0] = 1;
    EXPECT_EQ(JsonLine(record),
              "{\"time\":\"2026-03-05T07:04:09+03:00\",\"port\":\"COM3\",\"device\":\"/dev/ttyUSB0\","
              "\"model\":\"KLX41\",\"version\":null,\"file\":\"/home/инженер/m.klx41\",\"sha256\":\"ab\","
              "\"sizes\":[700,0,0,0],\"verify\":true,\"rewrites\":[0,0,2,0],\"repeats\":[1,0,0,0],\"clock\":false,"
              "\"result\":\"failed\",\"written\":[],"
              "\"message\":\"Не удалось \\\"открыть\\\" \\\\\\\\.\\\\COM3\\nпорт\\u0001\",\"seconds\":12.3,"
              "\"backup\":null}\n");

    record.verify = false;
    record.devicePath.reset();
    const std::string unverified = JsonLine(record);
    EXPECT_NE(unverified.find("\"device\":null"), std::string::npos);
    EXPECT_NE(unverified.find("\"verify\":false,\"rewrites\":null,\"repeats\":[1,0,0,0]"), std::string::npos);
}

TEST(LineResult, TheWorstDeviceGivesTheExitCode)
{
    const DeviceRecord done = Record("COM1", DeviceResult::Done, EXIT_DONE);
    const DeviceRecord cancelled = Record("COM2", DeviceResult::Cancelled, EXIT_CANCELLED);
    const DeviceRecord refused = Record("COM3", DeviceResult::Refused, EXIT_REFUSED);
    const DeviceRecord failed = Record("COM4", DeviceResult::Failed, EXIT_FAILED);
    const DeviceRecord differs = Record("COM5", DeviceResult::Failed, EXIT_MISMATCH);
    EXPECT_EQ(WorstExitCode({done, done}, false), EXIT_DONE);
    EXPECT_EQ(WorstExitCode({done, cancelled}, false), EXIT_CANCELLED);
    EXPECT_EQ(WorstExitCode({cancelled, refused, done}, false), EXIT_REFUSED);
    EXPECT_EQ(WorstExitCode({refused, failed}, false), EXIT_FAILED);
    EXPECT_EQ(WorstExitCode({differs, failed, refused}, false), EXIT_MISMATCH);
    EXPECT_EQ(WorstExitCode({failed, differs}, false), EXIT_MISMATCH);
    // An audit's device that differs from the file outranks a cancel and a
    // match, not a device that could not be checked at all.
    const DeviceRecord different = Record("COM6", DeviceResult::Different, EXIT_DIFFERENT);
    const DeviceRecord same = Record("COM7", DeviceResult::Same, EXIT_DONE);
    EXPECT_EQ(WorstExitCode({same, different, cancelled}, false), EXIT_DIFFERENT);
    EXPECT_EQ(WorstExitCode({different, refused}, false), EXIT_REFUSED);
    // A loop stopped before its first device did nothing.
    EXPECT_EQ(WorstExitCode({}, true), EXIT_CANCELLED);
    EXPECT_EQ(WorstExitCode({done}, true), EXIT_DONE);
}

// Columns line up by characters, not bytes: Cyrillic takes two bytes.
TEST(LineResult, TheTableLinesUpCyrillicTextsAndCountsEachResult)
{
    DeviceRecord cyrillic = Record("COM10", DeviceResult::Done, EXIT_DONE);
    cyrillic.model = "КЛХ41";
    cyrillic.verify = true;
    DeviceRecord unopened = Record("/dev/ttyUSB2", DeviceResult::Failed, EXIT_FAILED);
    unopened.model.reset();
    unopened.version.reset();
    unopened.message = "Не удалось открыть COM-порт. \n/dev/ttyUSB2: нет такого устройства";
    const std::string table = LineTable({cyrillic, unopened});
    EXPECT_EQ(table,
              "Порт          Прибор  Версия ПО  Результат  Время, с  Сообщение\n"
              "COM10         КЛХ41   1.0        выполнено  12.3\n"
              "/dev/ttyUSB2  -       -          ошибка     12.3      Не удалось открыть COM-порт.  "
              "/dev/ttyUSB2: нет такого устройства\n"
              "Всего приборов: 2, выполнено: 1, ошибок: 1, отклонено: 0, отменено: 0\n");
}

// A file name on Linux may hold any bytes; the line must stay JSON that
// any reader takes, and well-formed UTF-8 must pass untouched.
TEST(ReportLine, BytesThatAreNotUtf8AreEscapedAndTheAreasHeldAreListed)
{
    DeviceRecord record = Record("COM3", DeviceResult::Cancelled, EXIT_CANCELLED);
    record.file = "/data/\xff\xfe-\xd0\xbf\xe2\x82\xac\xf0\x9f\x98\x80-\xd0-\xc0\xaf-\xed\xa0\x80.klx41";
    record.writtenAreas = 2;
    const std::string line = JsonLine(record);
    EXPECT_NE(line.find("\"file\":\"/data/\\u00ff\\u00fe-\xd0\xbf\xe2\x82\xac\xf0\x9f\x98\x80-\\u00d0-\\u00c0\\u00af-"
                        "\\u00ed\\u00a0\\u0080.klx41\""),
              std::string::npos)
        << line;
    EXPECT_NE(line.find("\"result\":\"cancelled\",\"written\":[0,16],"), std::string::npos);
    EXPECT_EQ(WrittenAreasText(2), "Из файла записаны области: 0, 16. ");
    EXPECT_EQ(WrittenAreasText(0), "Ни одна область из файла не записана. ");
}

// A write without its read-back, an interrupted device and a device whose
// report line was lost each show in the table.
TEST(LineResult, TheTableTellsAnUncheckedWriteAnInterruptionAndALostReportLine)
{
    DeviceRecord unchecked = Record("COM1", DeviceResult::Done, EXIT_DONE);
    DeviceRecord stopped = Record("COM2", DeviceResult::Interrupted, EXIT_CANCELLED);
    stopped.message = "Запись прервана: программа завершается. Из файла записаны области: 0. ";
    stopped.reportLost = true;
    const std::string table = LineTable({unchecked, stopped});
    EXPECT_NE(table.find("COM1  KLX41   1.0        выполнено без проверки  12.3\n"), std::string::npos) << table;
    EXPECT_NE(table.find("COM2  KLX41   1.0        прервано                12.3      Запись прервана: программа "
                         "завершается. Из файла записаны области: 0. [строка отчёта не записана]\n"),
              std::string::npos)
        << table;
    EXPECT_NE(table.find("Всего приборов: 2, выполнено: 1, ошибок: 0, отклонено: 0, отменено: 0, прервано: 1\n"),
              std::string::npos);
    EXPECT_EQ(ResultText(unchecked), "выполнено без проверки, 12.3 с");
    EXPECT_EQ(WorstExitCode({unchecked, stopped}, true), EXIT_CANCELLED);
}
