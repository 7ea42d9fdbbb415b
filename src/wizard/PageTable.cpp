#include "wizard/PageTable.h"

#include "wizard/DialogTemplates.h"

namespace {

constexpr PageSpec kPages[kPageCount] = {
    {kTemplateFirstPage + kPageStart, 0, 0, kWizNext},
    {kTemplateFirstPage + kPageConnect, 145, 137, kWizNext | kWizFinish},
    {kTemplateFirstPage + kPageReadSettings, 146, 138, kWizBack | kWizNext | kWizFinish},
    {kTemplateFirstPage + kPageSaveFile, 147, 139, kWizBack | kWizNext | kWizFinish},
    {kTemplateFirstPage + kPageRefused, 148, 140, kWizBack | kWizFinish},
    {kTemplateFirstPage + kPageReplicateFile, 149, 141, kWizNext | kWizFinish},
    {kTemplateFirstPage + kPageWrite, 150, 142, kWizBack | kWizNext | kWizFinish},
    {kTemplateFirstPage + kPageWriteSettings, 151, 143, kWizBack | kWizFinish},
};

}  // namespace

const PageSpec& PageSpecOf(int index)
{
    return kPages[index];
}
