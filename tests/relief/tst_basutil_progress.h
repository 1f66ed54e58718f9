#pragma once

#include "relief/progressmonitor.h"

// Records what the generator reports and presses Cancel once the value
// reaches cancelAt (never when it is negative).
class RecordingProgress : public ProgressMonitor
{
public:
    explicit RecordingProgress(int cancelAt = -1) : m_cancelAt(cancelAt) {}

    void setMaximum(int maximum) override { m_maximum = maximum; }
    void setValue(int value) override { m_value = value; }
    int value() const override { return m_value; }
    void setAutoClose(bool close) override { m_autoClose = close; }
    void show() override { m_shown = true; }
    void processEvents() override { ++m_eventRounds; }
    bool wasCanceled() const override { return m_cancelAt >= 0 && m_value >= m_cancelAt; }

    int maximum() const { return m_maximum; }
    bool autoClose() const { return m_autoClose; }
    bool shown() const { return m_shown; }
    int eventRounds() const { return m_eventRounds; }

private:
    int m_cancelAt;
    int m_maximum = -1;
    int m_value = 0;
    bool m_autoClose = true;
    bool m_shown = false;
    int m_eventRounds = 0;
};
