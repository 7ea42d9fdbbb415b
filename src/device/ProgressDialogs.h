#pragma once
// The modal progress display of one area transfer (CWaitNorm for a read,
// CWaitNorm_Write for a write): it starts the transfer when shown, follows
// the worker's notifications, asks before cancelling and closes at the end.

#include <string>

struct AreaJob;

enum class DialogResult { Ok = 1, Cancel = 2 };

class ProgressDialogs {
public:
    virtual ~ProgressDialogs() = default;
    virtual DialogResult RunAreaRead(const std::string& title, AreaJob& job) = 0;
    virtual DialogResult RunAreaWrite(const std::string& title, AreaJob& job) = 0;
};
