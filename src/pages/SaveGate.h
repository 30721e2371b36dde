#pragma once

// Whether the notes may be written now. Closed from the window's creation until its first show,
// while a backup replaces the database and once the program ends; while it is closed a save does
// nothing and reports success. The notes session is the only one that opens and closes it.
class SaveGate {
public:
    bool isOpen() const { return m_open; }
    void open() { m_open = true; }
    void close() { m_open = false; }

private:
    bool m_open = false;
};
