#pragma once

#include <QMainWindow>
#include <QString>

class QTimer;

// The program's one top-level window.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Command-line hand-over from start-up.
    void setImportFile(const QString& path);
    void setExportFile(const QString& path);
    void setModelTitle(const QString& title);
    void setIntegrationKey(const QString& key);

public slots:
    void load(const QString& fileName, bool addToRecent = true);

private slots:
    void loadImportFile();

private:
    QString importFile;
    QString exportFile;
    QString modelTitle;
    QString integrationKey;
    QTimer* importTimer = nullptr;
};
