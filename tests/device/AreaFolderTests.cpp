// Area folders held by one job each: links that read at the same time never
// share their area files, and a folder is free again once its link is gone.
#include <gtest/gtest.h>

#include <thread>

#include "DeviceTestKit.h"
#include "configfile/ConfigurationFile.h"
#include "device/AreaFolder.h"

namespace {

DeviceModelConfig Sized(uint32_t area0)
{
    DeviceModelConfig config;
    config.areaSizes = {area0, 100, 60, 30};
    return config;
}

}  // namespace

TEST(AreaFolder, AHeldFolderSendsTheNextJobToANumberedOneUntilItIsLetGo)
{
    TempFolder base;
    HeldAreaFolder first = HeldAreaFolder::Take(base.Path());
    EXPECT_EQ(first.Path(), base.Path());
    EXPECT_TRUE(first.Held());
    {
        HeldAreaFolder second = HeldAreaFolder::Take(base.Path());
        HeldAreaFolder third = HeldAreaFolder::Take(base.Path());
        EXPECT_EQ(second.Path(), base.Path() / "areas-2");
        EXPECT_EQ(third.Path(), base.Path() / "areas-3");
        EXPECT_TRUE(std::filesystem::is_directory(third.Path()));
    }
    EXPECT_EQ(HeldAreaFolder::Take(base.Path()).Path(), base.Path() / "areas-2");
    HeldAreaFolder moved = std::move(first);
    EXPECT_EQ(HeldAreaFolder::Take(base.Path()).Path(), base.Path() / "areas-2");
}

TEST(AreaFolder, TwoLinksReadingAtOnceSaveEachTheirOwnDevice)
{
    TempFolder shared;
    Rig a(Sized(1500), shared.Path());
    Rig b(Sized(700), shared.Path());
    ASSERT_EQ(a.Open(), 0);
    ASSERT_EQ(b.Open(), 0);
    int readA = 0;
    int readB = 0;
    std::thread other([&] { readB = b.link.ReadConfiguration(); });
    readA = a.link.ReadConfiguration();
    other.join();
    ASSERT_EQ(readA, 1);
    ASSERT_EQ(readB, 1);
    EXPECT_NE(a.link.AreaFolder(), b.link.AreaFolder());

    // Each save finds the areas its own read left.
    ASSERT_TRUE(SaveConfigurationFile(a.link, shared.Path() / "a.klx41"));
    ASSERT_TRUE(SaveConfigurationFile(b.link, shared.Path() / "b.klx41"));
    for (Rig* rig : {&a, &b}) {
        std::vector<uint8_t> expected;
        for (uint8_t area : kAreas)
            expected.insert(expected.end(), rig->device.Area(area).begin(), rig->device.Area(area).end());
        std::vector<uint8_t> saved = FileBytes(shared.Path() / (rig == &a ? "a.klx41" : "b.klx41"));
        saved.resize(saved.size() - sizeof(ConfigHeader));
        EXPECT_EQ(saved, expected);
    }
}
