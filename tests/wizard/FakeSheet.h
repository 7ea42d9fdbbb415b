#pragma once
// The sheet and its pages as the wizard's flow sees them, recording every
// page switch and list save.

#include <map>
#include <string>
#include <vector>

#include "wizard/WizardFlow.h"

class FakeSheet : public SheetAccess {
public:
    int ActivePage() const override { return active; }
    void SetActivePage(int index) override
    {
        active = index;
        switches.push_back(index);
    }
    int StartPageSelection() const override { return selection; }
    std::string SaveFilePath() const override { return savePath; }
    std::string ReplicateFilePath() const override { return replicatePath; }
    void SaveListSettings(int page) override
    {
        listSaves.push_back(page);
        listSettings[page] = listContents[page];
    }
    CommSettings ListSettings(int page) const override { return listSettings.at(page); }
    void SetListSettings(int page, const CommSettings& settings) override
    {
        listSettings[page] = settings;
    }

    int active = kPageStart;
    std::vector<int> switches;
    int selection = 0;
    std::string savePath;
    std::string replicatePath;
    std::vector<int> listSaves;
    // What the lists show (stored into listSettings by SaveListSettings) and
    // the pages' m_settings.
    std::map<int, CommSettings> listContents{{kPageReadSettings, {}}, {kPageWriteSettings, {}}};
    std::map<int, CommSettings> listSettings{{kPageReadSettings, {}}, {kPageWriteSettings, {}}};
};
