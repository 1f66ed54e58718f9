#include "ui/startwizard.h"

#include "base/veksettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const normalIconPaths[4] = {
    ":/morvane2/Close_Window_Icon",
    ":/morvane2/Open_Recent_button",
    ":/morvane2/Open_Project_button",
    ":/morvane2/Resume_Last_button",
};
const char* const hoverIconPaths[4] = {
    nullptr,
    ":/morvane2/Open_Recent_hover",
    ":/morvane2/Open_Project_hover",
    ":/morvane2/Resume_Last_hover",
};
const char* const accessibleNames[4] = {nullptr, "recent", "open", "last"};

} // namespace

QString StartWizard::settingKey()
{
    return QStringLiteral("/startwizard/startup");
}

StartWizard::StartWizard(QWidget* parent, const char* title, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
    if (title)
        setWindowTitle(QString::fromUtf8(title));

    const QPixmap picture(QStringLiteral(":/morvane2/Morvane_2_Splash"));
    pictureWidth = picture.width();
    pictureHeight = picture.height();
    for (int i = 0; i < 4; ++i) {
        normalIcons[i] = QIcon(QString::fromLatin1(normalIconPaths[i]));
        if (hoverIconPaths[i])
            hoverIcons[i] = QIcon(QString::fromLatin1(hoverIconPaths[i]));
    }

    auto* frame = new QFrame(this);
    frame->setGeometry(0, 0, pictureWidth, pictureHeight);
    frame->setStyleSheet(QStringLiteral(
        "QFrame { border-image: url(:/morvane2/Morvane_2_Splash) 0 0 0 0 stretch stretch; margin: 0px }"
        " QPushButton { border: none; color: white; font: 24px \"Helvetica\" }"));

    buttons = new QButtonGroup(this);
    auto* frameLayout = new QVBoxLayout;
    auto* close = new QPushButton(frame);
    close->setFixedSize(30, 30);
    close->setIcon(normalIcons[CloseButton]);
    frameLayout->addWidget(close, 0, Qt::AlignRight | Qt::AlignTop);
    buttons->addButton(close, CloseButton);
    for (int id = RecentButton; id <= LastButton; ++id) {
        auto* b = new QPushButton(frame);
        b->setAccessibleName(QString::fromLatin1(accessibleNames[id]));
        const QSize size = QPixmap(QString::fromLatin1(normalIconPaths[id])).size();
        b->setFixedSize(size);
        b->setIconSize(size);
        b->setIcon(normalIcons[id]);
        b->installEventFilter(this);
        frameLayout->addWidget(b, 0, Qt::AlignHCenter);
        buttons->addButton(b, id);
    }
    frameLayout->addSpacing(10);
    connect(buttons, &QButtonGroup::idClicked, this, &StartWizard::action);

    box = new QCheckBox(tr("Show on Startup"), frame);
    box->setMinimumHeight(30);
    QPalette pal = box->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(g, QPalette::WindowText, Qt::white);
    box->setPalette(pal);
    connect(box, &QCheckBox::toggled, this, &StartWizard::showOnStartup_toggled);
    frameLayout->addWidget(box, 0, Qt::AlignHCenter);
    frame->setLayout(frameLayout);
    {
        VekSettings settings;
        box->setChecked(settings.value(settingKey(), true).toBool());
    }

    auto* outer = new QVBoxLayout;
    outer->addWidget(frame);
    setLayout(outer);

    const int parentWidth = parent ? parent->width() : pictureWidth;
    const int parentHeight = parent ? parent->height() : pictureHeight;
    setGeometry((parentWidth - pictureWidth) / 2, (parentHeight - pictureHeight) / 2, pictureWidth,
                pictureHeight + 40);

    show();
}

StartWizard::~StartWizard() = default;

void StartWizard::setShowOnStartup(bool on)
{
    windowFlagKnown = true;
    windowFlag = on;
}

bool StartWizard::isShowOnStartupChecked() const
{
    return box->isChecked();
}

void StartWizard::show()
{
    if (windowFlagKnown)
        box->setChecked(windowFlag);
    QWidget::show();
}

void StartWizard::showOnStartup_toggled(bool on)
{
    windowFlag = on;
    if (parentWidget())
        emit showOnStartupChanged(on);
}

void StartWizard::action(int id)
{
    const bool checked = box->isChecked();
    if (parentWidget()) {
        hide();
        switch (id) {
        case CloseButton:
            close();
            break;
        case RecentButton:
            emit recentRequested();
            break;
        case OpenButton:
            emit openRequested();
            break;
        case LastButton:
            emit resumeLastRequested();
            break;
        default:
            break;
        }
        windowFlag = checked;
        emit showOnStartupChanged(checked);
    }
    VekSettings settings;
    settings.setValue(settingKey(), checked);
}

bool StartWizard::eventFilter(QObject* watched, QEvent* event)
{
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!button)
        return false;
    const int id = buttons->id(button);
    if (id < RecentButton || id > LastButton)
        return false;
    if (event->type() == QEvent::Enter)
        button->setIcon(hoverIcons[id]);
    else if (event->type() == QEvent::Leave)
        button->setIcon(normalIcons[id]);
    return false;
}
