// The wizard's widget tests run without a display, in folders of their own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <QApplication>

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string runtime = (std::filesystem::temp_directory_path() / "mirrex-runtime-XXXXXX").string();
    if (::mkdtemp(runtime.data()))  // made with mode 0700
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(runtime, ignored);
    return result;
}
