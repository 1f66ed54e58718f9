#include "ui/recentfileswidget.h"

#include "base/veksettings.h"

#include <QAction>
#include <QFileInfo>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QLayoutItem>
#include <QPushButton>

#include <memory>

RecentFilesWidget::RecentFilesWidget(QWidget* parent)
    : QWidget(parent)
{
    for (QAction*& act : recentFileActs) {
        act = new QAction(this);
        act->setVisible(false);
        connect(act, &QAction::triggered, this, &RecentFilesWidget::openRecentFile);
    }
}

RecentFilesWidget::~RecentFilesWidget() = default;

void RecentFilesWidget::setSettings(VekSettings* store)
{
    settings = store;
}

QString RecentFilesWidget::fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

QString RecentFilesWidget::fileTypeIcon(const QString& path)
{
    static const char* const suffixes[] = {"ptr", "obj", "stl", "scp", "jpg", "jpeg", "png", "bmp"};
    for (const char* suffix : suffixes) {
        const QString s = QLatin1String(suffix);
        if (path.endsWith(s, Qt::CaseInsensitive))
            return s;
    }
    return QString();
}

int RecentFilesWidget::rowCount() const
{
    return rows;
}

void RecentFilesWidget::clearRows()
{
    if (!grid)
        return;
    // Every row goes, not only those about to be refilled: a shorter list
    // must not leave the old tail behind.
    while (QLayoutItem* item = grid->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            delete w;
        }
        delete item;
    }
    rows = 0;
}

void RecentFilesWidget::updateRecentFileList()
{
    std::unique_ptr<VekSettings> own;
    VekSettings* store = settings;
    if (!store) {
        own = std::make_unique<VekSettings>();
        store = own.get();
    }
    const QStringList files = store->recentFiles();
    const int n = qMin(files.size(), int(MaxRows));

    if (!grid) {
        grid = new QGridLayout;
        setLayout(grid);
    }
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    clearRows();

    for (int i = 0; i < MaxRows; ++i) {
        QAction* act = recentFileActs[i];
        if (i >= n) {
            act->setVisible(false);
            act->setData(QVariant());
            continue;
        }
        const QString& path = files.at(i);
        act->setText(fileName(path));
        act->setData(path);
        act->setVisible(true);

        auto* button = new QPushButton(this);
        button->setFlat(true);
        const QString icon = fileTypeIcon(path);
        if (!icon.isEmpty())
            button->setIcon(QIcon(QStringLiteral(":/morvane2/") + icon));
        button->setIconSize(QSize(24, 24));
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        auto* label = new QLabel(fileName(path), this);
        grid->addWidget(button, i, 0, Qt::AlignLeft);
        grid->addWidget(label, i, 1, Qt::AlignLeft);
        connect(button, &QPushButton::clicked, act, &QAction::trigger);
    }
    rows = n;
}

void RecentFilesWidget::openRecentFile()
{
    auto* act = qobject_cast<QAction*>(sender());
    if (!act)
        return;
    const QString path = act->data().toString();
    if (!path.isEmpty())
        emit openFileRequested(path);
}
