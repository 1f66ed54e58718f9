#pragma once

#include <QDialog>

class AboutPage;
class QFocusEvent;
class QPoint;
class QPushButton;
class RecentFilesWidget;

// The file menu: a frameless pop-up with Load, Save, Save As, About and Exit
// on the left and, on the right, either the recent files or the about page.
// It hides itself when it loses the focus while the pointer is outside it.
class BackStageWidget : public QDialog
{
    Q_OBJECT

public:
    explicit BackStageWidget(QWidget* parent = nullptr);
    ~BackStageWidget() override;

    RecentFilesWidget* recentFilesWidget() const { return recentPage; }
    AboutPage* aboutPage() const { return aboutPageWidget; }

    // The corner's offset from the pointer when popped up.
    static QPoint popUpOffset();

    // Refreshes the recent files, puts the top-left corner at the pointer
    // plus popUpOffset(), shows the recent page, raises, activates and
    // focuses the pop-up.
    void popUp(const QPoint& globalPointer);
    // popUp when hidden, hide otherwise.
    void toggle(const QPoint& globalPointer);

public slots:
    void showRecent();
    void showAbout();

signals:
    void loadClicked();
    void saveClicked();
    void saveAsClicked();
    void exitClicked();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    QPushButton* makeButton(const QString& icon, const QString& toolTip);

    RecentFilesWidget* recentPage = nullptr;
    AboutPage* aboutPageWidget = nullptr;
};
