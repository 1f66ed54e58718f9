#pragma once

#include <QString>
#include <QWidget>

class QAction;
class QGridLayout;
class VekSettings;

// The recently used files on the back stage: one row per file, an icon
// button showing the file's type and a label with its name. The list lives in
// the settings, newest first; the rows are rebuilt from it on every refresh.
class RecentFilesWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MaxRows = 5;

    explicit RecentFilesWidget(QWidget* parent = nullptr);
    ~RecentFilesWidget() override;

    // The store the list is read from (not owned). Without one each refresh
    // reads the program's settings afresh.
    void setSettings(VekSettings* store);

    static QString fileName(const QString& path);
    // Icon name for the path's suffix ("ptr", "obj", ...), empty when none.
    static QString fileTypeIcon(const QString& path);

    // Rows currently shown.
    int rowCount() const;

public slots:
    void updateRecentFileList();

signals:
    // A row's button was clicked; the receiver loads the file.
    void openFileRequested(const QString& path);

private slots:
    void openRecentFile();

private:
    void clearRows();

    QAction* recentFileActs[MaxRows];
    QGridLayout* grid = nullptr;
    VekSettings* settings = nullptr;
    int rows = 0;
};
