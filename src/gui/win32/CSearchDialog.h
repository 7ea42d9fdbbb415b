#pragma once
// The modal dialog of the device search, from its template: what each
// port is trying, the bar of the candidates done, and "Отмена". A timer
// asks the search's logic what to show and when to close. Enter does
// nothing; "Отмена", Esc and the window's close request cancel at once.

#include <windows.h>

#include "wizard/SearchDialogLogic.h"

class CSearchDialog : private SearchDialogView {
public:
    CSearchDialog(const SearchRequest& request, HINSTANCE instance);
    CSearchDialog(const CSearchDialog&) = delete;
    CSearchDialog& operator=(const CSearchDialog&) = delete;

    // Searches and runs the dialog until the search has ended.
    SearchResult Run(HWND owner);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam);

    void SetStatusText(const std::string& text) override;
    void SetProgress(uint32_t percent) override;
    void Close() override;

    HINSTANCE m_instance;
    HWND m_window = nullptr;
    SearchDialogLogic m_logic;
};
