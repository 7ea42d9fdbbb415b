#pragma once
// A DeviceLink wired to a device model through an in-process line, with
// scripted answers, a recording progress display and virtual time: the
// link's pauses (the restart wait included) move the line's clock instead
// of sleeping.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#ifdef _WIN32
#include <process.h>
#else
#include <signal.h>
#include <sys/resource.h>
#endif

#include "DeviceModel.h"
#include "InProcessLine.h"
#include "configfile/ConfigHeader.h"
#include "platform/CodePage1251.h"
#include "device/DeviceLink.h"
#include "wizard/AreaDialogLoop.h"

class TempFolder {
public:
    TempFolder()
    {
#ifdef _WIN32
        static std::atomic<int> made{0};
        m_path = std::filesystem::temp_directory_path()
            / ("mirrex-test-" + std::to_string(_getpid()) + "-" + std::to_string(++made));
        std::filesystem::create_directories(m_path);
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "mirrex-test-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
#endif
    }
    ~TempFolder() { std::filesystem::remove_all(m_path); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Answers questions from a script (or with the default button) and keeps
// every text it was shown.
class ScriptedPrompts : public Prompts {
public:
    MsgAnswer Show(const MessageBoxRequest& request) override
    {
        shown.push_back(request);
        if (onShow) onShow(request);
        if (request.buttons == MsgButtons::Ok) return MsgAnswer::Ok;
        if (!answers.empty()) {
            MsgAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return request.defaultIsSecond ? MsgAnswer::No : MsgAnswer::Yes;
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& request : shown) texts.push_back(request.text);
        return texts;
    }

    std::vector<MessageBoxRequest> shown;
    std::deque<MsgAnswer> answers;
    std::function<void(const MessageBoxRequest&)> onShow;
};

struct ViewRecord {
    std::vector<std::string> statusTexts;
    std::vector<uint32_t> progress;
    bool cancelHidden = false;
    std::vector<DialogResult> closes;
};

class RecordingView : public AreaDialogView {
public:
    explicit RecordingView(ViewRecord& record, std::function<void(DialogResult)> onClose)
        : m_record(record), m_onClose(std::move(onClose)) {}
    void SetStatusText(const std::string& text) override { m_record.statusTexts.push_back(text); }
    void SetProgress(uint32_t percent) override { m_record.progress.push_back(percent); }
    void HideCancel() override { m_record.cancelHidden = true; }
    void Close(DialogResult result) override
    {
        m_record.closes.push_back(result);
        if (m_onClose) m_onClose(result);
    }

private:
    ViewRecord& m_record;
    std::function<void(DialogResult)> m_onClose;
};

class Rig : public ProgressDialogs {
public:
    // areaBase: the base of the link's area folder, the rig's own folder
    // unless given (links of two rigs may share one).
    explicit Rig(DeviceModelConfig config = {}, const std::filesystem::path& areaBase = {})
        : device(std::move(config)), link(prompts, *this, areaBase.empty() ? folder.Path() : areaBase)
    {
        link.SetLineFactory([this] {
            auto line = std::make_unique<InProcessLine>(connected, lineFailures);
            // Time goes on across port openings, as the device sees it.
            line->Advance(static_cast<uint32_t>(m_lineTimeUs / 1000));
            this->line = line.get();
            return line;
        });
        link.SetSleeper([this](uint32_t ms) { Sleep(ms); });
    }
    ~Rig() override { link.Stop(); }

    CommSettings Settings() const
    {
        CommSettings settings{};
        settings.com = 1;
        settings.address = device.Config().address;
        settings.adress_len = device.Config().elevenBit ? 11 : 8;
        settings.converter = 1;
        settings.baud_rate = 115200;
        settings.byte_size = 8;
        return settings;
    }
    int Open() { return link.Start(Settings()); }

    DialogResult RunAreaRead(const std::string& title, AreaJob& job) override
    {
        return Run(title, job, WaitNormLogic::Direction::Read);
    }
    DialogResult RunAreaWrite(const std::string& title, AreaJob& job) override
    {
        return Run(title, job, WaitNormLogic::Direction::Write);
    }

    // Holds the worker in the pause before its next exchange once `when`
    // says so; the display then cancels, and the worker goes on only after
    // the display has closed with Cancel.
    void CancelWhen(std::function<bool(const DeviceModel&)> when) { m_holdWhen = std::move(when); }
    // Asks the display to cancel as soon as progress has been shown n times.
    void CancelAfterProgress(std::size_t n) { m_cancelAfterProgress = n; }

    std::vector<uint32_t> LongSleeps() const
    {
        std::vector<uint32_t> longOnes;
        for (uint32_t ms : sleeps) {
            if (ms >= 250) longOnes.push_back(ms);
        }
        return longOnes;
    }

    TempFolder folder;
    DeviceModel device;
    // The device the next Open reaches: another one may be connected in
    // its place between jobs.
    DeviceModel* connected = &device;
    ScriptedPrompts prompts;
    LineFailures lineFailures;
    DeviceLink link;
    InProcessLine* line = nullptr;
    std::vector<uint32_t> sleeps;  // touched by the worker only while a job runs
    std::vector<std::string> titles;
    std::vector<ViewRecord> views;
    // Called in the pause before each exchange, on the worker thread.
    std::function<void()> beforeExchange;

private:
    void Sleep(uint32_t ms)
    {
        sleeps.push_back(ms);
        if (beforeExchange && ms == 5) beforeExchange();
        if (m_holdWhen && m_holdWhen(device)) {
            m_holdWhen = nullptr;
            std::unique_lock guard(m_mutex);
            m_held = true;
            m_cv.wait(guard, [&] { return m_releaseHold; });
        }
        if (line) {
            line->Advance(ms);
            m_lineTimeUs = line->NowUs();
        }
    }

    DialogResult Run(const std::string& title, AreaJob& job, WaitNormLogic::Direction direction)
    {
        titles.push_back(title);
        views.emplace_back();
        ViewRecord& record = views.back();
        RecordingView view(record, [this](DialogResult result) {
            if (result != DialogResult::Cancel) return;
            std::lock_guard guard(m_mutex);
            m_releaseHold = true;
            m_cv.notify_all();
        });
        AreaDialogSetup setup{title, direction, [this, &record] { return WantsCancel(record); }};
        return RunAreaDialog(link, prompts, job, setup, view);
    }

    bool WantsCancel(const ViewRecord& record)
    {
        if (m_cancelAfterProgress && record.progress.size() > m_cancelAfterProgress) {
            m_cancelAfterProgress = 0;
            return true;
        }
        std::lock_guard guard(m_mutex);
        if (!m_held || m_cancelAsked) return false;
        m_cancelAsked = true;
        return true;
    }

    uint64_t m_lineTimeUs = 0;
    std::function<bool(const DeviceModel&)> m_holdWhen;
    std::size_t m_cancelAfterProgress = 0;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_held = false;
    bool m_cancelAsked = false;
    bool m_releaseHold = false;
};

inline uint16_t Hash(const char* name) { return NameHash(name, std::char_traits<char>::length(name)); }

// What the device heard, one word per request: its name, with the area of
// "P.A.R.E." and the block length of "P.W.R.T." ("P.A.R.E. 16",
// "P.W.R.T. 15").
inline std::vector<std::string> HeardCommands(const DeviceModel& device, std::size_t from = 0)
{
    static const char* const kNames[] = {"dev", "ver", "rtC", "P.C.L.R.", "P.A.R.E.", "P.I.N.F.",
                                         "P.R.D.D.", "P.W.R.T.", "P.R.S.T."};
    std::vector<std::string> words;
    for (std::size_t i = from; i < device.Heard().size(); ++i) {
        const HeardRequest& heard = device.Heard()[i];
        std::string word = "?";
        for (const char* name : kNames)
            if (heard.id == Hash(name)) word = name;
        if (word == "P.A.R.E." && !heard.data.empty()) word += " " + std::to_string(heard.data[0]);
        if (word == "P.W.R.T.") word += " " + std::to_string(heard.data.size());
        words.push_back(word);
    }
    return words;
}

inline std::vector<uint8_t> FileBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

#ifndef _WIN32
// Runs body while files may not grow past `bytes`, the way a full disk stops
// them: a write beyond fails with EFBIG instead of killing the process.
// Windows has no such limit.
template <typename Body>
auto WithFileSizeLimit(rlim_t bytes, Body body)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previous = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
    auto result = body();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
    return result;
}
#endif

inline ConfigHeader HeaderWithSizes(uint32_t s0, uint32_t s16, uint32_t s40, uint32_t s64)
{
    ConfigHeader header{};
    header.magic = kConfigMagic;
    header.size0 = s0;
    header.size16 = s16;
    header.size40 = s40;
    header.size64 = s64;
    return header;
}

// A configuration image of the device's areas, with the header's sizes set.
inline std::vector<uint8_t> ImageOf(const DeviceModel& device, ConfigHeader header)
{
    std::vector<uint8_t> image;
    for (uint8_t area : DeviceModel::kAreas) {
        const auto& bytes = device.Area(area);
        image.insert(image.end(), bytes.begin(), bytes.end());
    }
    header.magic = kConfigMagic;
    header.size0 = static_cast<uint32_t>(device.Area(0).size());
    header.size16 = static_cast<uint32_t>(device.Area(16).size());
    header.size40 = static_cast<uint32_t>(device.Area(40).size());
    header.size64 = static_cast<uint32_t>(device.Area(64).size());
    auto* raw = reinterpret_cast<const uint8_t*>(&header);
    image.insert(image.end(), raw, raw + sizeof header);
    return image;
}

// A configuration made by another device of the same kind.
struct Source {
    explicit Source(std::array<uint32_t, 4> sizes = {300, 200, 90, 40}, std::string model = "KLX41",
                    std::string version = "1.0")
    {
        DeviceModelConfig config;
        config.areaSizes = sizes;
        DeviceModel source(config);
        for (uint8_t area : DeviceModel::kAreas) {
            std::vector<uint8_t> bytes = source.Area(area);
            for (uint8_t& b : bytes) b = static_cast<uint8_t>(b ^ 0x5A);
            source.SetArea(area, bytes);
            areas.push_back(bytes);
        }
        SetHeaderDeviceName(header, Utf8ToUtf16(model));
        SetHeaderSoftwareVersion(header, Utf8ToUtf16(version));
        image = ImageOf(source, header);
        std::memcpy(&header, image.data() + image.size() - sizeof header, sizeof header);
    }
    ConfigHeader header{};
    std::vector<uint8_t> image;
    std::vector<std::vector<uint8_t>> areas;
};

inline int WriteInto(Rig& rig, const Source& source, bool verify = true)
{
    rig.link.header = source.header;
    return rig.link.WriteConfiguration(source.image.data(), source.image.size(), verify);
}
