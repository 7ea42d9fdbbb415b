// The progress dialog's logic: what it does with the user's cancel and the
// worker's notifications, whatever order they come in.
#include <gtest/gtest.h>

#include "DeviceTestKit.h"

namespace {

class DropAll : public AreaNotifyTarget {
public:
    void Post(const AreaMessage&) override {}
};

const AreaMessage kDone{AreaMessage::Kind::Done, 0, nullptr, 0};

}  // namespace

TEST(WaitNormLogic, ADoneThatArrivesDuringTheQuestionWaitsForTheAnswer)
{
    for (MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        Rig rig;
        ASSERT_EQ(rig.Open(), 0);
        AreaJob job;
        job.area = 16;
        ViewRecord record;
        RecordingView view(record, nullptr);
        WaitNormLogic logic(rig.link, rig.prompts, job, "Запись конфигурации... ", WaitNormLogic::Direction::Write,
                            view);
        logic.OnInitDialog(std::make_shared<DropAll>());
        EXPECT_EQ(record.statusTexts, std::vector<std::string>{"Запись конфигурации... "});
        rig.prompts.answers = {answer};
        rig.prompts.onShow = [&](const MessageBoxRequest&) {
            logic.OnMessage(kDone);
            EXPECT_TRUE(record.closes.empty());
        };
        logic.OnCancel();
        EXPECT_EQ(rig.prompts.Texts(), std::vector<std::string>{"Отменить запись конфигурации? "});
        EXPECT_TRUE(rig.prompts.shown[0].defaultIsSecond);
        DialogResult expected = answer == MsgAnswer::Yes ? DialogResult::Cancel : DialogResult::Ok;
        EXPECT_EQ(record.closes, std::vector<DialogResult>{expected});
        // Whatever comes late finds the dialog closed.
        logic.OnMessage(kDone);
        EXPECT_EQ(record.closes.size(), 1u);
        rig.link.WaitUntilReleased(&job);
    }
}

TEST(WaitNormLogic, ClosesAtOnceWhenTheTransferCannotBeginAndIgnoresCancelDuringTheRestart)
{
    Rig rig;
    AreaJob job;
    ViewRecord record;
    RecordingView view(record, nullptr);
    // No port: the transfer cannot begin.
    WaitNormLogic closed(rig.link, rig.prompts, job, "Запись конфигурации... ", WaitNormLogic::Direction::Write, view);
    closed.OnInitDialog(std::make_shared<DropAll>());
    EXPECT_EQ(record.closes, std::vector<DialogResult>{DialogResult::Ok});

    ViewRecord restarting;
    RecordingView restartView(restarting, nullptr);
    WaitNormLogic logic(rig.link, rig.prompts, job, "Запись значений Retain... ", WaitNormLogic::Direction::Write,
                        restartView);
    logic.OnMessage({AreaMessage::Kind::HideCancel, 0, nullptr, 0});
    logic.OnMessage({AreaMessage::Kind::StatusText, 0, nullptr, 153});
    logic.OnMessage({AreaMessage::Kind::Progress, 50, nullptr, 0});
    logic.OnCancel();
    EXPECT_TRUE(rig.prompts.shown.empty());
    EXPECT_TRUE(restarting.cancelHidden);
    EXPECT_EQ(restarting.statusTexts, std::vector<std::string>{"Подождите, выполняется перезагрузка прибора... "});
    EXPECT_EQ(restarting.progress, std::vector<uint32_t>{50});
    EXPECT_TRUE(restarting.closes.empty());
}
