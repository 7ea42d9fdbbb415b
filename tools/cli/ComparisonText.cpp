#include "ComparisonText.h"

#include "device/AreaJob.h"
#include "platform/CodePage1251.h"
#include "resources/BackupTexts.h"

namespace {

std::string HeaderLine(const char* label, bool same, const std::u16string& expected, const std::u16string& actual,
                       const ComparisonSides& sides)
{
    std::string line = label;
    if (same) return line + texts::kCompareSame + "\n";
    return line + texts::kCompareDiffers + ": " + sides.expected + Utf16ToUtf8(expected) + ", " + sides.actual
           + Utf16ToUtf8(actual) + "\n";
}

std::string AreaLine(uint8_t area, const AreaDifference& difference, const ComparisonSides& sides)
{
    std::string line = texts::kCompareArea + std::to_string(area) + ": ";
    if (difference.same) return line + texts::kCompareSame + " (" + std::to_string(difference.expectedSize) + texts::kCompareBytes + ")\n";
    line += std::string(texts::kCompareDiffers) + ", " + texts::kCompareBytesDiffer + std::to_string(difference.differingBytes);
    if (difference.expectedSize != difference.actualSize) {
        line += std::string(", ") + texts::kCompareSizes + sides.expected + std::to_string(difference.expectedSize) + ", "
                + sides.actual + std::to_string(difference.actualSize);
    } else {
        line += " / " + std::to_string(difference.expectedSize);
    }
    line += std::string(", ") + texts::kCompareOffsets;
    for (std::size_t index = 0; index < difference.firstOffsets.size(); ++index) {
        line += (index ? " " : "") + std::to_string(difference.firstOffsets[index]);
    }
    if (difference.differingBytes > difference.firstOffsets.size()) line += " ...";
    return line + "\n";
}

}  // namespace

std::string ComparisonText(const ConfigComparison& comparison, const ConfigSnapshot& expected,
                           const ConfigSnapshot& actual, const ComparisonSides& sides)
{
    std::string text = HeaderLine(texts::kCompareModel, comparison.modelSame, HeaderDeviceName(expected.header),
                                  HeaderDeviceName(actual.header), sides);
    text += HeaderLine(texts::kCompareVersion, comparison.versionSame, HeaderSoftwareVersion(expected.header),
                       HeaderSoftwareVersion(actual.header), sides);
    for (int index = 0; index < 4; ++index) text += AreaLine(kAreas[index], comparison.areas[index], sides);
    return text;
}

std::string DifferenceSummary(const ConfigComparison& comparison)
{
    std::string list;
    if (!comparison.modelSame) list += texts::kCompareWordModel;
    if (!comparison.versionSame) list += (list.empty() ? "" : ", ") + std::string(texts::kCompareWordVersion);
    std::string areas;
    for (int index = 0; index < 4; ++index) {
        if (!comparison.areas[index].same) areas += " " + std::to_string(kAreas[index]);
    }
    if (!areas.empty()) list += (list.empty() ? "" : ", ") + std::string(texts::kCompareWordAreas) + areas;
    return "(" + list + ")";
}
