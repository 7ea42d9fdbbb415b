#pragma once
// The modal dialog of the device search, from its template: what each
// port is trying, the bar of the candidates done, and "Отмена". A timer
// asks the search's logic what to show and when to close. Enter does
// nothing; "Отмена", Esc and the window's close request cancel at once.

#include <QDialog>
#include <QTimer>

#include "wizard/SearchDialogLogic.h"

class QLabel;
class QProgressBar;
class QPushButton;

class CSearchDialog : public QDialog, private SearchDialogView {
public:
    CSearchDialog(const SearchRequest& request, QWidget* parent);

    // Searches and runs the dialog until the search has ended.
    SearchResult Run();

    QLabel* Status() const { return m_status; }
    QProgressBar* Progress() const { return m_progress; }
    QPushButton* CancelButton() const { return m_cancel; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void SetStatusText(const std::string& text) override;
    void SetProgress(uint32_t percent) override;
    void Close() override;

    QLabel* m_status;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    QTimer m_timer;
    SearchDialogLogic m_logic;
    bool m_running = false;
};
