#pragma once

#include <QString>

// What the update service shows the user. This layer has no widgets: the
// application installs an implementation in the download manager, and
// without one nothing is shown.
class UpdatePrompts
{
public:
    // Shows (true) or withdraws (false) the offer of a newer version.
    virtual void offerUpdate(bool available) = 0;
    // The version query got no usable answer.
    virtual void checkFailed() = 0;
    // A downloaded installer could not be started; reason says why.
    virtual void launchFailed(const QString& path, const QString& reason) = 0;
    // Shows a downloaded plain-text file.
    virtual void showText(const QString& title, const QString& path) = 0;

protected:
    ~UpdatePrompts() = default;
};
