#pragma once
// A DeviceLink wired to a device model through an in-process line, with
// scripted answers, a recording progress display and virtual time: the
// link's pauses (the restart wait included) move the line's clock instead
// of sleeping.

#include <atomic>
#include <condition_variable>
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
    explicit Rig(DeviceModelConfig config = {})
        : device(std::move(config)), link(prompts, *this, folder.Path())
    {
        link.SetLineFactory([this] {
            auto line = std::make_unique<InProcessLine>(&device, lineFailures);
            this->line = line.get();
            return line;
        });
        link.SetSleeper([this](uint32_t ms) { Sleep(ms); });
    }
    ~Rig() override { link.Stop(); }

    int Open()
    {
        CommSettings settings{};
        settings.com = 1;
        settings.address = device.Config().address;
        settings.adress_len = device.Config().elevenBit ? 11 : 8;
        settings.converter = 1;
        settings.baud_rate = 115200;
        settings.byte_size = 8;
        return link.Start(settings);
    }

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
        if (line) line->Advance(ms);
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

    std::function<bool(const DeviceModel&)> m_holdWhen;
    std::size_t m_cancelAfterProgress = 0;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_held = false;
    bool m_cancelAsked = false;
    bool m_releaseHold = false;
};

inline uint16_t Hash(const char* name) { return NameHash(name, std::char_traits<char>::length(name)); }

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
