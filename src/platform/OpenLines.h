#pragma once
// Every serial line this process holds open, so that a program told to end
// from outside (a signal, its console closed) can put the ports back as it
// found them before it goes, even while a worker is still inside an
// exchange and the line cannot be closed the ordinary way.

class LineKeeper {
public:
    virtual ~LineKeeper() = default;
    // Undoes what opening changed in the driver (exclusivity included);
    // the line stays open. Safe while another thread uses the line.
    virtual void PutBack() = 0;
};

namespace openlines {

void Add(LineKeeper* line);
// Once it returns, PutAll no longer reaches the line.
void Remove(LineKeeper* line);
// Puts every open line back; for the last moments of the program.
void PutAll();

}  // namespace openlines
