// The report file on a full disk and the reasons it is refused: records
// never run together, and what the user is told is Russian and right.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "DeviceReport.h"
#include "platform/TempDir.h"

namespace {

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> LinesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

DeviceRecord Device(const std::string& port)
{
    DeviceRecord record;
    record.time = "2026-03-05T07:04:09+03:00";
    record.port = port;
    record.file = "/home/m.klx41";
    record.result = DeviceResult::Done;
    return record;
}

// A whole record of ours: one object, its fields once.
bool IsRecord(const std::string& line)
{
    return line.size() > 2 && line.front() == '{' && line.back() == '}' && line.find("}{") == std::string::npos
           && line.find("\"time\":", 1) == line.rfind("\"time\":");
}

// The full disk is played by a file size limit: the write that crosses it
// stores what fits and fails, as on a disk that fills up.
class SizeLimit {
public:
    explicit SizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~SizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_before{};
    void (*m_oldHandler)(int);
};

}  // namespace

TEST(ReportOnAFullDisk, AShortAppendIsTakenBackAndEveryLineParsesOnceThereIsRoom)
{
    TempDir dir;
    const std::filesystem::path root = dir.Path();
    const auto path = root / "line.jsonl";
    std::string reason;
    std::unique_ptr<ReportFile> report = ReportFile::Open(path, &reason);
    ASSERT_TRUE(report) << reason;
    ASSERT_TRUE(report->Append(Device("COM1")));
    const auto firstLength = std::filesystem::file_size(path);
    {
        SizeLimit full(firstLength + 40);
        EXPECT_FALSE(report->Append(Device("COM2")));
        EXPECT_FALSE(report->Append(Device("COM3")));
    }
    EXPECT_EQ(std::filesystem::file_size(path), firstLength);
    ASSERT_TRUE(report->Append(Device("COM4")));
    const std::vector<std::string> lines = LinesOf(ReadText(path));
    ASSERT_EQ(lines.size(), 2u) << ReadText(path);
    for (const std::string& line : lines) EXPECT_TRUE(IsRecord(line)) << line;
    EXPECT_NE(lines[1].find("\"port\":\"COM4\""), std::string::npos);
}

// A program that died in the middle of its line (or a partial line another
// program could not take back) leaves the file unended: the next record
// still starts on a line of its own.
TEST(ReportOnAFullDisk, ARecordNeverContinuesAnUnendedLine)
{
    TempDir dir;
    const std::filesystem::path root = dir.Path();
    const auto path = root / "line.jsonl";
    { std::ofstream(path, std::ios::binary) << "{\"time\":\"2026-03-05T07:0"; }
    std::unique_ptr<ReportFile> report = ReportFile::Open(path, nullptr);
    ASSERT_TRUE(report);
    ASSERT_TRUE(report->Append(Device("COM1")));
    ASSERT_TRUE(report->Append(Device("COM2")));
    const std::vector<std::string> lines = LinesOf(ReadText(path));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(IsRecord(lines[1])) << lines[1];
    EXPECT_TRUE(IsRecord(lines[2])) << lines[2];
}

// The reasons are the program's own words: a folder is called a folder, a
// file without the right to write it is not, and nothing is English.
TEST(ReportRefusal, EachReasonIsSaidInRussianAndForWhatItIs)
{
    TempDir dir;
    const std::filesystem::path root = dir.Path();
    std::string reason;
    EXPECT_FALSE(ReportFile::Open(root, &reason));
    EXPECT_EQ(reason, root.string() + ": это папка, а не файл. ");
    EXPECT_FALSE(ReportFile::Open("/dev/null", &reason));
    EXPECT_EQ(reason, "/dev/null: это не обычный файл. ");
    EXPECT_FALSE(ReportFile::Open(root / "missing" / "r.jsonl", &reason));
    EXPECT_EQ(reason, (root / "missing" / "r.jsonl").string() + ": папки, в которой должен быть файл, нет. ");

    // Root writes anything: the rights are tried by a child that gave them up.
    const auto readOnly = root / "old.jsonl";
    { std::ofstream(readOnly) << "{}\n"; }
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(root.c_str(), 0755), 0);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
        std::string said;
        ReportFile::Open(readOnly, &said);
        said += "|";
        std::string other;
        ReportFile::Open(root / "new.jsonl", &other);
        said += other;
        (void)!::write(pipeEnds[1], said.data(), said.size());
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string said;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) said.append(buffer, got);
    ::close(pipeEnds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(said, readOnly.string() + ": нет права записи в этот файл. |" + (root / "new.jsonl").string()
                        + ": нет права создавать файлы в этой папке. ");
}
