// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The lap hold of the board: LAP freezes the board after the next line it shows, until START, STOP, RESET or
// a mode selection releases it. The one writer of LapFlag and OutputHold; everyone else reads the flags.
class LapHold
{
public:
    LapHold(bool& LapFlag, bool& OutputHold) : m_lapFlag(LapFlag), m_outputHold(OutputHold) {}

    // LAP: the next line reaches the board, then the hold closes.
    void lap()
    {
        m_lapFlag = true;
        m_outputHold = false;
    }
    // START, STOP, RESET and every mode selection: the board follows the clock again.
    void release()
    {
        m_lapFlag = false;
        m_outputHold = false;
    }
    // The lap ends without opening a closed hold (the end of RESET).
    void clearLap() { m_lapFlag = false; }
    // Line processing sent a line: with a lap pending the board now holds it.
    void lineSent() { m_outputHold = m_lapFlag; }
    // Start-up: nothing is held.
    void openHold() { m_outputHold = false; }

private:
    bool& m_lapFlag;
    bool& m_outputHold;
};
