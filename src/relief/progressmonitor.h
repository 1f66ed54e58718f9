#pragma once

// Progress of long model work as the model reports it. The model only calls
// these; the user interface adapts its progress dialog to them. Every caller
// accepts a null monitor and then runs to the end without reporting.
class ProgressMonitor
{
public:
    virtual ~ProgressMonitor() = default;

    virtual void setMaximum(int maximum) = 0;
    virtual void setValue(int value) = 0;
    virtual int value() const = 0;
    // Whether reaching the maximum closes the display.
    virtual void setAutoClose(bool close) = 0;
    virtual void show() = 0;
    // Lets pending events through, so that a Cancel button is seen.
    virtual void processEvents() = 0;
    virtual bool wasCanceled() const = 0;
};
