#pragma once
// A comparison of two configurations as the user reads it: the model, the
// version, then each area, the ones that differ with how many bytes and
// where.

#include <string>

#include "device/ConfigComparison.h"
#include "resources/BackupTexts.h"

struct ComparisonSides {
    const char* expected;  // "в файле "
    const char* actual;    // "в приборе "
};
inline constexpr ComparisonSides kFileAndDevice{texts::kCompareInFile, texts::kCompareInDevice};
inline constexpr ComparisonSides kTwoFiles{texts::kCompareInFirst, texts::kCompareInSecond};

std::string ComparisonText(const ConfigComparison& comparison, const ConfigSnapshot& expected,
                           const ConfigSnapshot& actual, const ComparisonSides& sides);
// "(модель, области 16 40)": what differs, on one line.
std::string DifferenceSummary(const ConfigComparison& comparison);
